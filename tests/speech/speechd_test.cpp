// The SAPI 5 voice over a real speech-dispatcher, started by the test against a private
// PulseAudio null sink: queued messages, cancelling, SSML, events on the GUI thread, and
// `say` waiting for the end of its stream.
#include "common/profile.h"
#include "common/text.h"
#include "common/tov_error.h"
#include "doubles/brokenservice.h"
#include "doubles/doubles.h"
#include "private_services.h"
#include "speech/qtguithread.h"
#include "speech/speechdvoice.h"
#include "speech/speechlayer.h"

#include <QCoreApplication>
#include <QThread>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <filesystem>
#include <memory>
#include <optional>
#include <thread>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
// libspeechd keeps an intermediate copy of its message when a connection fails (431 bytes
// per failed attempt, inside spd_open2). Full stacks let the suppression find its frame.
extern "C" const char* __lsan_default_options()
{
    return "fast_unwind_on_malloc=0";
}
extern "C" const char* __lsan_default_suppressions()
{
    return "leak:spd_open2\n";
}
#endif

namespace tov::speech::testing {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

constexpr const char* kLongText =
    "Toto je velmi dlouhá věta, kterou hlasový server čte mnoho sekund, pokud ji nikdo "
    "nepřeruší: jedna, dva, tři, čtyři, pět, šest, sedm, osm, devět, deset, jedenáct.";

struct Event {
    bool start;
    int32_t stream;
    bool onGuiThread;
};

class SpeechDispatcherTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(services.ready()) << services.problem();
        voice = std::make_unique<sapi5::TSpVoice>(speechd::connector(poster));
        voice->OnStartStream = [this](int32_t s) { record(true, s); };
        voice->OnEndStream = [this](int32_t s) { record(false, s); };
        voice->setEventInterests(sapi5::SVEAllEvents);
    }
    void TearDown() override { voice.reset(); }

    void record(bool start, int32_t stream)
    {
        events.push_back({start, stream, QThread::currentThread() == qApp->thread()});
    }
    int ends() const
    {
        return static_cast<int>(
            std::count_if(events.begin(), events.end(), [](const Event& e) { return !e.start; }));
    }
    int starts() const { return static_cast<int>(events.size()) - ends(); }
    // Serves the event queue until `done` or the limit; the time it took.
    Clock::duration waitFor(const std::function<bool()>& done, Clock::duration limit = 20s)
    {
        const auto began = Clock::now();
        const auto until = began + limit;
        while (!done() && Clock::now() < until) {
            queue.processUntil(done, until);
        }
        return Clock::now() - began;
    }

    PrivateSpeechServices services;
    QtGuiPoster poster;
    QtEventQueue queue;
    std::unique_ptr<sapi5::TSpVoice> voice;
    std::vector<Event> events;
};

TEST_F(SpeechDispatcherTest, TwoMessagesWithFlagOneAreBothSpokenInTurnOnTheGuiThread)
{
    voice->Speak(text::toUtf8(text::fromUtf8("první zpráva")), 1);
    voice->Speak("druha zprava", 1);
    waitFor([this] { return ends() == 2; });
    ASSERT_EQ(events.size(), 4u) << "speech-dispatcher's log: " << services.folder();
    EXPECT_TRUE(events[0].start);
    EXPECT_FALSE(events[1].start);
    EXPECT_TRUE(events[2].start);
    EXPECT_FALSE(events[3].start);
    EXPECT_EQ(events[0].stream, events[1].stream);
    EXPECT_EQ(events[2].stream, events[3].stream);
    EXPECT_NE(events[0].stream, events[2].stream);
    for (const Event& e : events) {
        EXPECT_TRUE(e.onGuiThread);
    }
}

TEST_F(SpeechDispatcherTest, FlagTwoCancelsWhatIsSpokenAndWhatWaits)
{
    voice->Speak(kLongText, 1);
    voice->Speak("tohle uz nezazni", 1);
    waitFor([this] { return starts() == 1; });
    ASSERT_EQ(starts(), 1);
    voice->Speak("", 2);
    const auto took = waitFor([this] { return ends() >= 1; });
    EXPECT_LT(took, 2s); // the long text would take ten seconds and more
    // The waiting message was dropped too: nothing else starts.
    waitFor([] { return false; }, 1500ms);
    EXPECT_EQ(starts(), 1);
}

TEST_F(SpeechDispatcherTest, FlagNineSpeaksMarkup)
{
    voice->Speak("<speak>velké <emphasis>a</emphasis></speak>", 9);
    waitFor([this] { return ends() == 1; });
    EXPECT_EQ(starts(), 1);
    EXPECT_EQ(ends(), 1);
    // Plain text again afterwards.
    voice->Speak("a < b", 1);
    waitFor([this] { return ends() == 2; });
    EXPECT_EQ(ends(), 2);
}

TEST_F(SpeechDispatcherTest, AnEmptyTextIsNeverSentAndNothingHangs)
{
    voice->Speak("", 1);
    voice->Speak("potom", 1);
    waitFor([this] { return ends() == 1; });
    EXPECT_EQ(starts(), 1);
}

TEST_F(SpeechDispatcherTest, SayWaitsForTheEndOfItsStream)
{
    tov::testing::TempDir dir;
    const Profile profile(dir.path() / "tovana.ini");
    tov::testing::RecordingSounds sounds;
    class NoNames final : public KeyNameLookup {
        std::string keyname(uint8_t) const override { return {}; }
    } names;
    SpeechLayer speech({queue, sounds, names, profile}, {}, speechd::connector(poster));
    speech.useengine(true);
    speech.voice5().setEventInterests(sapi5::SVEAllEvents);
    const auto began = Clock::now();
    speech.say(text::fromUtf8("Vzal jsi dopis."));
    const auto took = Clock::now() - began;
    EXPECT_FALSE(speech.state().sapi5speaking);
    EXPECT_GT(took, 300ms);             // it was spoken, not just handed over
    EXPECT_LT(took, kSilentWaitMargin); // and ended by the service, not by the bound
}

struct BrokenServiceCase {
    const char* description;
    std::optional<tov::testing::BrokenService::Kind>
        service;        //: none: nothing listens at the address
    const char* reason; //: what the failure must say
};

TEST(SpeechDispatcherBroken, TheVoiceConnectsOffTheCallersThreadAndReportsWhyItCannot)
{
    const std::vector<BrokenServiceCase> cases = {
        {"nothing at the address", std::nullopt, "Can't connect"},
        {"a wedged service that never answers", tov::testing::BrokenService::Kind::Wedged,
         "no answer within"},
        {"a service answering with garbage", tov::testing::BrokenService::Kind::Garbage,
         "not speech-dispatcher's protocol"},
    };
    for (const BrokenServiceCase& c : cases) {
        SCOPED_TRACE(c.description);
        tov::testing::TempDir dir;
        const std::filesystem::path socket = dir.path() / "speechd.sock";
        std::optional<tov::testing::BrokenService> service;
        if (c.service) {
            service.emplace(socket, *c.service);
        }
        ::setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket.string()).c_str(), 1);
        QtGuiPoster poster;
        QtEventQueue queue;
        sapi5::TSpVoice voice(speechd::connector(poster));
        std::vector<std::string> failures;
        voice.OnFailure = [&failures](const std::string& text) { failures.push_back(text); };
        voice.setEventInterests(sapi5::SVEAllEvents);
        voice.connect();
        // Returned before the connection was tried to its end: the caller never waits.
        EXPECT_TRUE(voice.isConnected());
        EXPECT_TRUE(failures.empty());
        const auto until = Clock::now() + 20s;
        while (failures.empty() && Clock::now() < until) {
            queue.processUntil([&failures] { return !failures.empty(); }, until);
        }
        // Every queued command tries the service again and reports its own failure (the
        // speech layer says it once); each one must name the service and the reason.
        ASSERT_FALSE(failures.empty());
        queue.processUntil([] { return false; }, Clock::now() + 100ms);
        for (const std::string& failure : failures) {
            EXPECT_THAT(failure, ::testing::StartsWith("speech-dispatcher: "));
            EXPECT_THAT(failure, ::testing::HasSubstr(c.reason));
        }
        ::unsetenv("SPEECHD_ADDRESS");
    }
}

} // namespace
} // namespace tov::speech::testing
