// The samples of our bank.
#include "soundbank.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <string>

namespace tov::tools {
namespace {

constexpr double kFullScale = 32767.0;
// Four voices of a chord must add up without clipping, and a tone should sit below
// speech, which peaks near full scale: each voice stays under a quarter of full scale.
constexpr double kToneRms = 0.09;
constexpr double kTonePeak = 0.22;
constexpr double kBeepPeak = 0.22;
constexpr double kClickPeak = 0.30;

constexpr int kHarmonics = 8;
using Recipe = std::array<double, kHarmonics>; //: amplitude of harmonics 1 to 8

// Every harmonic is a sine starting at phase 0, so each period starts and ends at 0:
// the loop point and the start of a tone are free of clicks.
constexpr std::array<Recipe, kSoundNumberCount> kTimbres = {{
    {1.0},                                               // 0 pure
    {1.0, 0.12, 0.05},                                   // 1 soft flute
    {1.0, 0.0, 0.45, 0.0, 0.25, 0.0, 0.12},              // 2 clarinet: odd harmonics
    {1.0, 0.55, 0.0, 0.35, 0.0, 0.0, 0.0, 0.18},         // 3 organ: octaves
    {1.0, 0.0, -1.0 / 9, 0.0, 1.0 / 25, 0.0, -1.0 / 49}, // 4 mellow, nearly a triangle
    {1.0, 0.75, 0.55, 0.40, 0.28, 0.18, 0.10, 0.05},     // 5 bright reed
    {1.0, 0.0, 0.6, 0.0, 0.0, 0.3},                      // 6 hollow
    {0.6, 1.0, 0.7, 0.3, 0.15, 0.1},                     // 7 vowel "a"
    {1.0, 0.5, 0.33, 0.25, 0.2, 0.17, 0.14, 0.12},       // 8 string
    {1.0, 0.0, 0.0, 0.0, 0.6, 0.0, 0.0, 0.25},           // 9 chime
}};

int16_t toSample(double v)
{
    return static_cast<int16_t>(std::lround(std::clamp(v, -1.0, 1.0) * kFullScale));
}

std::vector<int16_t> toSamples(const std::vector<double>& wave, double peak)
{
    double max = 0.0;
    for (const double v : wave) {
        max = std::max(max, std::abs(v));
    }
    std::vector<int16_t> out;
    out.reserve(wave.size());
    for (const double v : wave) {
        out.push_back(toSample(max > 0.0 ? v * peak / max : 0.0));
    }
    return out;
}

// A raised-cosine ramp from 0 to 1 over `length` seconds.
double ramp(double t, double length)
{
    if (t >= length) {
        return 1.0;
    }
    return t <= 0.0 ? 0.0 : 0.5 - 0.5 * std::cos(std::numbers::pi * t / length);
}

std::vector<double> partials(double seconds, std::initializer_list<std::pair<double, double>> parts,
                             double attack, double decay, double release)
{
    const auto count = static_cast<size_t>(std::lround(seconds * kBankRate));
    std::vector<double> wave(count);
    for (size_t i = 0; i < count; ++i) {
        const double t = static_cast<double>(i) / kBankRate;
        double v = 0.0;
        for (const auto& [hz, amplitude] : parts) {
            v += amplitude * std::sin(2 * std::numbers::pi * hz * t);
        }
        const double envelope = ramp(t, attack) * (decay > 0.0 ? std::exp(-t / decay) : 1.0) *
                                ramp(seconds - t - 1.0 / kBankRate, release);
        wave[i] = v * envelope;
    }
    return wave;
}

BankItem item(std::string name, int32_t maxPlayingCount, std::vector<int16_t> samples)
{
    BankItem b;
    b.name = std::move(name);
    b.maxPlayingCount = maxPlayingCount;
    b.sampleRate = kBankRate;
    b.samples = std::move(samples);
    return b;
}

} // namespace

std::vector<int16_t> tonePeriod(int soundnumber)
{
    const Recipe& recipe = kTimbres.at(static_cast<size_t>(soundnumber));
    std::vector<double> wave(kTonePeriod);
    for (int i = 0; i < kTonePeriod; ++i) {
        double v = 0.0;
        for (int k = 0; k < kHarmonics; ++k) {
            v += recipe[k] * std::sin(2 * std::numbers::pi * (k + 1) * i / kTonePeriod);
        }
        wave[i] = v;
    }
    double sumSquares = 0.0;
    double max = 0.0;
    for (const double v : wave) {
        sumSquares += v * v;
        max = std::max(max, std::abs(v));
    }
    const double rms = std::sqrt(sumSquares / kTonePeriod);
    // Equal loudness where the peak allows it; a spiky timbre is held to the peak.
    const double scale = std::min(kToneRms / rms, kTonePeak / max);
    std::vector<int16_t> out;
    for (const double v : wave) {
        out.push_back(toSample(v * scale));
    }
    return out;
}

std::vector<BankItem> tovanaBank()
{
    std::vector<BankItem> bank;
    for (int voice = 1; voice <= kVoiceCount; ++voice) {
        for (int number = 0; number < kSoundNumberCount; ++number) {
            BankItem tone =
                item("snd" + std::to_string(voice) + std::to_string(number), 0, tonePeriod(number));
            tone.looped = true;
            bank.push_back(std::move(tone));
        }
    }
    // A soft two-partial warning of 100 ms that fades in and out.
    bank.push_back(item(
        "beep", 1,
        toSamples(partials(0.100, {{880.0, 1.0}, {1760.0, 0.2}, {2640.0, 0.06}}, 0.005, 0.0, 0.040),
                  kBeepPeak)));
    // A light, high tick of 4 ms for the input line's edges ...
    bank.push_back(
        item("click2", 1,
             toSamples(partials(0.004, {{2400.0, 1.0}, {4100.0, 0.3}}, 0.0002, 0.0008, 0.001),
                       kClickPeak)));
    // ... and a lower, woody knock of 8 ms for the review window's.
    bank.push_back(
        item("click16", 1,
             toSamples(partials(0.008, {{950.0, 1.0}, {1900.0, 0.4}}, 0.0003, 0.002, 0.002),
                       kClickPeak)));
    return bank;
}

} // namespace tov::tools
