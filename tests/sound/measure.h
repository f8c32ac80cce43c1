// Measuring rendered audio, and driving an OpenAL loopback device the way a sound card
// drives a real one: the tools of the tests that listen to what the library plays.
#pragma once

#include "runtime/soundcues.h"
#include "sound/audiodevice.h"
#include "sound/openalplatform.h"
#include "sound/platform.h"
#include "sound/sounddevice.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <thread>
#include <vector>

namespace tov::testing {

inline constexpr int kLoopbackRate = 44100;

double rms(std::span<const float> samples);
float peak(std::span<const float> samples);
// The magnitude of one frequency in a Hann-windowed stretch of samples.
double magnitudeAt(std::span<const float> samples, double rate, double hz);
// The frequency of the strongest component between lo and hi Hz, to a hundredth of a Hz.
double dominantFrequency(std::span<const float> samples, double rate, double lo, double hi);

// The first and last sample louder than the threshold.
struct SoundingSpan {
    size_t first;
    size_t last;
    double milliseconds(double rate) const { return (last - first + 1) * 1000.0 / rate; }
};
std::optional<SoundingSpan> soundingSpan(std::span<const float> samples, float threshold);

// The sound library with a bank loaded, playing into a loopback device: where every test
// that listens to the library's own tones starts from. Whoever renders the device (a
// RenderingWait, a RealTimeRenderer) plays the sound card.
struct LoopbackSounds {
    explicit LoopbackSounds(const std::filesystem::path& bank);

    std::shared_ptr<sound::AudioDevice> audio = sound::AudioDevice::acquireLoopback(kLoopbackRate);
    sound::TSoundDevice device{[this] { return sound::openOpenAlPlatform(audio); }};
    sound::TWaveList list;
};

// Renders `frames` frames and returns the left channel.
std::vector<float> renderLeft(sound::AudioDevice& device, size_t frames);

// The stretches of sound, [first, end) in frames, between silences of more than half a
// millisecond (quieter than 2 % of the loudest sample); a wave passing through zero does
// not break a stretch.
std::vector<std::pair<size_t, size_t>> soundingRegions(std::span<const float> samples, double rate);

// One stretch of a single tone found by `toneSteps`, in frames.
struct ToneStep {
    double hz;    //: the expected frequency it matched
    double first; //: where it starts
    double end;   //: where the next begins, or where the sound stops
    double milliseconds(double rate) const { return (end - first) * 1000.0 / rate; }
};
// Splits a recording of single tones into steps of the expected frequencies, by the
// periods between rising zero crossings; a period that straddles two steps is split
// where the phase, running at the one frequency and then the other, makes one cycle.
// A period that matches none (within toleranceHz) belongs to no step; a silence (see
// soundingRegions) ends a step. The tone must cross zero twice a period: a pure or soft
// timbre, as sound number 1's.
std::vector<ToneStep> toneSteps(std::span<const float> samples, double rate,
                                std::span<const double> expectedHz, double toleranceHz = 4.0);

// A sound card of the default kind, played by the test: the loopback device is mixed in
// updates of `updateFrames`, each update when the card's clock reaches its start, and the
// card's clock (installed as the device's wall clock) moves only when a statement waits:
// by the duration plus whatever lateness the test gives the wait. So the program meets
// the mixing grid of a real device, at phases the test chooses, and nothing depends on
// how busy the machine is.
class SoundCardWait final : public runtime::SoundWait {
public:
    SoundCardWait(std::shared_ptr<sound::AudioDevice> device, int updateFrames = 1024);
    ~SoundCardWait() override;
    SoundCardWait(const SoundCardWait&) = delete;
    SoundCardWait& operator=(const SoundCardWait&) = delete;

    void waitout(std::chrono::milliseconds duration) override;
    bool endwait() override { return false; }
    bool iswaiting() const override { return false; }

    // Moves the card's clock on by `frames`, mixing every update that falls due.
    void advance(int64_t frames);
    // The card's clock, in frames since it started.
    int64_t now() const { return now_; }
    //: added to each wait, in frames, in turn (a timer that ticks late); empty: none
    std::vector<int64_t> lateness;

    std::vector<float> left; //: everything mixed, left channel; frame 0 mixed at time 0

private:
    std::shared_ptr<sound::AudioDevice> device_;
    const int updateFrames_;
    int64_t now_ = 0;
    int64_t mixed_ = 0; //: frames mixed: the next update is due when now_ reaches it
    size_t waits_ = 0;
};

// A sound wait that renders the duration through the loopback device instead of waiting
// for a clock: the tone, which sounds a lead after its statement, is heard for exactly as
// long as the statement waited, and `left` holds the lead's silence, then the tone.
// The device's clock is the frames rendered: where a tone is placed, whether a stop cuts
// it and how much of it is left are all judged on what was rendered, never on how long a
// busy machine took between two statements (a run under load once heard 98.95 Hz for a
// 200 Hz tone while the steady clock placed the tones).
class RenderingWait final : public runtime::SoundWait {
public:
    explicit RenderingWait(sound::AudioDevice& device);
    void waitout(std::chrono::milliseconds duration) override;
    bool endwait() override { return false; }
    bool iswaiting() const override { return false; }

    std::vector<float> left; //: everything rendered during waits, left channel
    int waits = 0;

private:
    sound::AudioDevice& device_;
};

// Renders a loopback device on a thread of its own at the pace of the wall clock: each
// wake-up renders the frames that the time since the start is owed, as a sound card
// consumes them. What it rendered, and when each piece was rendered, is kept.
class RealTimeRenderer {
public:
    // Wakes every `period`; with `updateFrames` it mixes in whole updates of that many
    // frames, each when the one before starts to play, as OpenAL mixes for a sound card.
    RealTimeRenderer(std::shared_ptr<sound::AudioDevice> device,
                     std::chrono::microseconds period = std::chrono::microseconds(1000),
                     size_t updateFrames = 0);
    ~RealTimeRenderer();
    RealTimeRenderer(const RealTimeRenderer&) = delete;
    RealTimeRenderer& operator=(const RealTimeRenderer&) = delete;

    // Stops rendering; returns the left channel of everything rendered.
    std::vector<float> stop();
    // When the piece holding a frame was rendered (after `stop`).
    std::chrono::steady_clock::time_point renderedAt(size_t frame) const;
    size_t framesSoFar() const { return frames_.load(); }
    // When frame 0 played: frame f plays f / rate seconds later.
    std::chrono::steady_clock::time_point startedAt() const { return start_; }
    // Blocks until `frames` frames have been rendered.
    void waitUntilRendered(size_t frames);

private:
    void run(std::chrono::microseconds period, size_t updateFrames);

    std::shared_ptr<sound::AudioDevice> device_;
    const std::chrono::steady_clock::time_point start_ = std::chrono::steady_clock::now();
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> frames_{0};
    std::mutex progressLock_;
    std::condition_variable progress_; //: told after every piece
    std::vector<float> left_;
    //: (first frame of a piece, when it was rendered), in order
    std::vector<std::pair<size_t, std::chrono::steady_clock::time_point>> pieces_;
    std::thread thread_;
};

} // namespace tov::testing
