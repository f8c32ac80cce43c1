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

std::vector<std::pair<size_t, size_t>> soundingRegions(std::span<const float> samples, double rate)
{
    const float threshold = peak(samples) * 0.02f;
    const auto gap = static_cast<size_t>(rate / 2000);
    std::vector<std::pair<size_t, size_t>> regions;
    if (threshold <= 0.0f) {
        return regions;
    }
    std::optional<size_t> start;
    size_t last = 0;
    for (size_t i = 0; i < samples.size(); ++i) {
        if (std::abs(samples[i]) > threshold) {
            if (!start) {
                start = i;
            } else if (i - last > gap) {
                regions.emplace_back(*start, last + 1);
                start = i;
            }
            last = i;
        }
    }
    if (start) {
        regions.emplace_back(*start, last + 1);
    }
    return regions;
}

std::vector<ToneStep> toneSteps(std::span<const float> samples, double rate,
                                std::span<const double> expectedHz, double toleranceHz)
{
    auto nearest = [&](double hz) -> std::optional<double> {
        std::optional<double> best;
        for (const double e : expectedHz) {
            if (std::abs(e - hz) <= toleranceHz &&
                (!best || std::abs(e - hz) < std::abs(*best - hz))) {
                best = e;
            }
        }
        return best;
    };
    std::vector<ToneStep> steps;
    for (const auto& [begin, end] : soundingRegions(samples, rate)) {
        // A tone that starts out of silence rising starts on a crossing: a lone step of
        // two periods (10 ms of 200 Hz) has only one crossing inside it.
        std::vector<double> crossings;
        for (size_t i = begin + 1; i < end; ++i) {
            const double a = samples[i - 1];
            const double b = samples[i];
            if (a < 0.0 && b >= 0.0) {
                crossings.push_back(double(i - 1) + (-a / (b - a)));
            }
        }
        if (begin + 1 < end && samples[begin] > 0.0f && samples[begin + 1] > samples[begin] &&
            (crossings.empty() || crossings.front() - double(begin) > 2.0)) {
            // Where the first rise, drawn back, meets zero.
            const double rise = samples[begin + 1] - samples[begin];
            crossings.insert(crossings.begin(), double(begin) - samples[begin] / rise);
        }
        struct Period {
            double from, to;
            std::optional<double> hz;
        };
        std::vector<Period> periods;
        for (size_t k = 0; k + 1 < crossings.size(); ++k) {
            periods.push_back({crossings[k], crossings[k + 1],
                               nearest(rate / (crossings[k + 1] - crossings[k]))});
        }
        std::optional<ToneStep> current;
        for (size_t k = 0; k < periods.size(); ++k) {
            const Period& p = periods[k];
            if (p.hz && current && *p.hz == current->hz) {
                continue;
            }
            if (p.hz && !current) {
                // A region begins with a tone that starts on its rising crossing.
                current = ToneStep{*p.hz, k == 0 ? double(begin) : p.from, 0.0};
                continue;
            }
            if (p.hz) {
                current->end = p.from;
                steps.push_back(*current);
                current = ToneStep{*p.hz, p.from, 0.0};
                continue;
            }
            std::optional<double> following;
            for (size_t n = k + 1; n < periods.size() && !following; ++n) {
                following = periods[n].hz;
            }
            if (!current || !following || *following == current->hz) {
                continue;
            }
            const double fa = current->hz / rate;
            const double fb = *following / rate;
            const double boundary =
                std::clamp(p.from + (1.0 - fb * (p.to - p.from)) / (fa - fb), p.from, p.to);
            current->end = boundary;
            steps.push_back(*current);
            current = ToneStep{*following, boundary, 0.0};
        }
        if (current) {
            current->end = double(end);
            steps.push_back(*current);
        }
    }
    return steps;
}

SoundCardWait::SoundCardWait(std::shared_ptr<sound::AudioDevice> device, int updateFrames)
    : device_(std::move(device)), updateFrames_(updateFrames)
{
    const int rate = device_->frequency();
    // Far from the steady clock's epoch, so that no frame count is ever negative.
    const auto epoch = std::chrono::steady_clock::time_point(std::chrono::hours(1));
    device_->setWallClock([this, rate, epoch] {
        return epoch + std::chrono::nanoseconds(now_ * 1'000'000'000 / rate);
    });
    advance(0);
    // The program's device looks at the clocks right after an update when it opens.
    device_->scheduleFrame();
}

SoundCardWait::~SoundCardWait()
{
    device_->setWallClock({});
}

void SoundCardWait::advance(int64_t frames)
{
    const int64_t until = now_ + frames;
    // A card mixes an update ahead, when the previous one starts to play.
    while (mixed_ <= until) {
        now_ = mixed_;
        const auto piece = renderLeft(*device_, static_cast<size_t>(updateFrames_));
        left.insert(left.end(), piece.begin(), piece.end());
        mixed_ += updateFrames_;
    }
    now_ = until;
}

void SoundCardWait::waitout(std::chrono::milliseconds duration)
{
    int64_t frames = duration.count() * device_->frequency() / 1000;
    if (!lateness.empty()) {
        frames += lateness[waits_ % lateness.size()];
    }
    ++waits_;
    advance(frames);
}

LoopbackSounds::LoopbackSounds(const std::filesystem::path& bank)
{
    list.setdevice(&device);
    device.initsound();
    list.Waves().loadbank(bank);
}

RenderingWait::RenderingWait(sound::AudioDevice& device) : device_(device)
{
    device_.setWallClock([&device] {
        return std::chrono::steady_clock::time_point(
            std::chrono::microseconds(device.mixedFrames() * 1'000'000 / device.frequency()));
    });
}

void RenderingWait::waitout(std::chrono::milliseconds duration)
{
    ++waits;
    const auto frames =
        static_cast<size_t>((duration + sound::kTimedLead).count()) * device_.frequency() / 1000;
    const auto rendered = renderLeft(device_, frames);
    left.insert(left.end(), rendered.begin(), rendered.end());
}

RealTimeRenderer::RealTimeRenderer(std::shared_ptr<sound::AudioDevice> device,
                                   std::chrono::microseconds period, size_t updateFrames)
    : device_(std::move(device))
{
    thread_ = std::thread([this, period, updateFrames] { run(period, updateFrames); });
}

RealTimeRenderer::~RealTimeRenderer()
{
    stop();
}

void RealTimeRenderer::run(std::chrono::microseconds period, size_t updateFrames)
{
    const double rate = device_->frequency();
    const auto start = start_;
    auto wake = start;
    size_t rendered = 0;
    while (!stopping_.load()) {
        const auto now = std::chrono::steady_clock::now();
        auto owed = static_cast<size_t>(std::chrono::duration<double>(now - start).count() * rate);
        if (updateFrames > 0) {
            // Up to the end of the update that is playing now.
            owed = (owed / updateFrames + 1) * updateFrames;
        }
        if (owed <= rendered) {
            wake += period;
            std::this_thread::sleep_until(wake);
            continue;
        }
        const auto piece = renderLeft(*device_, owed - rendered);
        pieces_.emplace_back(rendered, std::chrono::steady_clock::now());
        left_.insert(left_.end(), piece.begin(), piece.end());
        rendered = owed;
        {
            const std::lock_guard guard(progressLock_);
            frames_.store(rendered);
        }
        progress_.notify_all();
    }
}

void RealTimeRenderer::waitUntilRendered(size_t frames)
{
    std::unique_lock guard(progressLock_);
    progress_.wait(guard, [&] { return frames_.load() >= frames; });
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
