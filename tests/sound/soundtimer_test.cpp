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
    // How close to its duration a wait ends is the benchmark's figure (a busy machine
    // wakes the thread late); a wait never ends early, as a coarse timer's may.
    EXPECT_EQ(timer.Timer().timerType(), Qt::PreciseTimer);
    for (const double duration : {100.0, 20.0, 10.0}) {
        SCOPED_TRACE(duration);
        const auto start = Clock::now();
        timer.waitout(std::chrono::milliseconds(static_cast<int>(duration)));
        EXPECT_GE(msSince(start), duration);
        EXPECT_FALSE(timer.iswaiting());
        EXPECT_FALSE(timer.Timer().isActive()) << "the tick stops the timer";
    }
}

TEST_F(SoundTimerTest, AKeyPressEndsTheWaitAtOnce)
{
    bool ended = false;
    bool timerRanAtTheKey = false;
    later(30ms, [&] {
        timerRanAtTheKey = timer.Timer().isActive();
        ended = timer.endwait();
    });
    const auto start = Clock::now();
    timer.waitout(2000ms);
    const auto waited = Clock::now() - start;
    EXPECT_TRUE(ended);
    EXPECT_TRUE(timerRanAtTheKey);
    EXPECT_LT(waited, 1000ms) << "the key, not the 2 s tick, ended it";
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
    EXPECT_LT(waited, 1000ms) << "the nested 50 ms tick, not the outer 1 s one, ended it";
}

TEST_F(SoundTimerTest, WaitingBurnsNoCpu)
{
    const auto cpu = threadCpu();
    timer.waitout(300ms);
    EXPECT_LT(threadCpu() - cpu, 10ms);
}

// The whole path: the cues, the timer and OpenAL, with a loopback device rendered at the
// pace of the wall clock like a sound card that mixes in OpenAL's default updates. What
// is asserted is what was rendered, never how long anything took: the machine may be
// busy.
constexpr size_t kDefaultUpdate = 1024; //: OpenAL's default mixing update, in frames

// Waits until the renderer has mixed `frames` more frames: the tail of a tone and some
// silence after it.
void waitForFrames(testing::RealTimeRenderer& renderer, size_t frames)
{
    renderer.waitUntilRendered(renderer.framesSoFar() + frames);
}

class TimedSound : public SoundTimerTest, public testing::LoopbackSounds {
protected:
    TimedSound() : LoopbackSounds(TOVANA_SOUNDS_DAT) {}
    void sound(std::initializer_list<double> tones, double number, double duration)
    {
        const std::vector<double> t(tones);
        cues.sound(t, number, duration);
    }

    runtime::SoundStatementState state;
    runtime::SoundCues cues{list.Waves(), state, timer};
};

TEST_F(TimedSound, ToneLastsItsDurationToTheMillisecond)
{
    // The timer may tick late on a busy machine; the tone ends on its own frame anyway.
    for (const double duration : {100.0, 20.0, 250.0}) {
        SCOPED_TRACE(duration);
        testing::RealTimeRenderer renderer(audio, 1ms, kDefaultUpdate);
        sound({440}, 1, duration);
        waitForFrames(renderer, 3 * kDefaultUpdate);
        const auto span = testing::soundingSpan(renderer.stop(), 1e-4f);
        ASSERT_TRUE(span);
        EXPECT_NEAR(span->milliseconds(testing::kLoopbackRate), duration, 1.0);
    }
}

TEST_F(TimedSound, TheFallingToneIsFortyOneStepsOfTenMilliseconds)
{
    testing::RealTimeRenderer renderer(audio, 1ms, kDefaultUpdate);
    std::vector<double> pitches;
    for (int pitch = 1000; pitch >= 200; pitch -= 20) {
        pitches.push_back(pitch);
        sound({double(pitch)}, 1, 10);
    }
    waitForFrames(renderer, 3 * kDefaultUpdate);
    const auto heard = renderer.stop();
    const auto steps = testing::toneSteps(heard, testing::kLoopbackRate, pitches);
    ASSERT_EQ(steps.size(), pitches.size());
    for (size_t i = 0; i < steps.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(steps[i].hz, pitches[i]);
        EXPECT_NEAR(steps[i].milliseconds(testing::kLoopbackRate), 10.0, 2.0);
    }
}

TEST_F(TimedSound, AKeyPressCutsTheToneShort)
{
    testing::RealTimeRenderer renderer(audio, 1ms, kDefaultUpdate);
    bool keyEndedAWait = false;
    later(60ms, [&] { keyEndedAWait = timer.endwait(); });
    const size_t before = renderer.framesSoFar();
    sound({440}, 1, 2000);
    const size_t atStop = renderer.framesSoFar();
    EXPECT_TRUE(keyEndedAWait) << "the key, not the 2 s timer, ended the wait";
    waitForFrames(renderer, 3 * kDefaultUpdate);
    const auto heard = renderer.stop();
    // The tone sounds while the device renders the wait (on a busy machine it may render
    // little of it), give or take the update in which it started and the one in which
    // the stop took effect.
    const auto span = testing::soundingSpan(heard, 1e-4f);
    const size_t sounded = span ? span->last + 1 - span->first : 0;
    const size_t waited = atStop - before;
    EXPECT_LE(sounded, waited + 2 * kDefaultUpdate);
    EXPECT_GE(sounded + 2 * kDefaultUpdate, waited);
}

TEST_F(TimedSound, WithTheSoundsOffThereIsNoWait)
{
    cues.settings().tovanasounds = false;
    // A wait serves the event queue; this event would run inside it.
    bool servedInside = false;
    later(0ms, [&] { servedInside = true; });
    testing::RealTimeRenderer renderer(audio, 1ms, kDefaultUpdate);
    sound({440}, 1, 1000);
    EXPECT_FALSE(servedInside);
    waitForFrames(renderer, 2 * kDefaultUpdate);
    EXPECT_FALSE(testing::soundingSpan(renderer.stop(), 1e-4f)) << "and no sound";
    EXPECT_EQ(state.lastduration, 1) << "nothing remembered";
    QCoreApplication::processEvents();
}

} // namespace
} // namespace tov::shell
