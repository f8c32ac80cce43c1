// The notetaker's sound statement and key cues over the sound bank: `sound` plays a
// chord of tones for a time, `beep` and `click` answer keys. All three are silent (and
// do not wait) while `tovanasounds` is off, and all play at `sndvolume`.
//
// `sound`(tones, sound number, duration), every real truncated toward zero:
// 1. With the sounds off, return at once.
// 2. A sound number over 9 becomes the last sound number; a duration that is not >= 0
//    becomes the last duration. Both are remembered for the next statement.
// 3. Tone i (from 1) plays the looped item "snd" + i + sound number at 64 times the tone
//    in Hz (one period of the item is 64 samples), or at 128 Hz for a tone of 0, a rest
//    that is felt as silence: sound([440], 1, 100) plays "snd11" at 28160 Hz.
// 4. Wait the duration (the waiting flag is set until the timer ticks or a key in the
//    main window ends the wait), serving the event queue; then stop every tone.
// The tones are timed by the sound device, not by the timer: each lasts its duration to
// the sample and ends by itself, so the stop after the wait only cuts a tone that a key
// ended early, and the next statement's tone joins on where this one ends. A duration of
// 0 plays the tones until the stop, and so (with memory bounded whatever the length)
// does a duration over kLongestTimedTone, stopped after the wait.
// A name the bank lacks raises "Wave '<name>' not found"; the tones started before it
// are stopped first, so no tone is left sounding.
//
// With no audio device the bank's items are silent but `sound` still remembers its
// values and waits its durations, so the program keeps its rhythm; `beep` and `click`
// then return at once. GUI thread only.
#pragma once

#include "runtime/console.h"
#include "runtime/host.h"
#include "sound/wavecollection.h"

#include <array>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <span>

namespace tov::runtime {

inline constexpr const char* kSoundBankFile = "sounds.dat";

// The longest tone timed to the sample; the death tune's and the falling tone's are far
// shorter.
inline constexpr std::chrono::milliseconds kLongestTimedTone{60'000};

// The main window's start-up step for the bank: without "sounds.dat" in `workdir` (the
// empty path is the working directory) the program cannot make a sound, so message 42
// and the file name are shown and the process ends at once. Otherwise the bank is loaded;
// a malformed file raises its read error for the shell to show.
void loadsounds(sound::TWaveCollection& bank, ProcessControl& process,
                const std::filesystem::path& workdir = {});

// The notetaker's sound settings, read from and written to the settings file by the shell.
struct SoundSettings {
    bool tovanasounds = true; //: the notetaker's sounds are on
    int32_t sndvolume = 0;    //: every cue's attenuation in hundredths of a dB, -10000 to 0
};

// The waiting flag of `sound` and the timer that clears it. The main window's timer is
// the real one (shell/soundtimer.h); a terminal host brings its own.
class SoundWait {
public:
    virtual ~SoundWait() = default;
    // Sets the waiting flag, starts the timer for the duration and serves the event queue
    // until the flag is clear. A zero duration starts no timer: only `endwait` ends it.
    virtual void waitout(std::chrono::milliseconds duration) = 0;
    // A key press in the main window: a running wait ends at once (flag cleared, timer
    // stopped). True when there was a wait to end.
    virtual bool endwait() = 0;
    virtual bool iswaiting() const = 0;
};

// A wait that sleeps the duration through, for a host without an event queue. Nothing
// can end it early, so a zero duration does not wait at all.
SoundWait& sleepingWait();

// The tone the Sounds dialog plays as its volume bar moves, so the new volume is heard:
// sound 1 at 1000 Hz for 100 ms.
inline constexpr std::array<double, 1> kVolumePreviewTone = {1000};
inline constexpr double kVolumePreviewSound = 1;
inline constexpr double kVolumePreviewDuration = 100;

class SoundCues final : public SoundStatement {
public:
    SoundCues(sound::TWaveCollection& bank, SoundStatementState& state, SoundWait& wait)
        : bank_(bank), state_(state), wait_(wait)
    {
    }

    SoundSettings& settings() { return settings_; }
    const SoundSettings& settings() const { return settings_; }

    void sound(std::span<const double> tones, double soundnumber, double duration) override;
    void beep() override;
    void click(double n) override;
    // The Sounds dialog's tone at the present volume, ended on its own frame without a
    // wait: for a host that cannot wait outside the program (the page's one thread). The
    // desktop's dialog plays it as a sound statement. Silent with the sounds off.
    void volumePreview();

private:
    // The bank's item for the sound's `voice`-th tone, looped at the tone's frequency and
    // the sounds' volume, ready to play.
    sound::TWaveCollectionItem& tone(size_t voice, int32_t soundnumber, double tone);
    void playcue(const std::string& name);

    sound::TWaveCollection& bank_;
    SoundStatementState& state_; //: the console's last sound number and duration
    SoundWait& wait_;
    SoundSettings settings_;
};

} // namespace tov::runtime
