// The library and the cues through real OpenAL, rendered by a loopback device and
// measured: the frequency, length, level and balance of what would have been heard.
#include "bank_helpers.h"
#include "doubles/doubles.h"
#include "measure.h"

#include "common/tov_error.h"
#include "runtime/soundcues.h"
#include "sound/openalplatform.h"
#include "sound/sounddevice.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

namespace tov::testing {
namespace {

using namespace std::chrono_literals;
using sound::Wait;

constexpr float kSilence = 1e-4f;

struct Loopback : LoopbackSounds {
    explicit Loopback(const std::filesystem::path& bank = TOVANA_SOUNDS_DAT) : LoopbackSounds(bank)
    {
    }
    void sound(std::initializer_list<double> tones, double number, double duration)
    {
        const std::vector<double> t(tones);
        cues.sound(t, number, duration);
    }
    // What was heard from `fromMs` to `toMs` after the tone began: where the rendering
    // shows it beginning, so a tone placed anywhere else is measured as it sounded.
    std::span<const float> heard(double fromMs, double toMs) const
    {
        const auto span = soundingSpan(wait.left, kSilence);
        const size_t begin = span ? span->first : wait.left.size();
        const auto from =
            std::min(wait.left.size(), begin + static_cast<size_t>(fromMs * kLoopbackRate / 1000));
        const auto to =
            std::min(wait.left.size(), begin + static_cast<size_t>(toMs * kLoopbackRate / 1000));
        return std::span<const float>(wait.left).subspan(from, to - from);
    }

    runtime::SoundStatementState state;
    RenderingWait wait{*audio};
    runtime::SoundCues cues{list.Waves(), state, wait};
};

TEST(Loopback, A440ToneSoundsAt440HzForItsDurationThenStops)
{
    Loopback l;
    l.sound({440}, 1, 100);
    const double hz = dominantFrequency(l.heard(5, 95), kLoopbackRate, 100, 2000);
    EXPECT_NEAR(hz, 440.0, 440.0 * 0.005);
    const auto span = soundingSpan(l.wait.left, kSilence);
    ASSERT_TRUE(span);
    EXPECT_NEAR(span->milliseconds(kLoopbackRate), 100.0, 1.0);
    EXPECT_LE(peak(renderLeft(*l.audio, 4410)), kSilence) << "silent after the statement";
}

TEST(Loopback, TheCapitalCueAndTheFallingToneSoundAtTheirFrequencies)
{
    Loopback l;
    l.sound({2000}, 1, 40);
    EXPECT_NEAR(dominantFrequency(l.heard(2, 38), kLoopbackRate, 100, 5000), 2000.0, 10.0);
    l.wait.left.clear();
    l.sound({200}, 1, 100);
    EXPECT_NEAR(dominantFrequency(l.heard(5, 95), kLoopbackRate, 100, 2000), 200.0, 1.0);
}

TEST(Loopback, TwoTonesCarryBothFrequencies)
{
    Loopback l;
    l.sound({300, 450}, 5, 100);
    const auto heard = l.heard(5, 95);
    const double at300 = magnitudeAt(heard, kLoopbackRate, 300);
    const double at450 = magnitudeAt(heard, kLoopbackRate, 450);
    // Between the two tones and their harmonics there is nothing.
    const double between =
        std::max(magnitudeAt(heard, kLoopbackRate, 375), magnitudeAt(heard, kLoopbackRate, 525));
    EXPECT_GT(at300, 10 * between);
    EXPECT_GT(at450, 10 * between);
    EXPECT_NEAR(dominantFrequency(heard, kLoopbackRate, 250, 350), 300.0, 1.5);
    EXPECT_NEAR(dominantFrequency(heard, kLoopbackRate, 400, 500), 450.0, 2.25);
}

TEST(Loopback, ARestPlaysTheToneAt128HzPlaybackRate)
{
    Loopback l;
    l.sound({0}, 1, 100);
    // At 128 Hz the 64-sample period becomes a 2 Hz wave: 100 ms cover a fifth of it. Fit
    // the item's own samples, stretched by candidate rates, to what was rendered.
    const auto& wave = l.list.Waves().find("snd11").Wave.data;
    std::vector<double> table;
    for (size_t i = 0; i + 1 < wave.size(); i += 2) {
        table.push_back(static_cast<int16_t>(wave[i] | (wave[i + 1] << 8)));
    }
    const auto heard = l.heard(0, 100);
    auto residual = [&](double rate) {
        std::vector<double> model(heard.size());
        double ym = 0.0;
        double mm = 0.0;
        for (size_t n = 256; n < heard.size(); ++n) {
            const double pos = std::fmod(n * rate / kLoopbackRate, 64.0);
            const auto i = static_cast<size_t>(pos);
            const double frac = pos - i;
            model[n] = table[i] + (table[(i + 1) % 64] - table[i]) * frac;
            ym += heard[n] * model[n];
            mm += model[n] * model[n];
        }
        const double gain = ym / mm;
        double r = 0.0;
        for (size_t n = 256; n < heard.size(); ++n) {
            r += std::pow(heard[n] - gain * model[n], 2);
        }
        return r;
    };
    double best = 0.0;
    double bestResidual = INFINITY;
    for (double rate = 64; rate <= 512; rate += 0.5) {
        const double r = residual(rate);
        if (r < bestResidual) {
            bestResidual = r;
            best = rate;
        }
    }
    EXPECT_NEAR(best, 128.0, 128.0 * 0.03);
    EXPECT_GT(rms(heard), 1e-3) << "the rest is played, not skipped";
}

TEST(Loopback, MinusTwoThousandIsTwentyDecibelsDown)
{
    Loopback l;
    l.sound({440}, 1, 100);
    const double full = rms(l.heard(10, 90));
    l.wait.left.clear();
    l.cues.settings().sndvolume = -2000;
    l.sound({440}, 1, 100);
    const double down = rms(l.heard(10, 90));
    EXPECT_NEAR(20 * std::log10(full / down), 20.0, 0.5);
    l.wait.left.clear();
    l.cues.settings().sndvolume = -10000;
    l.sound({440}, 1, 100);
    EXPECT_LE(peak(l.wait.left), kSilence) << "-10000 is silence";
}

TEST(Loopback, WithTheSoundsOffThereIsNoSoundAndNoWait)
{
    Loopback l;
    l.cues.settings().tovanasounds = false;
    l.sound({440}, 1, 1000);
    l.cues.beep();
    l.cues.click(2);
    EXPECT_EQ(l.wait.waits, 0) << "the statement did not wait";
    for (const char* cue : {"beep", "click2"}) {
        EXPECT_EQ(l.list.Waves().find(cue).extrabuffercount(), 0u) << cue << " was never played";
    }
    EXPECT_LE(peak(renderLeft(*l.audio, 4410)), kSilence);
}

TEST(Loopback, ARejectedFrequencyLeavesTheToneAsItWas)
{
    Loopback l;
    l.sound({440}, 1, 10);
    l.wait.left.clear();
    l.sound({1}, 1, 100); // 64 Hz: below what a buffer takes
    EXPECT_NEAR(dominantFrequency(l.heard(5, 95), kLoopbackRate, 100, 2000), 440.0, 2.2);
}

TEST(Loopback, PanPutsTheToneOnOneSide)
{
    Loopback l;
    auto& tone = l.list.Waves().find("snd11");
    tone.setfrequency(28160);
    auto balance = [&](int32_t pan) {
        tone.setpan(pan);
        tone.play(Wait::No);
        std::vector<float> stereo(4410 * 2);
        l.audio->render(stereo);
        tone.stop();
        double left = 0.0;
        double right = 0.0;
        for (size_t i = 441; i < 4410; ++i) {
            left += stereo[2 * i] * stereo[2 * i];
            right += stereo[2 * i + 1] * stereo[2 * i + 1];
        }
        return std::pair{std::sqrt(left), std::sqrt(right)};
    };
    const auto [cl, cr] = balance(sound::kPanCentre);
    EXPECT_NEAR(cl, cr, cl * 0.01);
    const auto [ll, lr] = balance(sound::kPanLeft);
    EXPECT_GT(ll, 0.0);
    EXPECT_LT(lr, ll * 0.01);
    const auto [rl, rr] = balance(sound::kPanRight);
    EXPECT_LT(rl, rr * 0.01);
}

TEST(Loopback, OverlappingPlaysSoundTogetherFromOneBuffer)
{
    TempDir dir;
    auto item = waveItem("long", false, 0, 22050, 0);
    for (size_t i = 0; i < item.samples.size(); ++i) {
        item.samples[i] =
            static_cast<int16_t>(8000 * std::sin(2 * std::numbers::pi * 300 * i / 22050.0));
    }
    const auto bytes = bankOf({item});
    dir.write("bank.dat",
              std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    Loopback l(dir / "bank.dat");
    auto& wave = l.list.Waves().find("long");
    wave.play(Wait::No);
    const double one = rms(renderLeft(*l.audio, 4410));
    // A second play 100 ms later, exactly a whole number of periods: the voices add up.
    wave.play(Wait::No);
    const double two = rms(renderLeft(*l.audio, 4410));
    EXPECT_EQ(wave.extrabuffercount(), 2u);
    EXPECT_NEAR(two / one, 2.0, 0.1);
}

TEST(Loopback, AWaitingPlayEndsWithItsSoundWhenTheDeviceRendersInRealTime)
{
    Loopback l;
    RealTimeRenderer renderer(l.audio);
    l.cues.beep();
    const size_t renderedAtReturn = renderer.framesSoFar();
    EXPECT_FALSE(l.list.Waves().find("beep").extrabuffer(0).isplaying())
        << "it returned when the beep had ended, not at the bound";
    const auto heard = renderer.stop();
    const auto span = soundingSpan(heard, kSilence);
    ASSERT_TRUE(span);
    EXPECT_NEAR(span->milliseconds(kLoopbackRate), 100.0, 10.0);
    EXPECT_GE(renderedAtReturn, span->last) << "nor before the whole beep was heard";
    EXPECT_LT(peak(heard), 0.5f);
}

TEST(Loopback, AWaitingPlayDoesNotHangOnADeviceThatStopsRendering)
{
    // Nobody renders: the click never ends, and the wait gives up after about the
    // click's length and a margin (half a second), not never. The ceiling is generous:
    // what is caught is a wait without a bound.
    Loopback l;
    const auto start = std::chrono::steady_clock::now();
    l.cues.click(16);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10s);
    EXPECT_TRUE(l.list.Waves().find("click16").extrabuffer(0).isplaying());
}

// ---------------------------------------------------------------------------------------
// The cues on a sound card of the default kind: OpenAL mixes in updates of 1024 frames
// (23.2 ms), and a tone must still last what it asks for, to the sample, wherever in an
// update its statement comes and however late the timer ticks.

constexpr int kDefaultUpdate = 1024;

int64_t framesOf(double ms)
{
    return static_cast<int64_t>(ms * kLoopbackRate / 1000);
}

struct CardLoopback {
    CardLoopback()
    {
        list.setdevice(&device);
        device.initsound();
        list.Waves().loadbank(TOVANA_SOUNDS_DAT);
    }
    void sound(const std::vector<double>& tones, double number, double duration)
    {
        cues.sound(tones, number, duration);
    }

    std::shared_ptr<sound::AudioDevice> audio = sound::AudioDevice::acquireLoopback(kLoopbackRate);
    sound::TSoundDevice device{[this] { return sound::openOpenAlPlatform(audio); }};
    sound::TWaveList list;
    runtime::SoundStatementState state;
    SoundCardWait card{audio, kDefaultUpdate};
    runtime::SoundCues cues{list.Waves(), state, card};
};

struct Statement {
    std::vector<double> tones;
    double number;
    double duration;
};

std::vector<Statement> fallingTone()
{
    std::vector<Statement> fall;
    for (int pitch = 1000; pitch >= 200; pitch -= 20) {
        fall.push_back({{double(pitch)}, 1, 10});
    }
    return fall;
}

struct CueRow {
    const char* description;
    std::vector<Statement> statements;
    int64_t phase;                 //: frames into an update where the first statement comes
    std::vector<int64_t> lateness; //: frames each wait's tick comes late, in turn
};

TEST(DefaultMixing, EveryCueLastsWhatItAsksForToTwoMilliseconds)
{
    const std::vector<CueRow> rows = {
        {"the capital cue", {{{2000}, 1, 20}}, 0, {}},
        {"the capital cue in the middle of an update", {{{2000}, 1, 20}}, 700, {}},
        {"a rising pair", {{{400}, 1, 50}, {{600}, 1, 50}}, 300, {}},
        {"a falling pair, the timer 3 ms late",
         {{{600}, 1, 50}, {{400}, 1, 50}},
         1000,
         {framesOf(3)}},
        {"the volume feedback", {{{1000}, 1, 100}}, 512, {}},
        {"the falling tone", fallingTone(), 0, {}},
        {"the falling tone, each tick 0.3 ms late", fallingTone(), 900, {13}},
        {"the falling tone, ticks up to 4 ms late", fallingTone(), 77, {0, 44, 176, 13, 88, 0}},
    };
    for (const CueRow& row : rows) {
        SCOPED_TRACE(row.description);
        CardLoopback l;
        l.card.lateness = row.lateness;
        l.card.advance(row.phase);
        std::vector<double> expected;
        for (const Statement& s : row.statements) {
            l.sound(s.tones, s.number, s.duration);
            expected.push_back(s.tones.front());
        }
        l.card.advance(3 * kDefaultUpdate); // the last tone's update, and silence after
        const auto steps = toneSteps(l.card.left, kLoopbackRate, expected);
        ASSERT_EQ(steps.size(), row.statements.size()) << "every tone heard, once";
        for (size_t i = 0; i < steps.size(); ++i) {
            SCOPED_TRACE(i);
            EXPECT_EQ(steps[i].hz, expected[i]);
            EXPECT_NEAR(steps[i].milliseconds(kLoopbackRate), row.statements[i].duration, 2.0);
        }
        EXPECT_LE(peak(std::span<const float>(l.card.left).last(kDefaultUpdate)), kSilence)
            << "silent after the last tone";
    }
}

TEST(DefaultMixing, TheSwitchTonesLastFiftyMillisecondsEach)
{
    // Sound number 3's organ timbre crosses zero too often to be split by its periods: a
    // tick 8 ms late leaves a silence between the two tones, and each is measured whole.
    for (const int64_t phase : {0, 400, 900}) {
        SCOPED_TRACE(phase);
        CardLoopback l;
        l.card.advance(phase);
        l.card.lateness = {framesOf(8)};
        l.sound({400}, 3, 50);
        l.sound({600}, 3, 50);
        l.card.advance(3 * kDefaultUpdate);
        const auto regions = soundingRegions(l.card.left, kLoopbackRate);
        ASSERT_EQ(regions.size(), 2u);
        for (const auto& [first, end] : regions) {
            EXPECT_NEAR((end - first) * 1000.0 / kLoopbackRate, 50.0, 2.0);
        }
        EXPECT_NEAR(dominantFrequency(
                        std::span<const float>(l.card.left).subspan(regions[0].first, framesOf(40)),
                        kLoopbackRate, 300, 700),
                    400.0, 4.0);
    }
}

TEST(DefaultMixing, ATimerThatTicksALittleLateStillJoinsTheStepsWithoutAGap)
{
    // A tick late at every step must not add up: after twenty steps 0.3 ms late the next
    // would be 6 ms behind its tone and could no longer join on.
    const std::vector<std::pair<const char*, std::vector<int64_t>>> rows = {
        {"on time", {}},
        {"each tick 0.3 ms late", {13}},
        {"each tick 0.9 ms late", {40}},
        {"ticks up to 4 ms late", {0, 44, 176, 13, 88, 0}},
    };
    for (const auto& [description, lateness] : rows) {
        for (const int64_t phase : {0, 640, 1000}) {
            SCOPED_TRACE(std::string(description) + ", phase " + std::to_string(phase));
            CardLoopback l;
            l.card.lateness = lateness;
            l.card.advance(phase);
            for (const Statement& s : fallingTone()) {
                l.sound(s.tones, s.number, s.duration);
            }
            l.card.advance(3 * kDefaultUpdate);
            const auto regions = soundingRegions(l.card.left, kLoopbackRate);
            ASSERT_EQ(regions.size(), 1u) << "no gap between the steps";
            EXPECT_NEAR((regions[0].second - regions[0].first) * 1000.0 / kLoopbackRate, 410.0,
                        0.5);
        }
    }
}

TEST(DefaultMixing, AToneStartsWhereItsStatementCameWithinAnUpdate)
{
    // The same tone asked for at four places in an update is heard at the same distance
    // from where it was asked for: not pulled to the update's start.
    std::vector<int64_t> delays;
    for (const int64_t phase : {0, 256, 517, 1000}) {
        SCOPED_TRACE(phase);
        CardLoopback l;
        l.card.advance(2 * kDefaultUpdate + phase);
        const int64_t asked = l.card.now();
        const size_t before = l.card.left.size();
        l.sound({440}, 1, 30);
        l.card.advance(3 * kDefaultUpdate);
        const auto span =
            soundingSpan(std::span<const float>(l.card.left).subspan(before), kSilence);
        ASSERT_TRUE(span);
        delays.push_back(static_cast<int64_t>(before + span->first) - asked);
    }
    for (const int64_t d : delays) {
        EXPECT_NEAR(static_cast<double>(d), static_cast<double>(delays.front()), 5.0);
        EXPECT_GE(d, 0) << "no tone is heard before it is asked for";
        EXPECT_LE(d, kDefaultUpdate + framesOf(sound::kTimedLead.count()) + 2)
            << "nor more than an update and the lead after";
    }
}

TEST(DefaultMixing, AChordOfFourVoicesLastsItsRecordsDurationWithAllVoicesTogether)
{
    CardLoopback l;
    l.card.advance(333);
    // Two records of the death tune; the wait after each ends 30 ms late, so each chord
    // stands alone between silences.
    l.card.lateness = {framesOf(30)};
    l.sound({523, 659, 784, 1046}, 3, 120);
    l.sound({392, 494, 587, 784}, 3, 80);
    l.card.advance(3 * kDefaultUpdate);
    const std::span<const float> all(l.card.left);
    const auto first = soundingSpan(all, kSilence);
    ASSERT_TRUE(first);
    const size_t firstEnd = first->first + static_cast<size_t>(framesOf(120));
    const auto chord1 = soundingSpan(all.subspan(first->first, framesOf(135)), kSilence);
    const auto chord2 = soundingSpan(all.subspan(firstEnd + framesOf(15)), kSilence);
    ASSERT_TRUE(chord1);
    ASSERT_TRUE(chord2);
    EXPECT_NEAR(chord1->milliseconds(kLoopbackRate), 120.0, 5.0);
    EXPECT_NEAR(chord2->milliseconds(kLoopbackRate), 80.0, 5.0);
    // All four voices are in the chord from its first milliseconds.
    const auto opening = all.subspan(first->first, framesOf(20));
    for (const double hz : {523.0, 659.0, 784.0, 1046.0}) {
        EXPECT_GT(magnitudeAt(opening, kLoopbackRate, hz), 0.02) << hz;
    }
}

TEST(DefaultMixing, AKeyThatEndsTheWaitCutsTheToneAtTheNextUpdate)
{
    CardLoopback l;
    l.card.advance(100);
    l.card.lateness = {-framesOf(970)}; // a key after 30 ms of a 1000 ms wait
    l.sound({440}, 1, 1000);
    l.card.advance(3 * kDefaultUpdate);
    const auto span = soundingSpan(l.card.left, kSilence);
    ASSERT_TRUE(span);
    // The cut takes effect at the next update not yet mixed: up to an update either way.
    const double update = 1000.0 * kDefaultUpdate / kLoopbackRate;
    EXPECT_GE(span->milliseconds(kLoopbackRate), 30.0 - update - 1.0);
    EXPECT_LE(span->milliseconds(kLoopbackRate), 30.0 + update + 1.0);
}

} // namespace
} // namespace tov::testing
