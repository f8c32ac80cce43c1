// Measures the sound path and prints the figures (not a test: nothing here passes or
// fails). Run from the build folder: tests/sound/sound_benchmark [sounds.dat]
//   1. bank load: reading, parsing and giving every item its buffer;
//   2. play to first rendered sample, on a loopback device rendered at the pace of the
//      wall clock in 1 ms and in 5.8 ms (256-frame) periods, as a sound card would;
//   3. how late the main window's timer ends waits of 10, 20 and 100 ms;
//   4. the CPU that `sound` uses while it waits out 2 s on the main window's timer, with
//      the null OpenAL output mixing for real.
#include "measure.h"

#include "runtime/soundcues.h"
#include "shell/soundtimer.h"
#include "sound/openalplatform.h"
#include "sound/sounddevice.h"

#include <QCoreApplication>

#include <sys/resource.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <random>
#include <thread>

namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using tov::sound::AudioDevice;
using tov::sound::TSoundDevice;
using tov::sound::TWaveList;

double ms(Clock::duration d)
{
    return std::chrono::duration<double, std::milli>(d).count();
}

double threadCpuMs()
{
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double processCpuMs()
{
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return (u.ru_utime.tv_sec + u.ru_stime.tv_sec) * 1e3 +
           (u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e3;
}

struct Summary {
    double min, median, max;
};

Summary summarise(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return {v.front(), v[v.size() / 2], v.back()};
}

void benchLoad(const char* bank)
{
    constexpr int kRuns = 50;
    std::vector<double> withDevice;
    std::vector<double> parseOnly;
    {
        auto audio = AudioDevice::acquireLoopback(tov::testing::kLoopbackRate);
        TSoundDevice device([&] { return tov::sound::openOpenAlPlatform(audio); });
        TWaveList list;
        list.setdevice(&device);
        device.initsound();
        for (int i = 0; i < kRuns; ++i) {
            const auto start = Clock::now();
            list.Waves().loadbank(bank);
            withDevice.push_back(ms(Clock::now() - start));
        }
    }
    TWaveList silent;
    for (int i = 0; i < kRuns; ++i) {
        const auto start = Clock::now();
        silent.Waves().loadbank(bank);
        parseOnly.push_back(ms(Clock::now() - start));
    }
    const auto a = summarise(withDevice);
    const auto b = summarise(parseOnly);
    std::printf("bank load (%zu items), %d runs:\n", silent.Waves().count(), kRuns);
    std::printf("  with OpenAL buffers: min %.3f ms, median %.3f ms, max %.3f ms\n", a.min,
                a.median, a.max);
    std::printf("  read and parse only: min %.3f ms, median %.3f ms, max %.3f ms\n", b.min,
                b.median, b.max);
}

void benchLatency(const char* bank, std::chrono::microseconds period)
{
    constexpr int kTrials = 40;
    auto audio = AudioDevice::acquireLoopback(tov::testing::kLoopbackRate);
    TSoundDevice device([&] { return tov::sound::openOpenAlPlatform(audio); });
    TWaveList list;
    list.setdevice(&device);
    device.initsound();
    list.Waves().loadbank(bank);
    auto& tone = list.Waves().find("snd11");
    tone.setfrequency(28160);
    std::mt19937 random(7);
    std::uniform_int_distribution<int> jitter(0, 10000);
    std::vector<double> latencies;
    for (int i = 0; i < kTrials; ++i) {
        tov::testing::RealTimeRenderer renderer(audio, period);
        std::this_thread::sleep_for(std::chrono::microseconds(10000 + jitter(random)));
        const auto start = Clock::now();
        tone.play(tov::sound::Wait::No);
        std::this_thread::sleep_for(30ms);
        const auto heard = renderer.stop();
        tone.stop();
        const auto span = tov::testing::soundingSpan(heard, 1e-4f);
        if (span) {
            latencies.push_back(ms(renderer.renderedAt(span->first) - start));
        }
    }
    const auto s = summarise(latencies);
    std::printf("play to first rendered sample, %.1f ms device period, %zu plays:\n",
                period.count() / 1000.0, latencies.size());
    std::printf("  min %.2f ms, median %.2f ms, max %.2f ms\n", s.min, s.median, s.max);
}

// How late the main window's timer ends a wait: the tones no longer depend on it (they
// end on their own frames), but the program's rhythm does.
void benchTimerLateness()
{
    tov::shell::SoundTimer timer;
    for (const int duration : {10, 20, 100}) {
        std::vector<double> late;
        for (int i = 0; i < 30; ++i) {
            const auto start = Clock::now();
            timer.waitout(std::chrono::milliseconds(duration));
            late.push_back(ms(Clock::now() - start) - duration);
        }
        const auto s = summarise(late);
        std::printf("timer wait of %d ms ends late by: min %.2f ms, median %.2f ms, max %.2f ms\n",
                    duration, s.min, s.median, s.max);
    }
}

void benchWaitCpu(const char* bank)
{
    TSoundDevice device; // the system's output: ALSOFT_DRIVERS=null mixes into nothing
    TWaveList list;
    list.setdevice(&device);
    device.initsound();
    list.Waves().loadbank(bank);
    tov::shell::SoundTimer timer;
    tov::runtime::SoundStatementState state;
    tov::runtime::SoundCues cues(list.Waves(), state, timer);
    const std::vector<double> tones{440};
    const double thread0 = threadCpuMs();
    const double process0 = processCpuMs();
    const auto start = Clock::now();
    cues.sound(tones, 1, 2000);
    const double wall = ms(Clock::now() - start);
    const double thread = threadCpuMs() - thread0;
    const double process = processCpuMs() - process0;
    std::printf("sound([440], 1, 2000) on the null output: waited %.1f ms\n", wall);
    std::printf("  GUI thread CPU %.2f ms (%.3f %% of a core)\n", thread, 100 * thread / wall);
    std::printf("  whole process CPU, OpenAL's mixer included, %.2f ms (%.3f %% of a core)\n",
                process, 100 * process / wall);
}

} // namespace

int main(int argc, char** argv)
{
    ::setenv("ALSOFT_DRIVERS", "null", 0);
    QCoreApplication app(argc, argv);
    const char* bank = argc > 1 ? argv[1] : TOVANA_SOUNDS_DAT;
    try {
        benchLoad(bank);
        benchLatency(bank, 1000us);
        benchLatency(bank, std::chrono::microseconds(256 * 1000000 / tov::testing::kLoopbackRate));
        benchTimerLateness();
        benchWaitCpu(bank);
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    return 0;
}
