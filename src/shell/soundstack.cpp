// The sound stack's making, opening and freeing.
#include "shell/soundstack.h"

#include "common/localizer.h"
#include "common/text.h"
#include "runtime/console.h"
#include "runtime/soundcues.h"
#include "shell/tovapplication.h"
#include "sound/audiodevice.h"
#include "sound/sounddevice.h"

#include <QCoreApplication>

namespace tov::shell {
namespace {

// A second between looks: the user hears of a lost server about when the next line would
// have been spoken, and the look costs one query of the device.
constexpr int kLossWatchMs = 1000;

} // namespace

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
    // Told from whichever thread found the loss (an engine's, for an utterance): the box is
    // shown on the GUI thread, outside the call that played.
    sound::AudioDevice::onLoss([](const std::string& output) {
        QCoreApplication* const application = QCoreApplication::instance();
        if (application == nullptr) {
            return; // the program is ending: nobody is left to tell
        }
        QMetaObject::invokeMethod(
            application,
            [output] {
                showErrorMessage(message(Message::SoundLost) + " " + text::fromUtf8(output));
            },
            Qt::QueuedConnection);
    });
    lossWatch_.setInterval(kLossWatchMs);
    QObject::connect(&lossWatch_, &QTimer::timeout, [] {
        if (const auto device = sound::AudioDevice::current()) {
            device->watch();
        }
    });
    lossWatch_.start();
    wavelist_->setdevice(sounddevice_.get());
    runtime::loadsounds(wavelist_->Waves(), process_,
                        console_.locate(runtime::kSoundBankFile).parent_path());
    open_ = true;
}

void SoundStack::freesounds()
{
    open_ = false;
    lossWatch_.stop();
    sound::AudioDevice::onLoss(nullptr);
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
