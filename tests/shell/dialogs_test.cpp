// The environment dialog and the about box, driven from the main window's menu under the
// offscreen platform.
#include "common/localizer.h"
#include "shell/aboutbox.h"
#include "shell/environmentdialog.h"
#include "shell/modal.h"
#include "shell/soundsdialog.h"
#include "shell/windows.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <gtest/gtest.h>

namespace tov::shell {
namespace {

using tov::testing::ModalAnswerer;

class EnvironmentDialogTest : public tov::testing::WindowsTest {
protected:
    void create(int language)
    {
        dir.write("tovana.ini", "[environment]\nlanguage=" + std::to_string(language) + "\n");
        createWindows();
    }
};

TEST_F(EnvironmentDialogTest, ListsTheThreeLanguagesWithTheirOwnNames)
{
    create(kCzechBase);
    ASSERT_EQ(form3->languageCount(), 3);
    EXPECT_EQ(form3->entry(0)->text(), "Čeština");
    EXPECT_EQ(form3->entry(1)->text(), "English");
    EXPECT_EQ(form3->entry(2)->text(), "Slovenčina");
    EXPECT_EQ(form3->windowTitle(), "Nastavení prostředí");
    EXPECT_EQ(form3->languagergroup()->title(), "&jazyk");
    EXPECT_EQ(form3->languagergroup()->accessibleName(), "jazyk");
    EXPECT_EQ(window->environmentsubmenu()->text(), "Prostř&edí...");
    EXPECT_EQ(window->environmentsubmenu()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_E));
}

TEST_F(EnvironmentDialogTest, ChoosingCzechFromEnglishRelabelsSavesAndTellsOfTheRestart)
{
    create(kEnglishBase);
    int selectedWhenShown = -2;
    QString titleAfterClick;
    ModalAnswerer answer([&](QWidget*) {
        selectedWhenShown = form3->itemIndex();
        form3->entry(0)->click();
        titleAfterClick = form3->windowTitle();
        form3->okbitbtn()->click();
    });
    window->environmentsubmenu()->trigger();
    EXPECT_EQ(selectedWhenShown, 1); // English
    EXPECT_EQ(titleAfterClick, "Nastavení prostředí");
    EXPECT_EQ(profile.readInteger("environment", "language", 0), kCzechBase);
    ASSERT_EQ(answer.messageBoxes.size(), 1u);
    EXPECT_EQ(answer.messageBoxes[0],
              "Provedené změny se projeví až poté, co znovu spustíte program.");
    // Menus keep the language of this start.
    EXPECT_EQ(window->Startsubmenu()->text(), "&Start");
}

TEST_F(EnvironmentDialogTest, ConfirmingWithoutAChangeWritesButSaysNothing)
{
    create(kSlovakBase);
    dir.write("tovana.ini", "; mine\n[environment]\nlanguage=3000\n");
    ModalAnswerer answer([&](QWidget*) { form3->okbitbtn()->click(); });
    window->environmentsubmenu()->trigger();
    EXPECT_TRUE(answer.messageBoxes.empty());
    EXPECT_EQ(dir.read("tovana.ini"), "; mine\n[environment]\nlanguage=3000\n");
}

TEST_F(EnvironmentDialogTest, CancelKeepsTheChosenLanguageForThisRunOnly)
{
    create(kCzechBase);
    ModalAnswerer answer([&](QWidget*) {
        form3->entry(1)->click();
        form3->cancelbitbtn()->click();
    });
    window->environmentsubmenu()->trigger();
    EXPECT_EQ(profile.readInteger("environment", "language", 0), kCzechBase);
    EXPECT_EQ(languageSettings().languagebase, kEnglishBase);
    EXPECT_EQ(message(Message::Ready), "ready"); // the next "hotovo" of a run
    EXPECT_TRUE(answer.messageBoxes.empty());
}

TEST_F(EnvironmentDialogTest, ABaseWithoutAnEntryReadsAsTheDefaultLanguage)
{
    {
        // No language has base 9000: the start reads Czech, key-name file and all.
        ModalAnswerer startup([](QWidget*) {});
        create(9000);
        EXPECT_TRUE(startup.messageBoxes.empty());
    }
    int selected = -2;
    ModalAnswerer answer([&](QWidget*) {
        selected = form3->itemIndex();
        form3->okbitbtn()->click();
    });
    window->environmentsubmenu()->trigger();
    EXPECT_EQ(selected, 0);
    EXPECT_TRUE(answer.messageBoxes.empty());
}

TEST_F(EnvironmentDialogTest, NoWindowOrControlDescribesItselfByItsNameAgain)
{
    // A screen reader reads the name, then the description: the same words twice is
    // noise. A description must say more, or be absent.
    create(kCzechBase);
    for (QWidget* dialog : std::initializer_list<QWidget*>{form3.get(), about.get(), form5.get()}) {
        QList<QWidget*> widgets = dialog->findChildren<QWidget*>();
        widgets.prepend(dialog);
        for (const QWidget* widget : widgets) {
            if (widget->accessibleDescription().isEmpty()) {
                continue;
            }
            EXPECT_NE(widget->accessibleDescription(), widget->accessibleName())
                << dialog->objectName().toStdString() << " / "
                << widget->objectName().toStdString();
        }
    }
    EXPECT_FALSE(about->accessibleDescription().isEmpty()); // the one that says more
    EXPECT_FALSE(form3->accessibleName().isEmpty());
}

TEST(AboutBox, ShowsNameVersionAndOk)
{
    languageSettings().languagebase = kEnglishBase;
    TAboutbox about;
    EXPECT_EQ(about.windowTitle(), "About");
    EXPECT_EQ(about.ProductName()->text(), "Tovana Basic Interpreter");
    EXPECT_EQ(about.Version()->text(), "version 1.7");
    EXPECT_EQ(about.OKButton()->text(), "&OK");
    EXPECT_FALSE(about.Copyright()->text().isEmpty());
    EXPECT_TRUE(about.Comments()->text().isEmpty());
    EXPECT_TRUE(about.OKButton()->isDefault());
    languageSettings().languagebase = kCzechBase;
    TAboutbox czech;
    EXPECT_EQ(czech.Version()->text(), "verze 1.7");
}

} // namespace
} // namespace tov::shell
