// Measuring rendered audio, and driving an OpenAL loopback device the way a sound card
// drives a real one: the tools of the tests that listen to what the library plays.
#pragma once

#include "runtime/soundcues.h"
#include "sound/audiodevice.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <memory>
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

// Renders `frames` frames and returns the left channel.
std::vector<float> renderLeft(sound::AudioDevice& device, size_t frames);

// A sound wait that renders the duration through the loopback device instead of waiting
// for a clock: the tone is heard for exactly as long as the statement waited.
class RenderingWait final : public runtime::SoundWait {
public:
    explicit RenderingWait(sound::AudioDevice& device) : device_(device) {}
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
    RealTimeRenderer(std::shared_ptr<sound::AudioDevice> device,
                     std::chrono::microseconds period = std::chrono::microseconds(1000));
    ~RealTimeRenderer();
    RealTimeRenderer(const RealTimeRenderer&) = delete;
    RealTimeRenderer& operator=(const RealTimeRenderer&) = delete;

    // Stops rendering; returns the left channel of everything rendered.
    std::vector<float> stop();
    // When the piece holding a frame was rendered (after `stop`).
    std::chrono::steady_clock::time_point renderedAt(size_t frame) const;
    size_t framesSoFar() const { return frames_.load(); }

private:
    void run(std::chrono::microseconds period);

    std::shared_ptr<sound::AudioDevice> device_;
    std::atomic<bool> stopping_{false};
    std::atomic<size_t> frames_{0};
    std::vector<float> left_;
    //: (first frame of a piece, when it was rendered), in order
    std::vector<std::pair<size_t, std::chrono::steady_clock::time_point>> pieces_;
    std::thread thread_;
};

} // namespace tov::testing
