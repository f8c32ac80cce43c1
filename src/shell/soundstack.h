// The program's sounds from the device up: the audio device, the wave list of the sound
// bank over it, the timer that times the sound statement, and the key cues and sound
// statement over the bank. It is made, silent, before anything that plays through it (the
// speech layer's tones among them); the main window's creation then reaches the device
// and reads the bank in its place in the creation order, and its end frees them.
// All of this runs on the GUI thread.
#pragma once

#include "runtime/host.h"
#include "shell/soundtimer.h"

#include <QTimer>
#include <memory>

namespace tov::runtime {
class Console;
class SoundCues;
struct SoundSettings;
} // namespace tov::runtime
namespace tov::sound {
class TSoundDevice;
class TWaveList;
} // namespace tov::sound

namespace tov::shell {

// Plays through the cues while they are open: silent before the bank is read and after
// `freesounds`, so whoever holds it (the console, the speech layer) never holds a freed
// sound.
class SoundStack final : public runtime::SoundStatement {
public:
    // A missing sound bank is said through `process`, which ends the program.
    SoundStack(runtime::Console& console, runtime::ProcessControl& process);
    ~SoundStack() override;
    SoundStack(const SoundStack&) = delete;
    SoundStack& operator=(const SoundStack&) = delete;

    // The sounds dialog's values and the settings file's, kept by the cues; not after
    // `freesounds`.
    runtime::SoundSettings& settings();
    SoundTimer& timer() { return timer_; }

    // Reaches the audio device (a failure is said in a box; the cues stay silent and
    // their waits still happen), reads the sound bank from the data files' folder and
    // opens the cues. From then on a sound server that goes away is said in a box, once.
    void createsounds();
    // Frees the cues, the bank and the device; errors while freeing are of no interest.
    void freesounds();

    void sound(std::span<const double> tones, double soundnumber, double duration) override;
    void beep() override;
    void click(double n) override;

private:
    runtime::Console& console_;
    runtime::ProcessControl& process_;
    std::unique_ptr<sound::TSoundDevice> sounddevice_;
    std::unique_ptr<sound::TWaveList> wavelist_;
    SoundTimer timer_; //: `Timer`: its tick ends the sound statement's wait
    std::unique_ptr<runtime::SoundCues> soundcues_;
    bool open_ = false; //: between `createsounds` and `freesounds`: the cues play
    // Looks now and then whether the output is gone, so that a user who is only reading
    // hears of it before the next sound would have told.
    QTimer lossWatch_;
};

} // namespace tov::shell
