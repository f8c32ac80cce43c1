// Speech written straight to a private PulseAudio server: where the server puts each
// chunk (its own read and write indexes, the stream held still), what a stop leaves, what
// the null sink's monitor hears, and a server that is missing, mute or gone.
#include "speech/pulsestream.h"

#include "private_services.h"

#include <gtest/gtest.h>

#include <pulse/simple.h>
#include <sys/socket.h>
#include <sys/un.h>
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
        const pa_sample_spec spec{PA_SAMPLE_S16LE, kSinkRate, 2};
        pa_buffer_attr attributes{};
        attributes.maxlength = static_cast<uint32_t>(-1);
        attributes.fragsize = static_cast<uint32_t>(pa_usec_to_bytes(5000, &spec));
        int error = 0;
        simple_ = pa_simple_new(nullptr, "tovana-test", PA_STREAM_RECORD, "null.monitor", "monitor",
                                &spec, nullptr, &attributes, &error);
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

class PulseStreamTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(services.ready()) << services.problem(); }

    std::unique_ptr<PulseStream> open()
    {
        return PulseStream::open(nullptr, kRate, std::chrono::seconds(10), kAnswer);
    }

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

    // Written behind the silence, the utterance would be heard only after all of it.
    const long long lead = framesIn(PulseStream::kLead);
    stream->queue(tone(200ms), 1.0f, 1.0f);
    EXPECT_NEAR(stream->framesHeld(kAnswer), lead + framesIn(200ms), 1);
    EXPECT_TRUE(stream->isPlaying());

    // The clock held too: what was written is not played, and the next chunks continue it.
    stream->stop();
    const PulseStream::Clock::time_point held = PulseStream::Clock::now();
    stream->setClock([held] { return held; });
    stream->queue(tone(20ms), 1.0f, 1.0f);
    // The server asks for its buffer back at once, and the stream pads it with silence...
    ASSERT_EQ(holds(buffer), buffer);
    // ...which the next chunk writes over: it follows the first directly.
    stream->queue(tone(100ms), 1.0f, 1.0f);
    EXPECT_NEAR(stream->framesHeld(kAnswer), lead + framesIn(120ms), 1);
    EXPECT_NEAR(static_cast<double>(stream->framesAhead()),
                static_cast<double>(lead + framesIn(120ms)), 2.0);
}

TEST_F(PulseStreamTest, AStopThrowsAwayWhatTheServerHoldsAndLeavesItsSilence)
{
    auto stream = open();
    ASSERT_NE(stream, nullptr);
    ASSERT_TRUE(stream->pause(true, kAnswer));
    stream->queue(tone(2000ms), 1.0f, 1.0f);
    EXPECT_GE(stream->framesHeld(kAnswer), framesIn(2000ms));
    stream->stop();
    EXPECT_FALSE(stream->isPlaying());
    EXPECT_EQ(stream->framesAhead(), 0u);
    const long long held = stream->framesHeld(kAnswer);
    EXPECT_GT(held, 0) << "silence, so that the server does not run dry";
    EXPECT_LE(held, framesIn(PulseStream::kBuffer) + 1);
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
    const auto samples = tone(300ms);
    // In chunks, as the synthesiser hands them over: a gap between two would show as a
    // tone shorter than its samples, or louder or quieter than them.
    for (size_t at = 0; at < samples.size(); at += static_cast<size_t>(framesIn(20ms))) {
        const size_t count = std::min(samples.size() - at, static_cast<size_t>(framesIn(20ms)));
        stream->queue(std::span(samples).subspan(at, count), 1.0f, 0.5f);
    }
    const auto recorded = monitor.frames(before + framesIn(1000ms, kSinkRate));
    const Heard left = heard(recorded, 0, kAmplitude / 10);
    const Heard right = heard(recorded, 1, kAmplitude / 20);
    EXPECT_NEAR(left.frames, framesIn(300ms, kSinkRate), framesIn(3ms, kSinkRate));
    EXPECT_NEAR(right.frames, framesIn(300ms, kSinkRate), framesIn(3ms, kSinkRate));
    EXPECT_NEAR(left.peak, kAmplitude, kAmplitude / 20);
    EXPECT_NEAR(right.peak, kAmplitude / 2, kAmplitude / 40);
    EXPECT_FALSE(stream->isPlaying()) << "1 s recorded after a 0.3 s tone";
}

TEST(PulseStreamWithoutServer, NoServerOrAMuteOneGivesNoStreamAndNoWaitBeyondTheLimit)
{
    const char* const before = std::getenv("PULSE_SERVER");
    const std::string saved = before != nullptr ? before : "";
    const std::string folder = ::testing::TempDir() + "/tovana_no_pulse";
    std::filesystem::create_directories(folder);

    ::setenv("PULSE_SERVER", ("unix:" + folder + "/none").c_str(), 1);
    EXPECT_EQ(PulseStream::open(nullptr, kRate, 10s, kAnswer), nullptr);

    // A socket that takes the connection and never answers: the limit ends the wait.
    const std::string mute = folder + "/mute";
    ::unlink(mute.c_str());
    const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
    ASSERT_GE(listener, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    ASSERT_LT(mute.size(), sizeof(address.sun_path));
    std::copy(mute.begin(), mute.end(), address.sun_path);
    ASSERT_EQ(::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)), 0);
    ASSERT_EQ(::listen(listener, 4), 0);
    ::setenv("PULSE_SERVER", ("unix:" + mute).c_str(), 1);
    EXPECT_EQ(PulseStream::open(nullptr, kRate, 10s, 300ms), nullptr);
    ::close(listener);

    EXPECT_EQ(PulseStream::open(nullptr, 0, 10s, 300ms), nullptr) << "no sample rate";
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
