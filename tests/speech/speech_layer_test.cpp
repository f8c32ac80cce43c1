// The speech layer over recording engines: what reaches SAPI 4 and SAPI 5 for say,
// saynowait, stopspeech and saykeyname, how say waits (and stops waiting), the engine switch
// and the start-up of the SAPI 4 objects.
#include "common/localizer.h"
#include "common/text.h"
#include "runtime/console.h"
#include "speech_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tov::speech::testing {
namespace {

using ::testing::ElementsAre;
using Spoken = FakeVoice::Spoken;

using ::tov::testing::cp1250;

class SpeechLayerTest : public ::testing::Test, protected SpeechFixture {};

// --- say with SAPI 4 ---

TEST_F(SpeechLayerTest, SayHandsSapi4PlainTextWithItsTerminatorAndWaitsForAudioStop)
{
    const auto central = selectSapi4();
    speech.say(cp1250("Vzal jsi dopis, ťuk."));

    ASSERT_EQ(central->texts.size(), 1u);
    const TextDataCall& call = central->texts[0];
    EXPECT_EQ(call.charset, sapi4::CHARSET_TEXT);
    EXPECT_EQ(call.flags, 0u);
    EXPECT_EQ(call.bytes, cp1250("Vzal jsi dopis, ťuk.") + std::string(1, '\0'));
    EXPECT_EQ(call.notify, nullptr);
    EXPECT_EQ(call.iid, sapi4::IID_ITTSBufNotifySink);
    // Returned only once the engine had stopped.
    EXPECT_FALSE(central->speaking);
    EXPECT_FALSE(state().sapi4speaking);
    EXPECT_EQ(queue.pendingPasses, 1);
    EXPECT_EQ(queue.waiting(), 0u);
}

TEST_F(SpeechLayerTest, SayDoesNotWaitWhenTheEngineReportsNoStartByTheFirstPass)
{
    const auto central = selectSapi4();
    central->startsLate = true;
    speech.say("pozde");
    EXPECT_EQ(queue.pendingPasses, 1);
    EXPECT_EQ(queue.waits, 0);
    EXPECT_TRUE(central->speaking); // the text plays on behind what follows
}

TEST_F(SpeechLayerTest, Sapi4IsSilentWithoutPermissionTextOrSelectedVoice)
{
    const auto central = selectSapi4();
    speech.say("");
    speech.setSpeechAllowed(false);
    speech.say("zakazano");
    speech.saynowait("zakazano");
    speech.setSpeechAllowed(true);
    state().ttscentral.reset();
    speech.say("bez hlasu");
    speech.saynowait("bez hlasu");
    EXPECT_TRUE(central->texts.empty());
    EXPECT_TRUE(log.empty());
}

TEST_F(SpeechLayerTest, SaynowaitHandsSapi4TheTextAndReturnsAtOnce)
{
    const auto central = selectSapi4();
    speech.saynowait("hned");
    ASSERT_EQ(central->texts.size(), 1u);
    EXPECT_EQ(central->texts[0].bytes, std::string("hned\0", 5));
    EXPECT_EQ(queue.pendingPasses, 0);
    EXPECT_EQ(queue.waits, 0);
}

TEST_F(SpeechLayerTest, AFailingTextDataRaisesTheEnginesText)
{
    const auto central = selectSapi4();
    central->failure = sapi4::E_FAIL;
    EXPECT_THROW(
        {
            try {
                speech.say("x");
            } catch (const TovError& e) {
                EXPECT_STREQ(e.what(), "Unspecified error");
                throw;
            }
        },
        TovError);
}

// --- say with SAPI 5 ---

TEST_F(SpeechLayerTest, Sapi5SpeaksUtf8WithFlagOneEvenWhenSpeechIsNotAllowed)
{
    useSapi5();
    speech.setSpeechAllowed(false);
    speech.say(cp1250("Žluťoučký kůň"));
    EXPECT_THAT(voice->spoken, ElementsAre(Spoken{"Žluťoučký kůň", 1}));
    EXPECT_FALSE(state().sapi5speaking); // the end of the stream ended the wait
    EXPECT_EQ(queue.waiting(), 0u);
}

TEST_F(SpeechLayerTest, Sapi5SaysNothingForAnEmptyTextButSaynowaitHandsItOver)
{
    useSapi5();
    speech.say("");
    EXPECT_TRUE(voice->spoken.empty());
    speech.saynowait("");
    speech.saynowait("obrazovka");
    EXPECT_THAT(voice->spoken, ElementsAre(Spoken{"", 1}, Spoken{"obrazovka", 1}));
    EXPECT_EQ(queue.waits, 0);
}

TEST_F(SpeechLayerTest, StopspeechPurgesSapi5WithAnEmptyText)
{
    useSapi5();
    speech.stopspeech();
    EXPECT_THAT(voice->spoken, ElementsAre(Spoken{"", 2}));
}

TEST_F(SpeechLayerTest, ASapi5FailureIsToldOnceWithItsReasonUntilTheVoiceSpeaksAgain)
{
    useSapi5();
    const std::string unreachable = message(Message::SpeechdUnreachable) + " no answer within 3 s";
    voice->ending = Ending::Never;
    queue.postLater([this] { voice->fail("speech-dispatcher: no answer within 3 s"); });
    EXPECT_NO_THROW(speech.say("a"));    // told, not raised: the program's statement goes on
    EXPECT_FALSE(state().sapi5speaking); // the failed stream ended the wait
    EXPECT_THAT(notices, ElementsAre(unreachable));

    voice->ending = Ending::Silent; // nothing starts: it is still unreachable
    queue.postLater([this] { voice->fail("speech-dispatcher: no answer within 3 s"); });
    const auto began = queue.now();
    speech.say("b");
    EXPECT_EQ(queue.now(), began); // known unreachable: handed over, not waited for
    queue.processPending();
    queue.processUntil([this] { return queue.waiting() == 0; }, queue.now() + 10s);
    EXPECT_EQ(notices.size(), 1u); // still the same failure: said once

    voice->ending = Ending::Later;
    speech.say("c"); // it speaks again: its start arrives as the program goes on
    queue.processPending();
    EXPECT_FALSE(state().sapi5silent);
    voice->ending = Ending::Never;
    queue.postLater([this] { voice->fail("speech-dispatcher: the connection was closed"); });
    speech.say("d");
    queue.processUntil([this] { return queue.waiting() == 0; }, queue.now() + 10s);
    EXPECT_THAT(notices, ElementsAre(unreachable, message(Message::SpeechdUnreachable) +
                                                      " the connection was closed"));
}

TEST_F(SpeechLayerTest, ASapi5StreamThatNeverStartsIsToldOnceAndNotWaitedForUntilOneStarts)
{
    useSapi5();
    voice->ending = Ending::Silent; // its audio output is broken: no start, no end
    auto began = queue.now();
    speech.say("nemluvi");
    EXPECT_GE(queue.now() - began, kSapi5StartBound);
    EXPECT_LT(queue.now() - began, kSapi5StartBound + 1s); // not 150 ms a character
    EXPECT_FALSE(state().sapi5speaking);
    EXPECT_THAT(notices, ElementsAre(message(Message::SpeechdSilent)));

    began = queue.now();
    speech.say("dlouhy radek, na ktery se uz neceka");
    EXPECT_EQ(queue.now(), began); // handed over, not waited for
    EXPECT_EQ(voice->spoken.size(), 2u);
    EXPECT_EQ(notices.size(), 1u);

    voice->ending = Ending::Later; // it speaks again
    speech.say("mluvi");
    queue.processPending(); // its start arrives while the program goes on
    EXPECT_FALSE(state().sapi5silent);
    began = queue.now();
    speech.say("a zase se na nej ceka");
    EXPECT_GT(queue.now(), began); // waited for to its end
    EXPECT_FALSE(state().sapi5speaking);
    // The ends of the streams not waited for arrive too; then it falls silent again.
    queue.processUntil([this] { return queue.waiting() == 0; }, queue.now() + 10s);
    voice->ending = Ending::Silent;
    speech.say("zase ticho");
    EXPECT_THAT(notices,
                ElementsAre(message(Message::SpeechdSilent), message(Message::SpeechdSilent)));
}

// --- stopspeech with SAPI 4 ---

TEST_F(SpeechLayerTest, StopspeechResetsSapi4OnlyWhileItSpeaksAndIsReady)
{
    const auto central = selectSapi4();
    speech.stopspeech();
    EXPECT_EQ(central->resets, 0); // nothing has started playing

    central->ending = Ending::Never;
    speech.saynowait("mluvim");
    queue.processPending(); // AudioStart arrives
    ASSERT_TRUE(state().sapi4speaking);
    state().engineready = false; // switched engines since: wait for the next selection
    speech.stopspeech();
    EXPECT_EQ(central->resets, 0);
    state().engineready = true;
    speech.stopspeech();
    EXPECT_EQ(central->resets, 1);
}

TEST_F(SpeechLayerTest, StopspeechInsideSayEndsTheWait)
{
    const auto central = selectSapi4();
    central->ending = Ending::Never;
    queue.postLater([this] { speech.stopspeech(); }); // a key pressed while it speaks
    const auto started = queue.now();
    speech.say("dlouhy text");
    EXPECT_EQ(central->resets, 1);
    EXPECT_FALSE(state().sapi4speaking);
    EXPECT_LT(queue.now() - started, 1s); // ended by the engine, not by the bound
}

TEST_F(SpeechLayerTest, ASayNestedInsideAWaitSpeaksAndBothReturn)
{
    const auto central = selectSapi4();
    queue.postLater([this] { speech.say("vnoreny"); });
    speech.say("vnejsi");
    EXPECT_THAT(log, ElementsAre("TextData vnejsi", "TextData vnoreny"));
    EXPECT_FALSE(state().sapi4speaking);
}

// --- the bound on waits ---

TEST_F(SpeechLayerTest, AWaitThatHearsNothingEndsAfterTheTextsLengthAndTheMargin)
{
    useSapi5();
    voice->ending = Ending::Never;
    // The start of the stream is heard at once; then nothing more.
    const auto started = queue.now();
    speech.say("0123456789");
    EXPECT_EQ(queue.now() - started, 10 * kSilentWaitPerCharacter + kSilentWaitMargin);
    EXPECT_TRUE(state().sapi5speaking); // the service never said it had ended
}

TEST_F(SpeechLayerTest, EveryEngineEventGivesTheWaitItsWholeBoundAgain)
{
    const auto central = selectSapi4();
    central->ending = Ending::Never;
    // 100 ms in, the engine says something (an AudioStart of a later text).
    queue.postLater([this] { state().notifysink->AudioStart(0); });
    const auto started = queue.now();
    speech.say("abc");
    EXPECT_EQ(queue.now() - started, 100ms + 3 * kSilentWaitPerCharacter + kSilentWaitMargin);
}

// --- saykeyname ---

TEST_F(SpeechLayerTest, Sapi4SpeaksAKeyNameAndWaitsEvenWhenSpeechIsNotAllowed)
{
    const auto central = selectSapi4();
    speech.setSpeechAllowed(false);
    speech.saykeyname(cp1250("velké a"));
    EXPECT_THAT(log, ElementsAre("TextData " + cp1250("velké a")));
    EXPECT_EQ(central->texts[0].bytes, cp1250("velké a") + std::string(1, '\0'));
    EXPECT_FALSE(state().sapi4speaking);
    EXPECT_EQ(queue.pendingPasses, 1);
}

TEST_F(SpeechLayerTest, NoKeyNameBeforeAVoiceIsSelectedNorForAnEmptyName)
{
    selectSapi4();
    state().engineready = false;
    speech.saykeyname("a");
    state().engineready = true;
    speech.saykeyname("");
    useSapi5();
    speech.saykeyname("");
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(voice->spoken.empty());
}

TEST_F(SpeechLayerTest, Sapi5GetsTheKeyNameAsMarkupAndIsNotWaitedFor)
{
    useSapi5();
    speech.saykeyname(cp1250("velké a"));
    EXPECT_THAT(voice->spoken, ElementsAre(Spoken{"velké a", 9}));
    EXPECT_EQ(queue.waits, 0);
    EXPECT_EQ(queue.pendingPasses, 0);
}

// --- switchengine ---

class Item final : public MenuItem {
public:
    void setChecked(bool c) override { check = c; }
    void setEnabled(bool e) override { enabled = e; }
    bool check = false;
    bool enabled = true;
};

TEST_F(SpeechLayerTest, SwitchingToSapi5ChecksTheItemDisablesVoiceStoresItAndPlaysUp)
{
    Item usesapi5;
    Item voiceitem;
    speech.switchengine(usesapi5, voiceitem);
    EXPECT_TRUE(usesapi5.check);
    EXPECT_FALSE(voiceitem.enabled);
    EXPECT_TRUE(state().usesapi5);
    EXPECT_TRUE(state().engineready);
    // Chosen, so connected (it finishes connecting on its own thread), then the tones.
    EXPECT_THAT(log, ElementsAre("EventInterests 0", "<sound 400 #3 50ms>", "<sound 600 #3 50ms>"));
    // Written as "SAPI5", read back under any spelling.
    EXPECT_TRUE(profile.readBool("voice", "sapi5", false));
    EXPECT_NE(dir.read("tovana.ini").find("SAPI5=1"), std::string::npos);
}

TEST_F(SpeechLayerTest, SwitchingBackPlaysDownAndLeavesSapi4WaitingForAVoice)
{
    Item usesapi5;
    Item voiceitem;
    const auto central = selectSapi4();
    speech.switchengine(usesapi5, voiceitem);
    log.clear();
    speech.switchengine(usesapi5, voiceitem);
    EXPECT_FALSE(usesapi5.check);
    EXPECT_TRUE(voiceitem.enabled);
    EXPECT_FALSE(state().usesapi5);
    EXPECT_FALSE(state().engineready);
    EXPECT_THAT(log, ElementsAre("<sound 600 #3 50ms>", "<sound 400 #3 50ms>"));
    EXPECT_FALSE(profile.readBool("Voice", "SAPI5", true));

    // The old voice still speaks `say`; the keys wait for the next selection.
    log.clear();
    speech.saykeyname("a");
    speech.say("stale");
    EXPECT_THAT(log, ElementsAre("TextData stale"));
}

TEST_F(SpeechLayerTest, TheSavedEngineIsReadUnderAnySpellingAndTheMenuShowsTheLayersChoice)
{
    struct Row {
        const char* description;
        const char* file; //: nullptr: no settings file
        bool sapi5;
    };
    const Row rows[] = {
        {"no file: espeak-ng", nullptr, false},
        {"as the menu item writes it", "[Voice]\nSAPI5=1\n", true},
        {"in other cases", "[VOICE]\nsapi5=1\n", true},
        {"switched off", "[Voice]\nSAPI5=0\n", false},
        {"malformed", "[Voice]\nSAPI5=ano\n", false},
    };
    for (const Row& row : rows) {
        std::filesystem::remove(dir.path() / "tovana.ini");
        if (row.file != nullptr) {
            dir.write("tovana.ini", row.file);
        }
        speech.useengine(false);
        speech.usesavedengine();
        EXPECT_EQ(speech.usesSpeechDispatcher(), row.sapi5) << row.description;
        EXPECT_EQ(speech.engineready(), row.sapi5) << row.description;
    }

    // The item's check mark, whatever it showed, follows the layer's choice.
    Item usesapi5;
    Item voiceitem;
    usesapi5.check = true; // out of step, as Qt leaves it after turning it over itself
    speech.switchengine(usesapi5, voiceitem);
    EXPECT_TRUE(speech.usesSpeechDispatcher());
    EXPECT_TRUE(usesapi5.check);
}

TEST_F(SpeechLayerTest, PrintedTextIsReadByTheOwnVoiceOnlyWhenItCanSpeak)
{
    EXPECT_FALSE(speech.speaksPrintedText()); // nothing selected, speech not allowed
    speech.setSpeechAllowed(true);
    EXPECT_FALSE(speech.speaksPrintedText()); // allowed, but no voice selected yet
    selectSapi4();
    EXPECT_TRUE(speech.isSpeechAllowed());
    EXPECT_TRUE(speech.speaksPrintedText());
    speech.setSpeechAllowed(false);
    EXPECT_FALSE(speech.speaksPrintedText());
    speech.useengine(true); // speech-dispatcher speaks whatever "voiceallowed" says
    EXPECT_TRUE(speech.speaksPrintedText());
}

// --- initspeech ---

TEST_F(SpeechLayerTest, InitspeechMakesTheAudioDestinationThenTheEnumerator)
{
    speech.initspeech();
    EXPECT_EQ(state().audiodestination, audio);
    EXPECT_EQ(state().ttsenum, enumerator);
    EXPECT_TRUE(speech.voicesavailable());
}

TEST_F(SpeechLayerTest, InitspeechSwallowsFailuresAndLeavesWhatWasNotMadeEmpty)
{
    enumeratorFails = true;
    EXPECT_NO_THROW(speech.initspeech());
    EXPECT_EQ(state().audiodestination, audio);
    EXPECT_FALSE(speech.voicesavailable());

    enumeratorFails = false;
    audioFails = true;
    EXPECT_NO_THROW(speech.initspeech());
    EXPECT_EQ(state().audiodestination, nullptr);
    EXPECT_EQ(state().ttsenum, nullptr); // the enumerator is not even tried
}

TEST_F(SpeechLayerTest, InitspeechDropsAnEarlierSelection)
{
    selectSapi4();
    state().selectedmode = sapi4::TTSMODEINFOA{};
    speech.initspeech();
    EXPECT_EQ(state().ttscentral, nullptr);
    EXPECT_EQ(state().ttsattributes, nullptr);
    EXPECT_FALSE(state().selectedmode.has_value());
    EXPECT_EQ(state().registrationkey, 0u);
}

// --- wiring ---

TEST_F(SpeechLayerTest, PrintSpeaksThroughSay)
{
    selectSapi4();
    runtime::Console console(dir.path());
    runtime::ConsoleHost host;
    tov::testing::RecordingPauser pauser;
    host.speech = &speech;
    host.pauser = &pauser;
    console.setHost(host);
    console.print("hotovo", runtime::PrintMode::EndLine);
    EXPECT_THAT(log, ElementsAre("TextData hotovo"));
}

TEST(ErrorText, KnownCodesHaveWordsAndOthersTheirNumber)
{
    EXPECT_EQ(sapi4::errorText(sapi4::E_NOTIMPL), "Not implemented");
    EXPECT_EQ(sapi4::errorText(static_cast<sapi4::HRESULT>(0x80041234)), "OLE error 80041234");
    EXPECT_NO_THROW(sapi4::olecheck(sapi4::S_FALSE));
}

} // namespace
} // namespace tov::speech::testing
