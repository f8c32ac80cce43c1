// The sounds dialog from the main window's menu: the volume's track bar with its rounding
// and preview, Cancel, the speech switch without voices, and what OK writes.
#include "common/profile.h"
#include "runtime/soundcues.h"
#include "shell/mainwindow.h"
#include "shell/modal.h"
#include "shell/soundsdialog.h"
#include "shell/windows.h"

#include <QAction>
#include <QCheckBox>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>
#include <gtest/gtest.h>

namespace tov::shell {
namespace {

using tov::testing::ModalAnswerer;

TEST(VolumePosition, IntegerDivisionBothWays)
{
    EXPECT_EQ(volumePosition(-2550), 74);
    EXPECT_EQ(positionVolume(74), -2600);
    EXPECT_EQ(volumePosition(0), 100);
    EXPECT_EQ(volumePosition(-10000), 0);
    EXPECT_EQ(positionVolume(50), -5000);
    EXPECT_EQ(positionVolume(30), -7000);
    // Outside the bar's range: its ends, without overflow.
    EXPECT_EQ(volumePosition(2147483647), 100);
    EXPECT_EQ(volumePosition(-2147483647 - 1), 0);
    EXPECT_EQ(volumePosition(-20000), 0);
}

class SoundsDialogTest : public tov::testing::WindowsTest {
protected:
    void create(const std::string& ini)
    {
        dir.write("tovana.ini", ini);
        createWindows();
    }
    runtime::SoundSettings& settings() { return soundstack.settings(); }

    // Opens the dialog and runs `inside` while it is up and active.
    void open(const std::function<void()>& inside)
    {
        answer = std::make_unique<ModalAnswerer>([&](QWidget* modal) {
            EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
            inside();
        });
        window->soundssubmenu()->trigger();
    }

    std::unique_ptr<ModalAnswerer> answer;
};

TEST_F(SoundsDialogTest, CaptionsAndTheLabelThatLeadsToTheTrackBar)
{
    create("[voice]\nvoiceallowed=0\n");
    EXPECT_EQ(form5->windowTitle(), "Nastavení zvuků");
    EXPECT_EQ(form5->voicecheckbox()->text(), "Povolit &hlas");
    EXPECT_EQ(form5->tovanasoundschk()->text(), "Zvuky &Tovany");
    EXPECT_EQ(form5->sndvolstatic()->text(), "H&lasitost zvuků");
    EXPECT_EQ(form5->sndvolstatic()->buddy(), form5->sndvoltrackbar());
    EXPECT_EQ(form5->sndvoltrackbar()->accessibleName(), "Hlasitost zvuků");
    EXPECT_EQ(form5->sndvoltrackbar()->pageStep(), 2);
    EXPECT_EQ(window->soundssubmenu()->text(), "&Zvuky...");
    EXPECT_EQ(window->soundssubmenu()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_D));
}

TEST_F(SoundsDialogTest, AnOddStoredVolumeOpensRoundedAndSilently)
{
    create("[sounds]\nsndvolume=-2550\n");
    int position = -1;
    int volumeWhileOpen = 0;
    open([&] {
        position = form5->sndvoltrackbar()->value();
        volumeWhileOpen = settings().sndvolume;
        form5->okbitbtn()->click();
    });
    EXPECT_EQ(position, 74);
    EXPECT_EQ(volumeWhileOpen, -2600);
    EXPECT_TRUE(played.sounds.empty()); // setting the bar before showing plays nothing
    EXPECT_EQ(profile.readInteger("sounds", "sndvolume", 0), -2600);
}

TEST_F(SoundsDialogTest, MovingTheBarPlaysThePreviewAndCancelPutsTheVolumeBack)
{
    create("[sounds]\nsndvolume=-1000\n");
    int volumeWhileOpen = 0;
    open([&] {
        form5->sndvoltrackbar()->setValue(30);
        volumeWhileOpen = settings().sndvolume;
        form5->cancelbitbtn()->click();
    });
    EXPECT_EQ(volumeWhileOpen, -7000);
    ASSERT_EQ(played.sounds.size(), 1u);
    EXPECT_EQ(played.sounds[0].tones, std::vector<double>{1000});
    EXPECT_EQ(played.sounds[0].soundnumber, 1);
    EXPECT_EQ(played.sounds[0].duration, 100);
    EXPECT_EQ(settings().sndvolume, -1000);
    EXPECT_EQ(profile.readInteger("sounds", "sndvolume", 0), -1000); // nothing written
}

TEST_F(SoundsDialogTest, TheTrackBarFollowsTheSoundsSwitch)
{
    create("[sounds]\ntovanasounds=0\n");
    bool enabledAtOpening = true;
    bool enabledAfterTicking = false;
    open([&] {
        enabledAtOpening = form5->sndvoltrackbar()->isEnabled();
        form5->tovanasoundschk()->click();
        enabledAfterTicking = form5->sndvoltrackbar()->isEnabled();
        form5->okbitbtn()->click();
    });
    EXPECT_FALSE(enabledAtOpening);
    EXPECT_TRUE(enabledAfterTicking);
    EXPECT_TRUE(settings().tovanasounds);
    EXPECT_TRUE(profile.readBool("sounds", "tovanasounds", false));
}

TEST_F(SoundsDialogTest, SpeechCannotBeAllowedWithoutVoices)
{
    create("[voice]\nvoiceallowed=0\n");
    open([&] {
        form5->voicecheckbox()->click();
        form5->okbitbtn()->click();
    });
    ASSERT_EQ(answer->messageBoxes.size(), 1u);
    EXPECT_EQ(answer->messageBoxes[0], "Nelze povolit hlas. Žádné hlasy nejsou k dispozici.");
    EXPECT_EQ(voice.enabled, 0);
    EXPECT_FALSE(profile.readBool("voice", "voiceallowed", true));
    EXPECT_FALSE(window->Voicesubmenu()->isEnabled());
    bool shownChecked = true;
    open([&] {
        shownChecked = form5->voicecheckbox()->isChecked();
        form5->cancelbitbtn()->click();
    });
    EXPECT_FALSE(shownChecked) << "the refused permission is not offered as given";
}

TEST_F(SoundsDialogTest, AllowingSpeechWithVoicesSelectsOneAndEnablesTheVoiceItem)
{
    create("[voice]\nvoiceallowed=0\n");
    voice.available = true;
    open([&] {
        form5->voicecheckbox()->click();
        form5->okbitbtn()->click();
    });
    EXPECT_TRUE(answer->messageBoxes.empty());
    EXPECT_EQ(voice.enabled, 1);
    EXPECT_TRUE(profile.readBool("voice", "voiceallowed", false));
    EXPECT_TRUE(window->Voicesubmenu()->isEnabled());
    // writesettings stores all four, in their sections.
    EXPECT_TRUE(profile.readBool("sounds", "tovanasounds", false));
    EXPECT_EQ(profile.readInteger("sounds", "sndvolume", -1), 0);
    EXPECT_FALSE(profile.readBool("keyboard", "braillekeys", true));
}

} // namespace
} // namespace tov::shell
