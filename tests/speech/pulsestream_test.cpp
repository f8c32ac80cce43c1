// Speech written straight to a private PulseAudio server: where the server puts each
// chunk (its own read and write indexes, the stream held still), what a stop leaves, what
// the null sink's monitor hears, and a server that is missing, mute or gone.
#include "speech/pulsestream.h"

#include "doubles/brokenservice.h"
#include "private_services.h"
#include "sound/audiodevice.h"

#include <gtest/gtest.h>

#include <pulse/simple.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <cstdlib>
#include <mutex>
#include <numbers>
#include <thread>
#include <vector>

namespace tov::speech {
namespace {

using namespace std::chrono_literals;
using testing::PrivateSpeechServices;

constexpr int kRate = 22050;     // the synthesiser's
constexpr int kSinkRate = 44100; // the private server's null sink
constexpr auto kAnswer = 5s;     // what a loaded machine's server may take to answer
constexpr int kAmplitude = 10000;

long long framesIn(std::chrono::milliseconds time, int rate = kRate)
{
    return static_cast<long long>(rate) * time.count() / 1000;
}

std::vector<int16_t> tone(std::chrono::milliseconds length)
{
    std::vector<int16_t> samples(static_cast<size_t>(framesIn(length)));
    for (size_t i = 0; i < samples.size(); ++i) {
        samples[i] = static_cast<int16_t>(
            kAmplitude * std::sin(2 * std::numbers::pi * 440.0 * static_cast<double>(i) / kRate));
    }
    return samples;
}

// The null sink's monitor, recorded in stereo from construction until destruction.
class MonitorRecording {
public:
    MonitorRecording()
    {
        const pa_sample_spec format{PA_SAMPLE_S16LE, kSinkRate, 2};
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<uint32_t>(-1);
        attributes.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(5000, &format));
        int error = 0;
        simple_ = pa_simple_new(nullptr, "tovana-test", PA_STREAM_RECORD, "null.monitor", "monitor",
                                &format, nullptr, &attributes, &error);
        if (simple_ != nullptr) {
            thread_ = std::thread([this] { read(); });
        }
    }
    ~MonitorRecording()
    {
        done_ = true;
        if (thread_.joinable()) {
            thread_.join();
        }
        if (simple_ != nullptr) {
            pa_simple_free(simple_);
        }
    }
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    bool recording() const { return simple_ != nullptr; }
    // Waits, bounded, until `frames` frames have been recorded; a copy of them all.
    std::vector<int16_t> frames(long long frames)
    {
        for (int i = 0; i < 1000 && recorded() < frames; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        const std::lock_guard guard(lock_);
        return samples_;
    }

private:
    long long recorded()
    {
        const std::lock_guard guard(lock_);
        return static_cast<long long>(samples_.size() / 2);
    }
    void read()
    {
        std::vector<int16_t> piece(441 * 2);
        while (!done_) {
            int error = 0;
            if (pa_simple_read(simple_, piece.data(), piece.size() * sizeof(int16_t), &error) < 0) {
                return;
            }
            const std::lock_guard guard(lock_);
            samples_.insert(samples_.end(), piece.begin(), piece.end());
        }
    }

    pa_simple* simple_ = nullptr;
    std::thread thread_;
    std::atomic<bool> done_{false};
    std::mutex lock_;
    std::vector<int16_t> samples_;
};

// Queues `samples` in 20 ms chunks, as the synthesiser hands them over.
void queueInChunks(PulseStream& stream, const std::vector<int16_t>& samples, float left,
                   float right)
{
    const auto chunk = static_cast<size_t>(framesIn(20ms));
    for (size_t at = 0; at < samples.size(); at += chunk) {
        stream.queue(std::span(samples).subspan(at, std::min(samples.size() - at, chunk)), left,
                     right);
    }
}

class PulseStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(services.ready()) << services.problem(); }

    std::unique_ptr<PulseStream> open() { return PulseStream::open(nullptr, kRate, kAnswer); }

    PrivateSpeechServices services{PrivateSpeechServices::Start::SoundOnly};
};

TEST_F(PulseStreamTest, AnUtteranceStartsJustPastTheReadPointAndItsChunksFollowWithoutAGap)
{
    auto stream = open();
    ASSERT_NE(stream, nullptr) << "the server's log: " << services.folder();
    ASSERT_TRUE(stream->pause(true, kAnswer)); // the read point stands still from here
    const long long buffer = framesIn(PulseStream::kBuffer);
    const auto holds = [&stream](long long frames) {
        for (int i = 0; i < 200 && stream->framesHeld(kAnswer) != frames; ++i) {
            std::this_thread::sleep_for(10ms);
        }
        return stream->framesHeld(kAnswer);
    };
    ASSERT_EQ(holds(buffer), buffer) << "the server holds its silence";

    // Written behind the silence, the utterance would be heard only after all of it. The
    // server takes one buffer of it, just past its read point; the rest waits for the
    // server to ask.
    stream->queue(tone(200ms), 1.0f, 1.0f);
    EXPECT_EQ(stream->framesHeld(kAnswer), buffer);
    EXPECT_TRUE(stream->isPlaying());

    // A stop writes silence over more than all of that.
    stream->stop();
    EXPECT_GT(stream->framesHeld(kAnswer), buffer);
    EXPECT_FALSE(stream->isPlaying());

    // The clock held too: what was written is not played, and the next chunks continue it.
    const PulseStream::Clock::time_point now = PulseStream::Clock::now();
    stream->setClock([now] { return now; });
    stream->queue(tone(20ms), 1.0f, 1.0f);
    // Silence behind it up to the buffer, which the next chunks write over, however short:
    // they follow the first directly (behind the silence the server would hold more), and
    // the server never holds less than its buffer (a late write would find it dry).
    EXPECT_EQ(stream->framesHeld(kAnswer), buffer);
    stream->queue(tone(5ms), 1.0f, 1.0f);
    EXPECT_EQ(stream->framesHeld(kAnswer), buffer);
    stream->queue(tone(100ms), 1.0f, 1.0f);
    EXPECT_EQ(stream->framesHeld(kAnswer), buffer);
    const long long lead = framesIn(PulseStream::kLead);
    EXPECT_NEAR(static_cast<double>(stream->framesAhead()),
                static_cast<double>(lead + framesIn(125ms)), 2.0);

    // Where the last speech is about to end, the server may have read the silence behind
    // it: the next chunk goes just past what it may have read (speech written behind its
    // read point would make it take back all it has mixed), and is heard that much later.
    stream->stop();
    const PulseStream::Clock::time_point later = now + 1s;
    stream->setClock([later] { return later; });
    stream->queue(tone(20ms), 1.0f, 1.0f);
    const PulseStream::Clock::time_point almost = later + PulseStream::kLead + 20ms - 2ms;
    stream->setClock([almost] { return almost; });
    stream->queue(tone(5ms), 1.0f, 1.0f);
    EXPECT_EQ(stream->framesHeld(kAnswer), buffer);
    EXPECT_NEAR(static_cast<double>(stream->framesAhead()),
                static_cast<double>(framesIn(PulseStream::kReadAhead + 5ms)), 2.0);
}

TEST_F(PulseStreamTest, ChunksThatComeAsTheLastSpeechEndsNeverRunTheServerDry)
{
    auto stream = open();
    ASSERT_NE(stream, nullptr);
    std::this_thread::sleep_for(200ms); // a stream may start with one, before its silence
    const unsigned before = stream->underruns();
    const auto untilTheEnd = [&stream](std::chrono::milliseconds early) {
        const auto left = std::chrono::microseconds(static_cast<long long>(stream->framesAhead()) *
                                                    1000000 / kRate);
        std::this_thread::sleep_for(left - early);
    };
    for (int round = 0; round < 30; ++round) {
        // An utterance, and a short chunk of the next just as it ends: on the server's side
        // the last speech may already have been played, its silence begun.
        queueInChunks(*stream, tone(40ms), 1.0f, 1.0f);
        untilTheEnd(std::chrono::milliseconds(round % 3));
        stream->queue(tone(2ms), 1.0f, 1.0f);
        // A key that cuts speech, and the next at once.
        if (round % 5 == 0) {
            stream->queue(tone(60ms), 1.0f, 1.0f);
            stream->stop();
            stream->queue(tone(10ms), 1.0f, 1.0f);
        }
        untilTheEnd(0ms);
        std::this_thread::sleep_for(std::chrono::milliseconds(round % 4 * 5));
    }
    std::this_thread::sleep_for(100ms);
    EXPECT_EQ(stream->underruns() - before, 0u);
}

// The monitor's frames louder than `threshold` on a channel: how many, and the peak.
struct Heard {
    long long frames = 0;
    int peak = 0;
};
Heard heard(const std::vector<int16_t>& stereo, int channel, int threshold)
{
    Heard h;
    long long first = -1;
    long long last = -1;
    for (size_t i = static_cast<size_t>(channel); i < stereo.size(); i += 2) {
        const int level = std::abs(static_cast<int>(stereo[i]));
        h.peak = std::max(h.peak, level);
        if (level > threshold) {
            const auto frame = static_cast<long long>(i / 2);
            first = first < 0 ? frame : first;
            last = frame;
        }
    }
    h.frames = first < 0 ? 0 : last - first + 1;
    return h;
}

TEST_F(PulseStreamTest, AStopSilencesWhatTheServerHoldsAndNothingOfItComesBack)
{
    MonitorRecording monitor;
    ASSERT_TRUE(monitor.recording());
    auto stream = open();
    ASSERT_NE(stream, nullptr);
    const auto start =
        static_cast<long long>(monitor.frames(framesIn(200ms, kSinkRate)).size() / 2);
    queueInChunks(*stream, tone(2000ms), 1.0f, 1.0f);
    const auto loud = [](int16_t sample) {
        return std::abs(static_cast<int>(sample)) > kAmplitude / 10;
    };
    // Stopped once the tone is heard.
    long long heardAt = -1;
    for (int i = 0; i < 500 && heardAt < 0; ++i) {
        const auto now = monitor.frames(0);
        for (size_t f = static_cast<size_t>(start) * 2; f < now.size(); f += 2) {
            if (loud(now[f])) {
                heardAt = static_cast<long long>(f / 2);
                break;
            }
        }
        std::this_thread::sleep_for(10ms);
    }
    ASSERT_GE(heardAt, 0) << "the tone was never heard";
    stream->stop();
    EXPECT_FALSE(stream->isPlaying());
    EXPECT_EQ(stream->framesAhead(), 0u);
    const auto recorded = monitor.frames(heardAt + framesIn(2500ms, kSinkRate));
    // From the first quiet stretch after the tone began, nothing of it plays again: not
    // the rest waiting here, nor what the server held.
    long long quietFrom = -1;
    long long loudAfter = 0;
    long long quietRun = 0;
    for (size_t f = static_cast<size_t>(heardAt) * 2; f < recorded.size(); f += 2) {
        if (quietFrom < 0) {
            quietRun = loud(recorded[f]) ? 0 : quietRun + 1;
            if (quietRun > framesIn(20ms, kSinkRate)) {
                quietFrom = static_cast<long long>(f / 2);
            }
        } else if (loud(recorded[f])) {
            ++loudAfter;
        }
    }
    ASSERT_GE(quietFrom, 0) << "the tone never stopped";
    EXPECT_LT(quietFrom - heardAt, framesIn(1500ms, kSinkRate)) << "the stop did not cut it";
    EXPECT_EQ(loudAfter, 0) << "speech came back after the stop";
}

TEST_F(PulseStreamTest, TheServerPlaysTheWholeToneWithEachChannelsGain)
{
    MonitorRecording monitor;
    ASSERT_TRUE(monitor.recording());
    auto stream = open();
    ASSERT_NE(stream, nullptr);
    // A null sink with nothing to play gives its monitor nothing: the stream's own silence
    // starts it, and the tone comes once it runs (as the program's does).
    const long long before =
        static_cast<long long>(monitor.frames(framesIn(200ms, kSinkRate)).size() / 2);
    ASSERT_GE(before, framesIn(200ms, kSinkRate));
    // In chunks, as the synthesiser hands them over: a gap between two would show as a
    // tone longer than its samples.
    queueInChunks(*stream, tone(300ms), 1.0f, 0.5f);
    const auto recorded = monitor.frames(before + framesIn(1000ms, kSinkRate));
    const Heard left = heard(recorded, 0, kAmplitude / 10);
    const Heard right = heard(recorded, 1, kAmplitude / 20);
    EXPECT_NEAR(left.frames, framesIn(300ms, kSinkRate), framesIn(3ms, kSinkRate));
    EXPECT_NEAR(right.frames, framesIn(300ms, kSinkRate), framesIn(3ms, kSinkRate));
    EXPECT_NEAR(left.peak, kAmplitude, kAmplitude / 20);
    EXPECT_NEAR(right.peak, kAmplitude / 2, kAmplitude / 40);
    EXPECT_FALSE(stream->isPlaying()) << "1 s recorded after a 0.3 s tone";
}

// Run by the case below in a process of its own: OpenAL reads its drivers once, at its
// first call in a process, and PulseAudio's client library refuses to work in a child
// forked after the parent has used it.
TEST(PulseStreamProbe, DISABLED_OpenAlTellsItsBackend)
{
    const char* const expected = std::getenv("TOVANA_EXPECT_SERVER");
    ASSERT_NE(expected, nullptr);
    EXPECT_EQ(sound::AudioDevice::acquire()->onSoundServer(), std::string(expected) == "1");
}

TEST_F(PulseStreamTest, OpenAlOnTheServerIsToldFromOpenAlWithout)
{
    const auto probe = [](const char* drivers, const char* expected) {
        const std::string command = std::string("ALSOFT_DRIVERS=") + drivers +
                                    " TOVANA_EXPECT_SERVER=" + expected + " /proc/" +
                                    std::to_string(::getpid()) +
                                    "/exe --gtest_also_run_disabled_tests"
                                    " --gtest_filter=PulseStreamProbe.* >/dev/null 2>&1";
        return std::system(command.c_str());
    };
    EXPECT_EQ(probe("pulse", "1"), 0) << "the speech would stay behind OpenAL's buffer";
    EXPECT_EQ(probe("null", "0"), 0) << "no server to write the speech to";
}

TEST(PulseStreamWithoutServer, NoServerOrAMuteOneGivesNoStreamAndNoWaitBeyondTheLimit)
{
    const char* const before = std::getenv("PULSE_SERVER");
    const std::string saved = before != nullptr ? before : "";
    const std::string folder = ::testing::TempDir() + "/tovana_no_pulse";
    std::filesystem::create_directories(folder);

    ::setenv("PULSE_SERVER", ("unix:" + folder + "/none").c_str(), 1);
    EXPECT_EQ(PulseStream::open(nullptr, kRate, kAnswer), nullptr);

    // A socket that takes the connection and never answers: the limit ends the wait.
    const std::string mute = folder + "/mute";
    ::unlink(mute.c_str());
    {
        const tov::testing::BrokenService wedged(mute, tov::testing::BrokenService::Kind::Wedged);
        ::setenv("PULSE_SERVER", ("unix:" + mute).c_str(), 1);
        EXPECT_EQ(PulseStream::open(nullptr, kRate, 300ms), nullptr);
    }

    EXPECT_EQ(PulseStream::open(nullptr, 0, 300ms), nullptr) << "no sample rate";
    if (before != nullptr) {
        ::setenv("PULSE_SERVER", saved.c_str(), 1);
    } else {
        ::unsetenv("PULSE_SERVER");
    }
}

TEST_F(PulseStreamTest, AServerThatDiesLeavesTheCallerSpeakingIntoNothing)
{
    auto stream = open();
    ASSERT_NE(stream, nullptr);
    services.killSound();
    // Whether or not the stream has heard of it yet, nothing throws or waits.
    for (int i = 0; i < 20; ++i) {
        EXPECT_NO_THROW(stream->queue(tone(20ms), 1.0f, 1.0f));
        std::this_thread::sleep_for(10ms);
    }
    EXPECT_NO_THROW(stream->stop());
    EXPECT_EQ(stream->framesHeld(300ms), -1);
    EXPECT_FALSE(stream->pause(true, 300ms));
}

} // namespace
} // namespace tov::speech
