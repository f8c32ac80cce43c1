// Measuring rendered audio; rendering a loopback device by wall clock.
#include "measure.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace tov::testing {

double rms(std::span<const float> samples)
{
    double sum = 0.0;
    for (const float s : samples) {
        sum += double(s) * s;
    }
    return samples.empty() ? 0.0 : std::sqrt(sum / samples.size());
}

float peak(std::span<const float> samples)
{
    float p = 0.0f;
    for (const float s : samples) {
        p = std::max(p, std::abs(s));
    }
    return p;
}

double magnitudeAt(std::span<const float> samples, double rate, double hz)
{
    const size_t n = samples.size();
    double re = 0.0;
    double im = 0.0;
    for (size_t i = 0; i < n; ++i) {
        const double window = 0.5 - 0.5 * std::cos(2 * std::numbers::pi * i / (n - 1));
        const double phase = 2 * std::numbers::pi * hz * i / rate;
        re += samples[i] * window * std::cos(phase);
        im -= samples[i] * window * std::sin(phase);
    }
    return std::sqrt(re * re + im * im) * 4.0 / n; // a sine of amplitude a gives about a
}

double dominantFrequency(std::span<const float> samples, double rate, double lo, double hi)
{
    auto best = [&](double from, double to, double step) {
        double bestHz = from;
        double bestMagnitude = -1.0;
        for (double hz = from; hz <= to; hz += step) {
            const double m = magnitudeAt(samples, rate, hz);
            if (m > bestMagnitude) {
                bestMagnitude = m;
                bestHz = hz;
            }
        }
        return bestHz;
    };
    const double coarse = best(lo, hi, 1.0);
    const double fine = best(coarse - 1.0, coarse + 1.0, 0.05);
    return best(fine - 0.05, fine + 0.05, 0.01);
}

std::optional<SoundingSpan> soundingSpan(std::span<const float> samples, float threshold)
{
    std::optional<SoundingSpan> span;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            if (!span) {
                span = SoundingSpan{i, i};
            }
            span->last = i;
        }
    }
    return span;
}

std::vector<float> renderLeft(sound::AudioDevice& device, size_t frames)
{
    std::vector<float> stereo(frames * 2);
    device.render(stereo);
    std::vector<float> left(frames);
    for (size_t i = 0; i < frames; ++i) {
        left[i] = stereo[2 * i];
    }
    return left;
}

void RenderingWait::waitout(std::chrono::milliseconds duration)
{
    ++waits;
    const auto frames = static_cast<size_t>(duration.count()) * device_.frequency() / 1000;
    const auto rendered = renderLeft(device_, frames);
    left.insert(left.end(), rendered.begin(), rendered.end());
}

RealTimeRenderer::RealTimeRenderer(std::shared_ptr<sound::AudioDevice> device,
                                   std::chrono::microseconds period)
    : device_(std::move(device))
{
    thread_ = std::thread([this, period] { run(period); });
}

RealTimeRenderer::~RealTimeRenderer()
{
    stop();
}

void RealTimeRenderer::run(std::chrono::microseconds period)
{
    const double rate = device_->frequency();
    const auto start = std::chrono::steady_clock::now();
    auto wake = start;
    size_t rendered = 0;
    while (!stopping_.load()) {
        wake += period;
        std::this_thread::sleep_until(wake);
        const auto now = std::chrono::steady_clock::now();
        const auto owed =
            static_cast<size_t>(std::chrono::duration<double>(now - start).count() * rate);
        if (owed <= rendered) {
            continue;
        }
        const auto piece = renderLeft(*device_, owed - rendered);
        pieces_.emplace_back(rendered, std::chrono::steady_clock::now());
        left_.insert(left_.end(), piece.begin(), piece.end());
        rendered = owed;
        frames_.store(rendered);
    }
}

std::vector<float> RealTimeRenderer::stop()
{
    if (thread_.joinable()) {
        stopping_.store(true);
        thread_.join();
    }
    return left_;
}

std::chrono::steady_clock::time_point RealTimeRenderer::renderedAt(size_t frame) const
{
    auto it = std::upper_bound(pieces_.begin(), pieces_.end(), frame,
                               [](size_t f, const auto& piece) { return f < piece.first; });
    return it == pieces_.begin() ? pieces_.front().second : std::prev(it)->second;
}

} // namespace tov::testing
