// Voice selection and the voice dialog's handlers over recording engines and plain
// controls: the "Jakub" rule, the probing of an engine's ranges, the settings file's
// "Voice" section, Start's preparation, the track bars' tags and what the dialog says.
#include "common/localizer.h"
#include "common/text.h"
#include "speech/voiceselection.h"
#include "speech_fixture.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tov::speech::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ::tov::testing::cp1250;

class FakeView final : public VoiceDialogView {
public:
    Captioned& voicestatic() override { return voicestatic_; }
    Captioned& pitchstatic() override { return pitchstatic_; }
    Captioned& speedstatic() override { return speedstatic_; }
    Captioned& volumestatic() override { return volumestatic_; }
    Captioned& vyberhlasbitbtn() override { return choose_; }
    Captioned& closebitbtn() override { return close_; }
    bool isActive() const override { return active; }
    void activateVoicelist() override { ++listActivations; }
    bool showModal() override
    {
        ++shows;
        active = true;
        const bool ok = whileShown ? whileShown() : false;
        active = false;
        return ok;
    }

    bool active = false;
    int listActivations = 0;
    int shows = 0;
    std::function<bool()> whileShown; //: what the user does; true: closes with OK
    FakeCaption voicestatic_{"&Hlasy"};
    FakeCaption pitchstatic_{cp1250("&Výška")};
    FakeCaption speedstatic_{"&Rychlost"};
    FakeCaption volumestatic_{"Hla&sitost"};
    FakeCaption choose_{"Zvolit hl&as"};
    FakeCaption close_{cp1250("Za&vřít")};
};

// Speech through the layer lands in the log as "say ..." when it reaches an engine.
class VoiceSelectionTest : public ::testing::Test, protected SpeechFixture {
protected:
    VoiceSelectionTest() { languageSettings().languagebase = kCzechBase; }

    void voices(std::vector<std::string> names)
    {
        enumerator = std::make_shared<FakeEnumerator>(queue, log, std::move(names));
    }
    // Start-up as far as the voice dialog's creation.
    void startUp()
    {
        speech.initspeech();
        speech.createnotifysink();
        speech.setSpeechAllowed(true);
        selection.fillvoicelist();
    }
    FakeCentral& central() { return *enumerator->centrals.back(); }
    // The voices, the chosen one and the levels: what the dialog would show.
    VoiceSettings& model() { return speech.voiceSettings(); }
    const LevelRange& speed() { return model().level(VoiceLevel::Speed); }
    const LevelRange& pitch() { return model().level(VoiceLevel::Pitch); }
    const LevelRange& volume() { return model().level(VoiceLevel::Volume); }

    FakeView view;
    tov::testing::RecordingProcess process;
    VoiceSelection selection{speech, view, process};
};

// --- fillvoicelist and voicelistClick ---

TEST_F(VoiceSelectionTest, JakubIsChosenWhereverItIsListed)
{
    voices({"Czech", "Jakub", "English"});
    startUp();
    EXPECT_THAT(model().voices(), ElementsAre("Czech", "Jakub", "English"));
    EXPECT_EQ(model().chosen(), 1);
    ASSERT_TRUE(state().selectedmode.has_value());
    EXPECT_EQ(state().selectedmode->gModeID, FakeEnumerator::idOf(1));
    EXPECT_EQ(sapi4::fieldText(state().selectedmode->szModeName), "Jakub");
    EXPECT_THAT(log, IsEmpty()); // listing selects no engine and says nothing
}

TEST_F(VoiceSelectionTest, WithoutAnExactJakubTheFirstVoiceIsChosen)
{
    voices({"Czech", "jakub", "English"});
    startUp();
    EXPECT_EQ(model().chosen(), 0);
    EXPECT_EQ(state().selectedmode->gModeID, FakeEnumerator::idOf(0));
}

TEST_F(VoiceSelectionTest, AnEngineWithoutVoicesLeavesNothingToSelect)
{
    voices({});
    startUp();
    EXPECT_EQ(model().chosen(), -1);
    EXPECT_FALSE(state().selectedmode.has_value());
    selection.selectengine();
    EXPECT_TRUE(enumerator->centrals.empty());
    selection.writevoicesettings();
    EXPECT_EQ(profile.readString("Voice", "person", "unset"), "");
}

TEST_F(VoiceSelectionTest, FillingTheListAgainDoesNotRepeatTheVoices)
{
    voices({"Czech", "Jakub"});
    startUp();
    selection.fillvoicelist();
    EXPECT_THAT(model().voices(), ElementsAre("Czech", "Jakub"));
}

TEST_F(VoiceSelectionTest, ClickingALineWhileTheDialogIsActiveResetsAndSaysItButKeepsTheEngine)
{
    voices({"Czech", "Jakub", "English"});
    startUp();
    selection.selectengine();
    log.clear();
    view.active = true;
    model().choose(2);
    selection.voicelistClick();
    EXPECT_THAT(log, ElementsAre("AudioReset", "TextData English"));
    EXPECT_EQ(state().selectedmode->gModeID, FakeEnumerator::idOf(2));
    EXPECT_EQ(enumerator->centrals.size(), 1u); // the engine follows only at selectengine
}

TEST_F(VoiceSelectionTest, ClickingWithNoLineChosenKeepsTheRecord)
{
    voices({"Czech"});
    startUp();
    model().choose(-1);
    selection.voicelistClick();
    EXPECT_EQ(state().selectedmode->gModeID, FakeEnumerator::idOf(0));
}

// --- selectengine ---

TEST_F(VoiceSelectionTest, SelectengineProbesTheRangesSetsTheTrackBarsAndRegisters)
{
    voices({"Czech"});
    startUp();
    selection.selectengine();

    ASSERT_EQ(enumerator->centrals.size(), 1u);
    EXPECT_EQ(enumerator->audioGiven[0], audio.get());
    EXPECT_TRUE(state().engineready);
    EXPECT_EQ(state().ttscentral, enumerator->centrals[0]);
    EXPECT_NE(state().ttsattributes, nullptr);
    EXPECT_EQ(speed().minimum, 80);
    EXPECT_EQ(speed().maximum, 450);
    EXPECT_EQ(speed().value, 175);
    EXPECT_EQ(speed().ticks, 37);
    EXPECT_EQ(pitch().maximum, 100);
    EXPECT_EQ(pitch().value, 50);
    EXPECT_EQ(pitch().ticks, 10);
    EXPECT_EQ(volume().maximum, 255);
    EXPECT_EQ(volume().value, 255);
    EXPECT_EQ(volume().ticks, 1); // left as it was
    EXPECT_TRUE(model().isAdjustable());
    // Probing left the engine at its own values.
    EXPECT_EQ(central().speed.current, 175u);
    EXPECT_EQ(central().volume.current, 0xFFFFFFFFu);
    // The track bars' moves handed the engine its values as tags (the speed bar passed
    // through the bottom of its new range on the way).
    EXPECT_THAT(central().tags,
                ElementsAre("\\Spd=80\\", "\\Spd=175\\", "\\Pit=50\\", "\\Vol=65280\\"));
    ASSERT_EQ(central().sinks.size(), 1u);
    EXPECT_EQ(central().sinks.begin()->second, state().notifysink);
    EXPECT_EQ(central().registeredIIDs.back(), sapi4::IID_ITTSNotifySinkA);
    EXPECT_EQ(state().registrationkey, central().sinks.begin()->first);
}

TEST_F(VoiceSelectionTest, SelectingAgainUnregistersFromTheOldEngineWithTheStoredKey)
{
    voices({"Czech", "English"});
    startUp();
    selection.selectengine();
    const uint32_t key = state().registrationkey;
    log.clear();
    model().choose(1);
    selection.voicelistClick();
    selection.selectengine();
    EXPECT_EQ(log[0], "UnRegister " + std::to_string(key));
    EXPECT_EQ(log[1], "Select English");
    EXPECT_TRUE(enumerator->centrals[0]->sinks.empty());
}

TEST_F(VoiceSelectionTest, ReplacingASpeakingEngineDoesNotLeaveTheSpeakingFlagSet)
{
    voices({"Czech"});
    startUp();
    selection.selectengine();
    central().ending = Ending::Never;
    speech.saynowait("a");
    queue.processPending();
    ASSERT_TRUE(state().sapi4speaking);
    selection.selectengine(); // the old engine's AudioStop will never reach the sink
    EXPECT_FALSE(state().sapi4speaking);
}

TEST_F(VoiceSelectionTest, AnEngineWithoutSpeedKeepsTheSpeedBarButEnablesIt)
{
    voices({"Czech"});
    enumerator->prepare = [](FakeCentral& c) { c.speed.implemented = false; };
    startUp();
    model().setMaximum(VoiceLevel::Speed, 300);
    model().setValue(VoiceLevel::Speed, 120);
    model().setTicks(VoiceLevel::Speed, 3);
    selection.selectengine();
    EXPECT_EQ(speed().maximum, 300);
    EXPECT_EQ(speed().value, 120);
    EXPECT_EQ(speed().ticks, 3);
    EXPECT_TRUE(model().isAdjustable());
    EXPECT_EQ(pitch().maximum, 100); // the others are probed as usual
}

TEST_F(VoiceSelectionTest, TickSpacingRoundsHalfToEven)
{
    voices({"Czech"});
    enumerator->prepare = [](FakeCentral& c) {
        c.speed = {100, 125, 110}; // 2.5 ticks -> 2
        c.pitch = {0, 35, 10};     // 3.5 -> 4
    };
    startUp();
    selection.selectengine();
    EXPECT_EQ(speed().ticks, 2);
    EXPECT_EQ(pitch().ticks, 4);
}

TEST_F(VoiceSelectionTest, AnEngineSpeedBeyondTheTrackBarsRangeStaysAtItsTop)
{
    voices({"Czech"});
    enumerator->prepare = [](FakeCentral& c) { c.speed = {0, 0xFFFFFFFF, 0xFFFFFFFF}; };
    startUp();
    selection.selectengine();
    EXPECT_EQ(speed().maximum, 0x7FFFFFFF);
    EXPECT_EQ(speed().value, 0x7FFFFFFF);
    EXPECT_EQ(speed().ticks, 429496730);
}

// --- the settings file ---

TEST_F(VoiceSelectionTest, WriteAndReadKeepTheVoiceAndItsValues)
{
    voices({"Czech", "Jakub"});
    startUp();
    selection.selectengine();
    model().setValue(VoiceLevel::Pitch, 30);
    model().setValue(VoiceLevel::Speed, 200);
    model().setValue(VoiceLevel::Volume, 128);
    selection.writevoicesettings();
    EXPECT_EQ(profile.readString("voice", "PERSON", ""), "Jakub");
    EXPECT_EQ(profile.readInteger("Voice", "pitch", -1), 30);
    EXPECT_EQ(profile.readInteger("Voice", "speed", -1), 200);
    EXPECT_EQ(profile.readInteger("Voice", "volume", -1), 128);

    model().setValue(VoiceLevel::Pitch, 0);
    log.clear();
    selection.readvoicesettings();
    EXPECT_EQ(model().chosen(), 1);
    EXPECT_EQ(pitch().value, 30);
    EXPECT_EQ(speed().value, 200);
    EXPECT_EQ(volume().value, 128);
    // Hidden dialog: the tags reach the new engine, nothing is said.
    const auto& tags = central().tags;
    ASSERT_GE(tags.size(), 3u);
    EXPECT_THAT(std::vector<std::string>(tags.end() - 3, tags.end()),
                ElementsAre("\\Pit=30\\", "\\Spd=200\\", "\\Vol=32768\\"));
    EXPECT_THAT(log.spoken(), IsEmpty());
}

TEST_F(VoiceSelectionTest, TheSavedNameMatchesWithoutRegardToCase)
{
    voices({"Czech", cp1250("Šárka")});
    startUp();
    profile.writeString("Voice", "person", cp1250("šÁRKA"));
    selection.readvoicesettings();
    EXPECT_EQ(model().chosen(), 1);
    EXPECT_EQ(central().name(), cp1250("Šárka"));
}

TEST_F(VoiceSelectionTest, SavedValuesAreKeptWithinTheRanges)
{
    voices({"Czech"});
    startUp();
    profile.writeString("Voice", "person", "Czech");
    profile.writeInteger("Voice", "volume", 300);
    selection.readvoicesettings();
    EXPECT_EQ(volume().value, 255);
    EXPECT_EQ(pitch().value, 0);  // "pitch" missing: 0
    EXPECT_EQ(speed().value, 80); // "speed" missing: 0, the range's bottom
}

TEST_F(VoiceSelectionTest, AVoiceThatIsNotInstalledShowsMessage43AndEndsTheProcess)
{
    voices({"Czech"});
    startUp();
    profile.writeString("Voice", "person", "Zdenek");
    EXPECT_THROW(selection.readvoicesettings(), tov::testing::ProcessEnded);
    EXPECT_THAT(process.messages,
                ElementsAre(cp1250("Nelze nalézt hlas uvedený v ini souboru: Zdenek")));
    EXPECT_TRUE(enumerator->centrals.empty());
}

TEST_F(VoiceSelectionTest, ReadingDoesNothingWithoutPermissionOrSavedName)
{
    voices({"Czech"});
    startUp();
    selection.readvoicesettings(); // no name saved
    profile.writeString("Voice", "person", "Zdenek");
    speech.setSpeechAllowed(false);
    selection.readvoicesettings();
    EXPECT_TRUE(enumerator->centrals.empty());
    EXPECT_TRUE(process.messages.empty());
}

// --- Start and the Sounds dialog ---

TEST_F(VoiceSelectionTest, StartWithoutASavedVoiceSavesTheDefaultOne)
{
    voices({"Czech", "Jakub"});
    startUp();
    selection.preparevoice();
    EXPECT_EQ(profile.readString("Voice", "person", ""), "Jakub");
    EXPECT_EQ(profile.readInteger("Voice", "speed", 0), 175);
    EXPECT_TRUE(state().engineready);
    EXPECT_EQ(enumerator->centrals.size(), 2u); // selected, then selected again from the file
}

TEST_F(VoiceSelectionTest, StartWithASavedVoiceSelectsItOnce)
{
    voices({"Czech", "Jakub"});
    startUp();
    profile.writeString("Voice", "person", "Czech");
    selection.preparevoice();
    ASSERT_EQ(enumerator->centrals.size(), 1u);
    EXPECT_EQ(central().name(), "Czech");
}

TEST_F(VoiceSelectionTest, StartDoesNothingForSapi5OrWithSpeechOff)
{
    voices({"Czech"});
    startUp();
    speech.useengine(true);
    selection.preparevoice();
    speech.useengine(false);
    speech.setSpeechAllowed(false);
    selection.preparevoice();
    EXPECT_TRUE(enumerator->centrals.empty());
    EXPECT_FALSE(profile.exists());
}

TEST_F(VoiceSelectionTest, EnablevoiceListsSelectsAndSaves)
{
    voices({"Jakub"});
    speech.initspeech();
    speech.createnotifysink();
    speech.setSpeechAllowed(true);
    selection.enablevoice();
    EXPECT_EQ(static_cast<int>(model().voices().size()), 1);
    EXPECT_EQ(enumerator->centrals.size(), 1u);
    EXPECT_EQ(profile.readString("Voice", "person", ""), "Jakub");
}

// --- the dialog's handlers ---

class DialogTest : public VoiceSelectionTest {
protected:
    void SetUp() override
    {
        voices({"Czech", "Jakub"});
        startUp();
        selection.selectengine();
        log.clear();
    }
};

TEST_F(DialogTest, MovingSpeedWhileActiveResetsInjectsAndSaysTheValue)
{
    view.active = true;
    model().setValue(VoiceLevel::Speed, 200);
    EXPECT_THAT(log, ElementsAre("AudioReset", "Inject \\Spd=200\\", "TextData 200"));
}

TEST_F(DialogTest, VolumeWorksInTheHighByteOfTheChannel)
{
    view.active = true;
    model().setValue(VoiceLevel::Volume, 128);
    EXPECT_THAT(log, ElementsAre("AudioReset", "Inject \\Vol=32768\\", "TextData 128"));
    log.clear();
    model().setValue(VoiceLevel::Pitch, 7);
    EXPECT_THAT(log, ElementsAre("AudioReset", "Inject \\Pit=7\\", "TextData 7"));
}

TEST_F(DialogTest, ActivationSpeaksTheTitleAndTheChosenVoiceThenFocusSpeaks)
{
    view.active = true;
    selection.voicelistEnter(); // the list has the focus before the dialog announced itself
    EXPECT_THAT(log, IsEmpty());
    selection.FormActivate();
    EXPECT_TRUE(selection.voicedialogflag());
    EXPECT_THAT(log.spoken(), ElementsAre(cp1250("Nastavení hlasu"), "&Hlasy Jakub"));
    log.clear();
    selection.pitchtbEnter();
    selection.vyberhlasbitbtnEnter();
    selection.voicelistEnter();
    EXPECT_THAT(log, ElementsAre("AudioReset", "TextData " + cp1250("&Výška 50"), "AudioReset",
                                 "TextData Zvolit hl&as", "AudioReset", "TextData &Hlasy Jakub"));
    selection.FormClose();
    EXPECT_FALSE(selection.voicedialogflag());
}

TEST_F(DialogTest, FocusOnAnInactiveDialogSpeaksWithoutResetting)
{
    selection.speedtbEnter();
    selection.closebitbtnEnter();
    EXPECT_THAT(log, ElementsAre("TextData &Rychlost 175", "TextData " + cp1250("Za&vřít")));
}

TEST_F(DialogTest, TheVoiceCommandWithSpeechOffShowsMessage18Only)
{
    speech.setSpeechAllowed(false);
    selection.VoicesubmenuClick([] { return std::string("Tovana - tovana"); });
    EXPECT_THAT(process.messages,
                ElementsAre(cp1250(
                    "Používání hlasu není povoleno. Povolit jej můžete v menu Nastavení/Zvuky.")));
    EXPECT_EQ(view.shows, 0);
}

TEST_F(DialogTest, OkSavesReselectsAndSaysVoiceSelected)
{
    view.whileShown = [this] {
        model().choose(0); // the user picks Czech and lowers the pitch
        selection.voicelistClick();
        model().setValue(VoiceLevel::Pitch, 20);
        return true;
    };
    selection.VoicesubmenuClick([] { return std::string("Tovana - tovana"); });
    EXPECT_EQ(view.listActivations, 1);
    EXPECT_EQ(profile.readString("Voice", "person", ""), "Czech");
    EXPECT_EQ(profile.readInteger("Voice", "pitch", 0), 20);
    EXPECT_EQ(central().name(), "Czech");
    EXPECT_EQ(log.spoken().back(), cp1250("Hlas vybrán."));
}

TEST_F(DialogTest, CancelSaysTheMainCaptionAndWritesNothing)
{
    profile.writeString("Voice", "person", "Jakub");
    profile.writeInteger("Voice", "pitch", 50);
    view.whileShown = [this] {
        model().setValue(VoiceLevel::Pitch, 20);
        return false;
    };
    selection.VoicesubmenuClick([] { return std::string("Tovana - tovana"); });
    EXPECT_EQ(profile.readInteger("Voice", "pitch", 0), 50);
    EXPECT_EQ(pitch().value, 20); // the change stays in effect on the engine
    EXPECT_EQ(log.spoken().back(), "Tovana - tovana");
}

TEST_F(DialogTest, TheVoiceCommandSelectsADefaultVoiceFirstWhenNoneIsReady)
{
    speech.useengine(false); // as after switching back from SAPI 5
    view.whileShown = [] { return false; };
    selection.VoicesubmenuClick([] { return std::string("x"); });
    EXPECT_EQ(profile.readString("Voice", "person", ""), "Jakub");
    EXPECT_TRUE(state().engineready);
}

} // namespace
} // namespace tov::speech::testing
