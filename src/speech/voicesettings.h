// The voice as the user sets it: the voices there are to choose from, the chosen one, and
// its pitch, speed and volume, each a value within the range the engine takes. The speech
// layer owns it; the voice dialog renders and edits it; the terminal host (and the web
// edition) use it as it is. It knows no engine and no widget.
//
// 1. Until an engine has told its ranges, each level spans 0 to 10 and stands at 0, as
//    the dialog's bars were designed, and the levels are not adjustable.
// 2. A value stays within its range: a range that leaves it outside moves it to the
//    nearer end, a maximum below the minimum lowers the minimum too (and the reverse),
//    and a stored value is clamped the same way when it is read.
// 3. Every move of a value is told to the observers, in the order they were added: the
//    voice selection hands the engine its tag, the dialog moves its bar. A change of a
//    range, of the list or of the chosen line is told as a change of layout.
// 4. The settings file keeps the chosen voice's name and the three values in the section
//    "Voice" (common/settingskeys.h).
// All of this runs on the GUI thread (in the terminal host, the terminal's thread).
#pragma once

#include <array>
#include <string>
#include <vector>

namespace tov {
class Profile;
}

namespace tov::speech {

enum class VoiceLevel { Pitch, Speed, Volume };
inline constexpr std::array kVoiceLevels{VoiceLevel::Pitch, VoiceLevel::Speed, VoiceLevel::Volume};

// One level as a bar shows it.
struct LevelRange {
    int minimum = 0;
    int maximum = 10; //: the dialog's design range, until an engine tells its own
    int value = 0;
    int ticks = 1; //: the spacing of the bar's tick marks
};

class VoiceSettings {
public:
    class Observer {
    public:
        virtual ~Observer() = default;
        // The value of `level` has moved.
        virtual void levelMoved(VoiceLevel) {}
        // A range, the ticks, the list, the chosen line or the adjustability changed.
        virtual void layoutChanged() {}
    };

    VoiceSettings() = default;
    VoiceSettings(const VoiceSettings&) = delete;
    VoiceSettings& operator=(const VoiceSettings&) = delete;

    // Observers are told in the order they were added; each removes itself before it goes.
    void addObserver(Observer& observer);
    void removeObserver(Observer& observer);

    // --- the voices (Windows-1250 names, in the engine's order) ---
    const std::vector<std::string>& voices() const { return voices_; }
    void addVoice(std::string name);
    int chosen() const { return chosen_; } //: the chosen line, -1 for none
    // A line outside the list chooses none.
    void choose(int index);
    std::string chosenName() const; //: empty when none is chosen

    // --- the levels ---
    const LevelRange& level(VoiceLevel which) const;
    void setMinimum(VoiceLevel which, int minimum);
    void setMaximum(VoiceLevel which, int maximum);
    void setValue(VoiceLevel which, int value);
    void setTicks(VoiceLevel which, int ticks);
    // An engine has been selected and told its ranges: the levels may be moved.
    bool isAdjustable() const { return adjustable_; }
    void makeAdjustable();

    // --- the settings file ---
    // The saved voice's name; empty when none is saved.
    static std::string storedVoice(const Profile& profile);
    // Sets pitch, speed and volume from the file in that order, each kept in its range.
    void readLevels(const Profile& profile);
    // Writes the chosen voice's name (empty for none) and the three values.
    void write(const Profile& profile) const;

private:
    LevelRange& at(VoiceLevel which);
    // Moves the value into the range, telling the observers when it moved.
    void place(VoiceLevel which, int value);
    void tellLayout();

    std::vector<std::string> voices_;
    int chosen_ = -1;
    std::array<LevelRange, kVoiceLevels.size()> levels_{}; //: pitch, speed, volume
    bool adjustable_ = false;
    std::vector<Observer*> observers_; //: in the order they were added
};

} // namespace tov::speech
