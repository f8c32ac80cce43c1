// The sound statement and the key cues.
#include "runtime/soundcues.h"

#include "common/localizer.h"
#include "sound/toneperiod.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>
#include <thread>

namespace tov::runtime {
namespace {

constexpr double kHighestSoundNumber = 9;
constexpr int32_t kRestFrequency = 128; //: a tone of 0: 2 Hz, heard as silence

// The BASIC's conversion of a real: toward zero, and (where a real cannot fit) to the
// nearest end of the range instead of undefined behaviour; NaN is 0.
int32_t truncated(double value)
{
    if (std::isnan(value)) {
        return 0;
    }
    constexpr double lowest = std::numeric_limits<int32_t>::min();
    constexpr double highest = std::numeric_limits<int32_t>::max();
    return static_cast<int32_t>(std::trunc(std::clamp(value, lowest, highest)));
}

int32_t toneFrequency(double tone)
{
    const int64_t t = truncated(tone);
    if (t == 0) {
        return kRestFrequency;
    }
    const int64_t hz = t * sound::kTonePeriod;
    // Past the 32-bit range a frequency is as unplayable as at its end; the buffer then
    // refuses it and keeps the one it had.
    return static_cast<int32_t>(std::clamp<int64_t>(hz, std::numeric_limits<int32_t>::min(),
                                                    std::numeric_limits<int32_t>::max()));
}

std::string toneName(size_t voice, int32_t soundnumber)
{
    return "snd" + std::to_string(voice) + std::to_string(soundnumber);
}

class SleepingWait final : public SoundWait {
public:
    void waitout(std::chrono::milliseconds duration) override
    {
        waiting_ = true;
        std::this_thread::sleep_for(duration);
        waiting_ = false;
    }
    bool endwait() override
    {
        const bool was = waiting_;
        waiting_ = false;
        return was;
    }
    bool iswaiting() const override { return waiting_; }

private:
    bool waiting_ = false;
};

} // namespace

void loadsounds(sound::TWaveCollection& bank, ProcessControl& process,
                const std::filesystem::path& workdir)
{
    const std::filesystem::path file =
        workdir.empty() ? std::filesystem::path(kSoundBankFile) : workdir / kSoundBankFile;
    std::error_code ignored;
    if (!std::filesystem::is_regular_file(file, ignored)) {
        process.showMessage(message(Message::MissingFile) + " " + kSoundBankFile);
        process.endProcess();
    }
    try {
        bank.loadbank(file);
    } catch (const std::exception& error) {
        // A bank cut short or not a bank at all ends the process as a missing one does,
        // with the file's name and what is wrong with it.
        process.showMessage(message(Message::DamagedBank) + " " + kSoundBankFile + ": " +
                            error.what());
        process.endProcess();
    }
}

SoundWait& sleepingWait()
{
    static SleepingWait wait;
    return wait;
}

void SoundCues::sound(std::span<const double> tones, double soundnumber, double duration)
{
    if (!settings_.tovanasounds) {
        return;
    }
    if (soundnumber > kHighestSoundNumber) {
        soundnumber = state_.lastsound;
    }
    if (!(duration >= 0)) {
        duration = state_.lastduration;
    }
    const int32_t number = truncated(soundnumber);
    const int32_t milliseconds = truncated(duration);
    state_.lastsound = static_cast<uint8_t>(number);
    state_.lastduration = milliseconds;

    size_t started = 0;
    std::chrono::microseconds sounds{0}; //: how long from now the longest tone sounds
    try {
        for (; started < tones.size(); ++started) {
            sound::TWaveCollectionItem& item = tone(started + 1, number, tones[started]);
            if (milliseconds > 0 && milliseconds <= kLongestTimedTone.count()) {
                // Sample-exact: the tone ends on its own frame, not on the next mixing
                // update after the timer's tick, and the next statement joins on to it.
                sounds = std::max(sounds, item.playfor(std::chrono::milliseconds(milliseconds)));
            } else {
                // Until a key ends the wait or the stop below. A tone longer than a timed
                // one is looped rather than laid out sample by sample, which would take
                // memory by its length; a few milliseconds matter nothing at its end.
                item.play(sound::Wait::No);
            }
        }
    } catch (...) {
        for (size_t i = 0; i < started; ++i) {
            bank_.find(toneName(i + 1, number)).stop();
        }
        throw;
    }
    // The wait ends where the tones end: a statement joined on to the one before starts a
    // little late, and waiting its whole length would make every following one later still.
    const std::chrono::milliseconds wait =
        milliseconds > 0 && milliseconds <= kLongestTimedTone.count() && !tones.empty()
            ? std::max(std::chrono::ceil<std::chrono::milliseconds>(sounds),
                       std::chrono::milliseconds{1})
            : std::chrono::milliseconds(milliseconds);
    wait_.waitout(wait);
    for (size_t i = 0; i < tones.size(); ++i) {
        bank_.find(toneName(i + 1, number)).stop();
    }
}

void SoundCues::volumePreview()
{
    if (!settings_.tovanasounds) {
        return;
    }
    tone(1, truncated(kVolumePreviewSound), kVolumePreviewTone[0])
        .playfor(std::chrono::milliseconds(truncated(kVolumePreviewDuration)));
}

sound::TWaveCollectionItem& SoundCues::tone(size_t voice, int32_t soundnumber, double tone)
{
    sound::TWaveCollectionItem& item = bank_.find(toneName(voice, soundnumber));
    item.setlooped(true);
    item.setfrequency(toneFrequency(tone));
    item.setvolume(settings_.sndvolume);
    return item;
}

void SoundCues::playcue(const std::string& name)
{
    if (!settings_.tovanasounds) {
        return;
    }
    sound::TWaveCollectionItem& item = bank_.find(name);
    item.setvolume(settings_.sndvolume);
    item.play(sound::Wait::Yes);
}

void SoundCues::beep()
{
    playcue("beep");
}

void SoundCues::click(double n)
{
    playcue("click" + std::to_string(truncated(n)));
}

} // namespace tov::runtime
