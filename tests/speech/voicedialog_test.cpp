// The voice dialog and the speech menu items as widgets under Qt's offscreen platform,
// over the recording engines: creation, captions and layout, the spoken focus sequence
// as the user opens the dialog and moves through it, OK and Cancel, Ctrl+P.
#include "common/localizer.h"
#include "common/qtext.h"
#include "speech/speechmenu.h"
#include "speech/voicedialog.h"
#include "speech_fixture.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLayout>
#include <QListWidget>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <QTimer>
#include <gmock/gmock.h>
#include <gtest/gtest.h>

namespace tov::speech::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

using ::tov::testing::cp1250;

class TForm4Test : public ::testing::Test, protected SpeechFixture {
protected:
    TForm4Test()
    {
        languageSettings().languagebase = kCzechBase;
        enumerator = std::make_shared<FakeEnumerator>(
            queue, log, std::vector<std::string>{"Czech", "Jakub", "English"});
        speech.initspeech();
    }

    std::unique_ptr<TForm4> create()
    {
        auto form = std::make_unique<TForm4>(speech, process);
        log.clear();
        return form;
    }

    // Opens the dialog with the Voice command and runs `script` once it is the active
    // window; returns what the engines were told to say meanwhile.
    std::vector<std::string> open(TForm4& form, const std::function<void()>& script)
    {
        bool ran = false;
        QTimer::singleShot(0, &form, [&] {
            EXPECT_TRUE(QTest::qWaitForWindowActive(&form));
            script();
            ran = true;
            if (form.isVisible()) {
                form.reject(); // a failed script must not leave the dialog open
            }
        });
        form.VoicesubmenuClick([] { return std::string("Tovana - tovana"); });
        EXPECT_TRUE(ran);
        return log.spoken();
    }

    static void press(int key)
    {
        QTest::keyClick(QApplication::focusWidget(), static_cast<Qt::Key>(key));
    }

    tov::testing::RecordingProcess process;
};

TEST_F(TForm4Test, CreationGivesSapi5ItsInterestsMakesTheSinkAndListsTheVoices)
{
    const auto form = create();
    EXPECT_EQ(voice, nullptr); // connected only once SAPI 5 is chosen, as the settings do next
    speech.useengine(true);
    ASSERT_NE(voice, nullptr);
    EXPECT_THAT(voice->interests, ElementsAre(33790));
    EXPECT_NE(state().notifysink, nullptr);
    EXPECT_TRUE(state().voiceallowed); // "voice"/"voiceallowed" missing: allowed
    EXPECT_EQ(form->voicelist()->count(), 3);
    EXPECT_EQ(form->voicelist()->currentRow(), 1);
    EXPECT_TRUE(process.messages.empty());
}

TEST_F(TForm4Test, CaptionsLayoutAndTabOrder)
{
    const auto form = create();
    EXPECT_EQ(form->windowTitle(), text::toQString(cp1250("Nastavení hlasu")));
    EXPECT_EQ(form->voicestatic()->text(), "&Hlasy");
    EXPECT_EQ(form->pitchstatic()->text(), text::toQString(cp1250("&Výška")));
    EXPECT_EQ(form->speedstatic()->text(), "&Rychlost");
    EXPECT_EQ(form->volumestatic()->text(), "Hla&sitost");
    EXPECT_EQ(form->vyberhlasbitbtn()->text(), "Zvolit hl&as");
    EXPECT_EQ(form->closebitbtn()->text(), text::toQString(cp1250("Za&vřít")));
    // Each label whole and just above what it names; the buttons below the lowest bar.
    form->layout()->activate();
    for (QLabel* l :
         {form->voicestatic(), form->pitchstatic(), form->speedstatic(), form->volumestatic()}) {
        const QRect below = l->buddy()->geometry();
        EXPECT_GE(l->width(), l->sizeHint().width()) << l->text().toStdString();
        EXPECT_TRUE(l->x() == below.x() && l->geometry().bottom() < below.top() &&
                    below.top() - l->geometry().bottom() < l->height())
            << l->text().toStdString();
    }
    EXPECT_GT(form->pitchtb()->x(), form->voicelist()->geometry().right());
    EXPECT_GT(form->closebitbtn()->y(), form->volumetb()->geometry().bottom());
    EXPECT_EQ(form->pitchstatic()->buddy(), form->pitchtb());
    EXPECT_TRUE(form->vyberhlasbitbtn()->isDefault());
    // Before any engine is selected the track bars wait, disabled, with their labels.
    for (QSlider* bar : {form->pitchtb(), form->speedtb(), form->volumetb()}) {
        EXPECT_FALSE(bar->isEnabled());
        EXPECT_EQ(bar->maximum(), 10);
    }
    EXPECT_FALSE(form->volumestatic()->isEnabled());

    std::vector<QWidget*> chain;
    QWidget* w = form->voicelist();
    for (int step = 0; step < 50 && chain.size() < 6; ++step, w = w->nextInFocusChain()) {
        if (w->focusPolicy() & Qt::TabFocus) {
            chain.push_back(w);
        }
    }
    EXPECT_THAT(chain, ElementsAre(form->voicelist(), form->pitchtb(), form->speedtb(),
                                   form->volumetb(), form->vyberhlasbitbtn(), form->closebitbtn()));
}

TEST_F(TForm4Test, TheWidgetsDrawTheVoiceSettingsAndTheUsersMovesReachThem)
{
    const auto form = create();
    VoiceSettings& model = speech.voiceSettings();
    form->voiceselection().selectengine(); // Jakub, chosen at creation
    // The engine's ranges and values, as the selection put them into the model.
    EXPECT_EQ(form->speedtb()->minimum(), 80);
    EXPECT_EQ(form->speedtb()->maximum(), 450);
    EXPECT_EQ(form->speedtb()->value(), 175);
    EXPECT_EQ(form->speedtb()->tickInterval(), 37);
    EXPECT_EQ(form->volumetb()->value(), 255);
    EXPECT_TRUE(form->pitchtb()->isEnabled());
    EXPECT_TRUE(form->pitchstatic()->isEnabled());

    // A move from elsewhere (the settings file, the terminal) moves the bar, once.
    log.clear();
    model.setValue(VoiceLevel::Pitch, 30);
    EXPECT_EQ(form->pitchtb()->value(), 30);
    EXPECT_THAT(log, ElementsAre("AudioReset", "Inject \\Pit=30\\"));

    // The user's move reaches the model, and through it the engine.
    log.clear();
    form->volumetb()->setValue(128);
    EXPECT_EQ(model.level(VoiceLevel::Volume).value, 128);
    EXPECT_THAT(log, ElementsAre("AudioReset", "Inject \\Vol=32768\\"));
    // A move outside the engine's range stops at its end, in the model as on the bar.
    model.setValue(VoiceLevel::Speed, 9999);
    EXPECT_EQ(form->speedtb()->value(), 450);

    // A line chosen in code is drawn without counting as the user's click.
    log.clear();
    model.choose(2);
    EXPECT_EQ(form->voicelist()->currentRow(), 2);
    EXPECT_THAT(log, IsEmpty());
    form->voicelist()->setCurrentRow(0); // the user's click
    EXPECT_EQ(model.chosen(), 0);
    EXPECT_EQ(sapi4::fieldText(state().selectedmode->szModeName), "Czech");
}

TEST_F(TForm4Test, TheModelOutlivesTheDialogAndForgetsIt)
{
    create()->voiceselection().selectengine();
    // The dialog and its selection are gone: a move reaches no widget and no engine.
    log.clear();
    speech.voiceSettings().setValue(VoiceLevel::Pitch, 20);
    EXPECT_EQ(speech.voiceSettings().level(VoiceLevel::Pitch).value, 20);
    EXPECT_THAT(log, IsEmpty());
}

TEST_F(TForm4Test, WithSpeechOffTheListStaysEmpty)
{
    profile.writeInteger("voice", "voiceallowed", 0);
    const auto form = create();
    EXPECT_FALSE(state().voiceallowed);
    EXPECT_EQ(form->voicelist()->count(), 0);
}

TEST_F(TForm4Test, TheCreationNeitherReachesNorMentionsAnUnreachableSapi5Voice)
{
    // espeak-ng in use: speech-dispatcher is none of the user's business.
    voiceFails = true;
    const auto form = create();
    EXPECT_TRUE(process.messages.empty());
    EXPECT_TRUE(notices.empty());
    EXPECT_EQ(voice, nullptr);
    EXPECT_EQ(speech.voice5().EventInterests(), sapi5::SVEAllEvents); // kept for later
    EXPECT_NE(state().notifysink, nullptr);
    EXPECT_EQ(form->voicelist()->count(), 3);
    EXPECT_EQ(form->windowTitle(), text::toQString(cp1250("Nastavení hlasu")));
}

TEST_F(TForm4Test, OpeningSpeaksTitleAndVoiceThenEachControlAsTheFocusMoves)
{
    const auto form = create();
    const auto said = open(*form, [&] {
        EXPECT_EQ(QApplication::focusWidget(), form->voicelist());
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        press(Qt::Key_Tab);
        press(Qt::Key_Escape);
    });
    EXPECT_THAT(said, ElementsAre(cp1250("Nastavení hlasu"), "&Hlasy Jakub", cp1250("&Výška 50"),
                                  "&Rychlost 175", "Hla&sitost 255", "Zvolit hl&as",
                                  cp1250("Za&vřít"), "Tovana - tovana"));
    EXPECT_FALSE(form->isVisible());
    EXPECT_FALSE(form->voiceselection().voicedialogflag());
}

TEST_F(TForm4Test, AnArrowOnTheListSaysTheVoiceAndAnArrowOnATrackBarSaysAndInjects)
{
    const auto form = create();
    open(*form, [&] {
        log.clear();
        press(Qt::Key_Up); // Jakub -> Czech
        EXPECT_THAT(log, ElementsAre("AudioReset", "TextData Czech"));
        press(Qt::Key_Tab);
        log.clear();
        press(Qt::Key_Right);
        EXPECT_THAT(log, ElementsAre("AudioReset", "Inject \\Pit=51\\", "TextData 51"));
        press(Qt::Key_Escape);
    });
    // Cancel: the engine keeps Jakub's voice; the list's choice waits for OK.
    EXPECT_EQ(enumerator->centrals.back()->name(), "Jakub");
}

TEST_F(TForm4Test, TrackBarStepsTypedWhileTheValueIsSpokenApplyInOrder)
{
    // Each `say` serves the queue while it waits; the next arrows, queued behind the
    // first, are handled inside that wait and must step on from the value already set.
    const auto form = create();
    open(*form, [&] {
        press(Qt::Key_Tab);
        auto* pitch = form->findChild<QSlider*>("pitchtb");
        ASSERT_EQ(QApplication::focusWidget(), pitch);
        log.clear();
        queue.postLater([] { press(Qt::Key_Right); });
        queue.postLater([] { press(Qt::Key_Left); });
        queue.postLater([] { press(Qt::Key_Right); });
        press(Qt::Key_Right);
        EXPECT_EQ(pitch->value(), 52);
        const std::vector<std::string> tags = enumerator->centrals.back()->tags;
        ASSERT_GE(tags.size(), 4u);
        EXPECT_THAT(std::vector<std::string>(tags.end() - 4, tags.end()),
                    ElementsAre("\\Pit=51\\", "\\Pit=52\\", "\\Pit=51\\", "\\Pit=52\\"));
        EXPECT_THAT(log.spoken(), ElementsAre("51", "52", "51", "52"));
        press(Qt::Key_Escape);
    });
}

TEST_F(TForm4Test, OkSavesTheChoiceSelectsItAndSaysSo)
{
    const auto form = create();
    const auto said = open(*form, [&] {
        press(Qt::Key_Up);
        form->vyberhlasbitbtn()->click();
    });
    EXPECT_EQ(said.back(), cp1250("Hlas vybrán."));
    EXPECT_EQ(profile.readString("Voice", "person", ""), "Czech");
    EXPECT_EQ(enumerator->centrals.back()->name(), "Czech");
    EXPECT_TRUE(form->speedtb()->isEnabled());
    EXPECT_EQ(form->speedtb()->maximum(), 450);
}

TEST_F(TForm4Test, WithSpeechOffTheCommandShowsMessage18AndTheDialogStaysShut)
{
    const auto form = create();
    speech.setSpeechAllowed(false);
    form->VoicesubmenuClick([] { return std::string("x"); });
    EXPECT_EQ(process.messages.size(), 1u);
    EXPECT_FALSE(form->isVisible());
    EXPECT_THAT(log.spoken(), IsEmpty());
}

class SpeechMenuTest : public TForm4Test {
protected:
    QAction usesapi5submenu;
    QAction Voicesubmenu;
};

TEST_F(SpeechMenuTest, TheMenuItemsGetTheirShortcutsAndFollowTheSettings)
{
    const auto form = create();
    speech.setSpeechAllowed(true);
    SpeechMenu menu(speech, *form, &usesapi5submenu, &Voicesubmenu, [] { return "x"; });
    EXPECT_TRUE(usesapi5submenu.isCheckable());
    EXPECT_EQ(usesapi5submenu.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_P));
    EXPECT_EQ(Voicesubmenu.shortcut(), QKeySequence(Qt::CTRL | Qt::Key_H));
    profile.writeString("VOICE", "sapi5", "1"); // read under any spelling
    menu.settingsread();
    EXPECT_TRUE(usesapi5submenu.isChecked());
    EXPECT_TRUE(state().usesapi5);
    EXPECT_TRUE(state().engineready);
    EXPECT_FALSE(Voicesubmenu.isEnabled());
    profile.writeString("Voice", "SAPI5", "0");
    menu.settingsread();
    EXPECT_FALSE(usesapi5submenu.isChecked());
    EXPECT_FALSE(speech.usesSpeechDispatcher());
    EXPECT_TRUE(Voicesubmenu.isEnabled());
    speech.setSpeechAllowed(false);
    menu.settingsread();
    EXPECT_FALSE(Voicesubmenu.isEnabled());
}

TEST_F(SpeechMenuTest, TriggeringTheSapi5ItemSwitchesOnceEachTime)
{
    const auto form = create();
    SpeechMenu menu(speech, *form, &usesapi5submenu, &Voicesubmenu, [] { return "x"; });
    menu.settingsread();
    usesapi5submenu.trigger();
    EXPECT_TRUE(usesapi5submenu.isChecked());
    EXPECT_TRUE(state().usesapi5);
    EXPECT_FALSE(Voicesubmenu.isEnabled());
    // Chosen now, so connected now, with the interests the dialog recorded at creation.
    EXPECT_THAT(log,
                ElementsAre("EventInterests 33790", "<sound 400 #3 50ms>", "<sound 600 #3 50ms>"));
    usesapi5submenu.trigger();
    EXPECT_FALSE(usesapi5submenu.isChecked());
    EXPECT_FALSE(state().usesapi5);
    EXPECT_TRUE(Voicesubmenu.isEnabled());
    EXPECT_FALSE(profile.readBool("Voice", "sapi5", true));
}

TEST_F(SpeechMenuTest, TheVoiceItemOpensTheDialog)
{
    const auto form = create();
    SpeechMenu menu(speech, *form, &usesapi5submenu, &Voicesubmenu,
                    [] { return std::string("Tovana - tovana"); });
    bool shown = false;
    QTimer::singleShot(0, form.get(), [&] {
        shown = QTest::qWaitForWindowActive(form.get());
        form->reject();
    });
    Voicesubmenu.trigger();
    EXPECT_TRUE(shown);
    EXPECT_EQ(log.spoken().back(), "Tovana - tovana");
}

} // namespace
} // namespace tov::speech::testing
