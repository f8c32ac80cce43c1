// The sound stack's making, opening and freeing.
#include "shell/soundstack.h"

#include "runtime/soundcues.h"
#include "runtime/console.h"
#include "shell/tovapplication.h"
#include "sound/sounddevice.h"

namespace tov::shell {

SoundStack::SoundStack(runtime::Console& console, runtime::ProcessControl& process)
    : console_(console), process_(process), wavelist_(std::make_unique<sound::TWaveList>()),
      soundcues_(
          std::make_unique<runtime::SoundCues>(wavelist_->Waves(), console.soundstate(), timer_))
{
}

SoundStack::~SoundStack()
{
    freesounds();
}

runtime::SoundSettings& SoundStack::settings()
{
    return soundcues_->settings();
}

void SoundStack::createsounds()
{
    sounddevice_ = std::make_unique<sound::TSoundDevice>();
    try {
        sounddevice_->initsound();
    } catch (const std::exception& error) {
        // Without an audio device the program still runs: its cues are silent, their
        // waits still happen, and the user has been told why there is no sound.
        showErrorMessage(error.what());
    }
    wavelist_->setdevice(sounddevice_.get());
    runtime::loadsounds(wavelist_->Waves(), process_,
                        console_.locate(runtime::kSoundBankFile).parent_path());
    open_ = true;
}

void SoundStack::freesounds()
{
    open_ = false;
    // Errors while freeing are of no interest at the end; none may escape.
    try {
        soundcues_.reset();
        wavelist_.reset();
        sounddevice_.reset();
    } catch (...) {
    }
}

void SoundStack::sound(std::span<const double> tones, double soundnumber, double duration)
{
    if (open_ && soundcues_ != nullptr) {
        soundcues_->sound(tones, soundnumber, duration);
    }
}

void SoundStack::beep()
{
    if (open_ && soundcues_ != nullptr) {
        soundcues_->beep();
    }
}

void SoundStack::click(double n)
{
    if (open_ && soundcues_ != nullptr) {
        soundcues_->click(n);
    }
}

} // namespace tov::shell
