// The main window's timer as `sound` waits on it, under Qt's offscreen platform: the wait
// lasts its duration, a key press ends it, a zero duration waits for the key, it burns no
// CPU, and a tone played through OpenAL lasts as long as asked.
#include "measure.h"

#include "runtime/soundcues.h"
#include "shell/soundtimer.h"
#include "sound/openalplatform.h"
#include "sound/sounddevice.h"

#include <QCoreApplication>
#include <QTimer>

#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

namespace tov::shell {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

QCoreApplication& application()
{
    static int argc = 1;
    static char name[] = "soundtimer_tests";
    static char* argv[] = {name, nullptr};
    static QCoreApplication app(argc, argv);
    return app;
}

std::chrono::nanoseconds threadCpu()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return std::chrono::seconds(t.tv_sec) + std::chrono::nanoseconds(t.tv_nsec);
}

// The machine is shared: a wake-up that the scheduler delays is not the timer's fault. A
// timing is taken up to three times and the one closest to what was asked counts; a
// timer that is off by itself (a coarse one, say) is off every time.
template <class Measure>
double closestOfThree(double expected, double tolerance, Measure measure)
{
    double best = measure();
    for (int attempt = 1; attempt < 3 && std::abs(best - expected) > tolerance; ++attempt) {
        const double again = measure();
        if (std::abs(again - expected) < std::abs(best - expected)) {
            best = again;
        }
    }
    return best;
}

double msSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs `what` on the GUI thread after `delay`, as a key event would arrive.
void later(std::chrono::milliseconds delay, std::function<void()> what)
{
    QTimer::singleShot(delay, Qt::PreciseTimer, &application(), std::move(what));
}

class SoundTimerTest : public ::testing::Test {
protected:
    void SetUp() override { application(); }
    SoundTimer timer;
};

TEST_F(SoundTimerTest, TheWaitLastsItsDurationOnAPreciseTimer)
{
    EXPECT_EQ(timer.Timer().timerType(), Qt::PreciseTimer);
    for (const double duration : {100.0, 20.0, 10.0}) {
        SCOPED_TRACE(duration);
        const double waited = closestOfThree(duration + 2.0, 2.0, [&] {
            const auto start = Clock::now();
            timer.waitout(std::chrono::milliseconds(static_cast<int>(duration)));
            return msSince(start);
        });
        EXPECT_GE(waited, duration);
        EXPECT_LT(waited, duration + 5.0);
        EXPECT_FALSE(timer.iswaiting());
        EXPECT_FALSE(timer.Timer().isActive()) << "the tick stops the timer";
    }
}

TEST_F(SoundTimerTest, AKeyPressEndsTheWaitAtOnce)
{
    bool ended = false;
    later(30ms, [&] { ended = timer.endwait(); });
    const auto start = Clock::now();
    timer.waitout(2000ms);
    const auto waited = Clock::now() - start;
    EXPECT_TRUE(ended);
    EXPECT_LT(waited, 100ms);
    EXPECT_FALSE(timer.Timer().isActive());
    EXPECT_FALSE(timer.endwait()) << "no wait left to end";
}

TEST_F(SoundTimerTest, AZeroDurationWaitsForAKeyWithoutATimer)
{
    bool timerRan = true;
    later(50ms, [&] {
        timerRan = timer.Timer().isActive();
        timer.endwait();
    });
    const auto start = Clock::now();
    timer.waitout(0ms);
    EXPECT_GE(Clock::now() - start, 45ms);
    EXPECT_FALSE(timerRan);
}

TEST_F(SoundTimerTest, ANestedSoundEndsTheOuterWaitWithItsOwnTick)
{
    later(20ms, [&] { timer.waitout(50ms); });
    const auto start = Clock::now();
    timer.waitout(1000ms);
    const auto waited = Clock::now() - start;
    EXPECT_GE(waited, 65ms);
    EXPECT_LT(waited, 200ms);
}

TEST_F(SoundTimerTest, WaitingBurnsNoCpu)
{
    const auto cpu = threadCpu();
    timer.waitout(300ms);
    EXPECT_LT(threadCpu() - cpu, 10ms);
}

// The whole path: the cues, the timer and OpenAL, with a loopback device rendered at the
// pace of the wall clock like a sound card.
class TimedSound : public SoundTimerTest {
protected:
    void SetUp() override
    {
        SoundTimerTest::SetUp();
        list.setdevice(&device);
        device.initsound();
        list.Waves().loadbank(TOVANA_SOUNDS_DAT);
    }
    void sound(std::initializer_list<double> tones, double number, double duration)
    {
        const std::vector<double> t(tones);
        cues.sound(t, number, duration);
    }

    std::shared_ptr<sound::AudioDevice> audio =
        sound::AudioDevice::acquireLoopback(testing::kLoopbackRate);
    sound::TSoundDevice device{[this] { return sound::openOpenAlPlatform(audio); }};
    sound::TWaveList list;
    runtime::SoundStatementState state;
    runtime::SoundCues cues{list.Waves(), state, timer};
};

TEST_F(TimedSound, ToneLastsItsDurationWithinFiveMilliseconds)
{
    for (const double duration : {100.0, 20.0, 250.0}) {
        SCOPED_TRACE(duration);
        const double heardMs = closestOfThree(duration, 2.0, [&] {
            testing::RealTimeRenderer renderer(audio);
            std::this_thread::sleep_for(10ms);
            sound({440}, 1, duration);
            std::this_thread::sleep_for(10ms);
            const auto span = testing::soundingSpan(renderer.stop(), 1e-4f);
            return span ? span->milliseconds(testing::kLoopbackRate) : 0.0;
        });
        EXPECT_NEAR(heardMs, duration, 5.0);
    }
}

TEST_F(TimedSound, TheFallingToneTakesFortyOneTimesTenMilliseconds)
{
    std::vector<float> heard;
    const double heardMs = closestOfThree(410.0, 10.0, [&] {
        testing::RealTimeRenderer renderer(audio);
        std::this_thread::sleep_for(10ms);
        for (int pitch = 1000; pitch >= 200; pitch -= 20) {
            sound({double(pitch)}, 1, 10);
        }
        std::this_thread::sleep_for(10ms);
        heard = renderer.stop();
        const auto span = testing::soundingSpan(heard, 1e-4f);
        return span ? span->milliseconds(testing::kLoopbackRate) : 0.0;
    });
    EXPECT_NEAR(heardMs, 410.0, 25.0); // 41 statements, each a little over its 10 ms
    const auto span = testing::soundingSpan(heard, 1e-4f);
    ASSERT_TRUE(span);
    const auto rate = testing::kLoopbackRate;
    const std::span<const float> all(heard);
    const double first =
        testing::dominantFrequency(all.subspan(span->first, rate / 100), rate, 500, 1500);
    const double last = testing::dominantFrequency(
        all.subspan(span->last + 1 - rate / 100, rate / 100), rate, 100, 500);
    EXPECT_NEAR(first, 1000.0, 120.0); // 10 ms of tone tell the pitch to a hundred hertz
    EXPECT_NEAR(last, 200.0, 120.0);
}

TEST_F(TimedSound, AKeyPressCutsTheToneShort)
{
    const double heardMs = closestOfThree(60.0, 5.0, [&] {
        testing::RealTimeRenderer renderer(audio);
        later(60ms, [&] { timer.endwait(); });
        const auto start = Clock::now();
        sound({440}, 1, 2000);
        EXPECT_LT(Clock::now() - start, 500ms) << "the key, not the timer, ended it";
        std::this_thread::sleep_for(10ms);
        const auto span = testing::soundingSpan(renderer.stop(), 1e-4f);
        return span ? span->milliseconds(testing::kLoopbackRate) : 0.0;
    });
    EXPECT_NEAR(heardMs, 60.0, 10.0);
}

TEST_F(TimedSound, WithTheSoundsOffThereIsNoWait)
{
    cues.settings().tovanasounds = false;
    const auto start = Clock::now();
    sound({440}, 1, 1000);
    EXPECT_LT(Clock::now() - start, 5ms);
}

} // namespace
} // namespace tov::shell
