// The main window under the offscreen platform: its creation, Start with commands typed
// into the real input dialog, an error escaping the program, and the ends.
#include "shell/mainwindow.h"
#include "shell/screenannouncer.h"
#include "shell/soundstack.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/qtext.h"
#include "doubles/doubles.h"
#include "doubles/walkthrough.h"
#include "input/inputdialog.h"
#include "runtime/console.h"
#include "shell/windows.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>

namespace tov::shell {
namespace {

struct ScriptExhausted : std::runtime_error {
    ScriptExhausted() : std::runtime_error("the test's commands ran out") {}
};

// Types one command into the input dialog each time it is shown, and closes (recording
// their texts) any message boxes that appear. Polls, since the dialog's modal loop is the
// only loop running while the program waits for a line.
class DialogDriver : public runtime::InputDialog {
public:
    DialogDriver(input::TForm2& dialog, TForm1& window) : dialog_(dialog), window_(window)
    {
        QObject::connect(&timer_, &QTimer::timeout, [this] { poll(); });
        timer_.start(2);
    }

    void setEditText(const std::string& text) override { dialog_.setEditText(text); }
    void activateEdit() override { dialog_.activateEdit(); }
    std::string editText() const override { return dialog_.editText(); }
    runtime::DialogResult showModal() override
    {
        if (commands.empty()) {
            throw ScriptExhausted();
        }
        startEnabledInRun = startEnabledInRun || window_.Startsubmenu()->isEnabled();
        ++shows;
        return dialog_.showModal();
    }

    std::deque<QString> commands;
    std::vector<QString> messageBoxes;
    int shows = 0;
    int typed = 0;
    bool startEnabledInRun = false;

private:
    void poll()
    {
        QWidget* modal = QApplication::activeModalWidget();
        if (auto* box = qobject_cast<QMessageBox*>(modal)) {
            messageBoxes.push_back(box->text());
            box->accept();
        } else if (modal == &dialog_ && typed < shows && !commands.empty()) {
            ++typed;
            type(commands.front());
            commands.pop_front();
        }
    }

    // Character by character, with the character as the key's text: the way a keyboard
    // layout delivers Czech letters.
    void type(const QString& command)
    {
        QLineEdit* edit = dialog_.inputedit();
        for (const QChar ch : command) {
            QTest::sendKeyEvent(QTest::Click, edit, Qt::Key_unknown, QString(ch), Qt::NoModifier);
        }
        QTest::keyClick(edit, Qt::Key_Return);
    }

    input::TForm2& dialog_;
    TForm1& window_;
    QTimer timer_;
};

class TForm1Test : public tov::testing::WindowsTest {
protected:
    // Creates the windows the way the program's main block does.
    void create()
    {
        createWindows();
        dialog = std::make_unique<input::TForm2>([] { FAIL() << "exit button"; }, window.get());
        driver = std::make_unique<DialogDriver>(*dialog, *window);
        console.setHost({&speech, driver.get(), &process, &pauser, &played, {}});
        window->show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
        window->activateWindow();
    }

    QStringList memoLines() const
    {
        return window->printmemo()->toPlainText().split(QLatin1Char('\n'));
    }

    // The shortcut reaches the menu only while the window is the active one.
    void pressStart()
    {
        window->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));
        QTest::keyClick(window.get(), Qt::Key_S, Qt::ControlModifier);
    }

    tov::testing::RecordingSpeech speech;
    tov::testing::RecordingPauser pauser;
    std::unique_ptr<input::TForm2> dialog;
    std::unique_ptr<DialogDriver> driver;
};

TEST(WindowTitle, IsMessageOneAndTheExecutableWithoutExtension)
{
    languageSettings().languagebase = kCzechBase;
    EXPECT_EQ(windowTitleFor("/opt/my.games/tovana"), QString("Překladač Tovana Basicu - tovana"));
    EXPECT_EQ(windowTitleFor("/opt/my.games/tovana.bin"),
              QString("Překladač Tovana Basicu - tovana"));
    languageSettings().languagebase = kEnglishBase;
    EXPECT_EQ(windowTitleFor("/a.b/c.d/x.y"), QString("Tovana Basic Interpreter - x"));
    languageSettings().languagebase = kCzechBase;
}

TEST_F(TForm1Test, CreationShowsTwentyFourEmptyLinesAndLoadsTheMemoryImage)
{
    dir.write("ram.dat", std::string("\x07\x08", 2));
    dir.write("tovana.ini", "[environment]\nlanguage=2000\n");
    create();
    EXPECT_EQ(memoLines().size(), 24);
    for (const QString& line : memoLines()) {
        EXPECT_TRUE(line.isEmpty());
    }
    EXPECT_EQ(console.memoryimage()[0], 7);
    EXPECT_EQ(console.memoryimage()[1], 8);
    EXPECT_EQ(window->windowTitle(), "Tovana Basic Interpreter - tovana");
    EXPECT_EQ(window->Startsubmenu()->text(), "&Start");
    EXPECT_EQ(window->Startsubmenu()->shortcut(), QKeySequence(Qt::CTRL | Qt::Key_S));
    EXPECT_FALSE(window->printmemo()->accessibleName().isEmpty());
}

TEST_F(TForm1Test, FirstStartWritesOnlyWhetherSpeechIsPossible)
{
    create();
    // Without a speech layer no SAPI 4 voices exist: speech is not allowed.
    EXPECT_EQ(dir.read("tovana.ini"), "[voice]\nvoiceallowed=0\n");
    EXPECT_FALSE(window->generalSettings().voiceallowed);
    EXPECT_TRUE(soundstack.settings().tovanasounds);
    EXPECT_EQ(soundstack.settings().sndvolume, 0);
    EXPECT_FALSE(window->generalSettings().braillekeys);
    EXPECT_EQ(languageSettings().languagebase, kCzechBase);
}

TEST_F(TForm1Test, SettingsWrittenInAnyCaseAreReadBack)
{
    dir.write("tovana.ini", "[voice]\nvoiceallowed=1\n[Voice]\nSAPI5=1\n[SOUNDS]\n"
                            "TovanaSounds=0\nSndVolume=-2550\n[Keyboard]\nBrailleKeys=1\n");
    create();
    EXPECT_TRUE(window->generalSettings().voiceallowed);
    EXPECT_FALSE(soundstack.settings().tovanasounds);
    EXPECT_EQ(soundstack.settings().sndvolume, -2550);
    EXPECT_TRUE(window->generalSettings().braillekeys);
    // Nothing is written merely by starting.
    EXPECT_EQ(dir.read("tovana.ini"),
              "[voice]\nvoiceallowed=1\n[Voice]\nSAPI5=1\n[SOUNDS]\n"
              "TovanaSounds=0\nSndVolume=-2550\n[Keyboard]\nBrailleKeys=1\n");
}

TEST_F(TForm1Test, AVolumeFromOutsideTheBarsRangeIsClampedWhenRead)
{
    // -20000 once played at full volume (the gain of 10^(v/2000) underflows nothing, the
    // device clamps it up); 2147483647 overflowed the bar's position.
    const struct {
        const char* stored;
        int read;
    } rows[] = {
        {"-20000", -10000}, {"2147483647", 0},  {"-2147483648", -10000},
        {"1", 0},           {"-10000", -10000},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.stored);
        dir.write("tovana.ini", std::string("[sounds]\nsndvolume=") + row.stored + "\n");
        SoundStack rowsounds{console, process}; // a window's end frees its sounds for good
        const TForm1 rowwindow(console, profile, rowsounds, dir / "tovana");
        EXPECT_EQ(rowsounds.settings().sndvolume, row.read);
    }
}

TEST_F(TForm1Test, MissingSoundBankEndsTheStartWithMessage42)
{
    std::filesystem::remove(dir / "sounds.dat");
    EXPECT_THROW(create(), tov::testing::ProcessEnded);
    EXPECT_EQ(process.messages, std::vector<std::string>{"Nelze nal\xE9zt soubor sounds.dat"});
    EXPECT_FALSE(std::filesystem::exists(dir / "ram.dat")); // this end saves nothing
}

TEST_F(TForm1Test, MenusCarryTheirCaptionsShortcutsAndCheckItems)
{
    create();
    EXPECT_EQ(window->settingsmenu()->title(), "Na&stavení");
    EXPECT_EQ(window->soundssubmenu()->text(), "&Zvuky...");
    EXPECT_EQ(window->Voicesubmenu()->text(), "&Hlas...");
    EXPECT_EQ(window->usesapi5submenu()->text(), "Používat hlas SA&PI5");
    EXPECT_TRUE(window->usesapi5submenu()->isCheckable());
    EXPECT_EQ(window->helpmenu()->title(), "Ná&pověda");
    EXPECT_EQ(window->aboutsubmenu()->text(), "O progr&amu");
    EXPECT_EQ(window->exitsubmenu()->text(), "Kon&ec");
    EXPECT_EQ(window->brailledisplayitem()->text(), "Braillský &řádek");
    EXPECT_EQ(window->brailledisplayitem()->toolTip(), "Braillský řádek");
    EXPECT_TRUE(window->brailledisplayitem()->isCheckable());
    EXPECT_EQ(window->settingsmenu()->actions().indexOf(window->brailledisplayitem()),
              window->settingsmenu()->actions().indexOf(window->braillekeyboarditem()) + 1);
}

TEST_F(TForm1Test, MemoFollowsEveryChangeOfTheScreen)
{
    create();
    console.print("ahoj", runtime::PrintMode::EndLine);
    EXPECT_EQ(memoLines()[0], QString("ahoj").leftJustified(80));
    for (int i = 0; i < 30; ++i) {
        console.print("\xE8\xE1st " + std::to_string(i), runtime::PrintMode::EndLine);
    }
    const QStringList lines = memoLines();
    ASSERT_EQ(lines.size(), 24);
    EXPECT_EQ(lines[22], QString("část 29").leftJustified(80));
    EXPECT_EQ(lines[23], QString());
    for (int row = 0; row < 24; ++row) {
        EXPECT_EQ(lines[row], text::toQString(console.screen().line(row))) << row;
    }
}

TEST_F(TForm1Test, CtrlSPlaysTheAdventureToTheWinWithTypedCommands)
{
    dir.write("data.dta", "440,554,659,880,700\r\n-1,0,0,0,0\r\n");
    create();
    for (std::string_view command : tov::testing::walkthrough::winningCommands()) {
        driver->commands.push_back(QString::fromUtf8(command.data(), command.size()));
    }
    pressStart();

    EXPECT_TRUE(driver->messageBoxes.empty()) << driver->messageBoxes.front().toStdString();
    EXPECT_EQ(driver->typed, 76);
    EXPECT_TRUE(driver->commands.empty());
    EXPECT_FALSE(driver->startEnabledInRun);
    EXPECT_TRUE(window->Startsubmenu()->isEnabled());
    EXPECT_TRUE(window->programstarted());
    EXPECT_EQ(voice.prepared, 1); // SAPI 5 is not checked
    EXPECT_FALSE(console.isDataFileOpen());
    // "hotovo" is the last line printed and spoken.
    const int row = console.cursor().row();
    ASSERT_GT(row, 0);
    EXPECT_EQ(memoLines()[row - 1], QString("hotovo").leftJustified(80));
    ASSERT_FALSE(speech.spoken.empty());
    EXPECT_EQ(speech.spoken.back(), "hotovo");
}

// The driver as a window of its own, so the lines a screen reader is handed land on it;
// it keeps its accessible description as each showing found it.
class DescribedDriver final : public QWidget, public DialogDriver {
public:
    using DialogDriver::DialogDriver;
    runtime::DialogResult showModal() override
    {
        descriptions.push_back(accessibleDescription());
        return DialogDriver::showModal();
    }
    QStringList descriptions;
};

// Without the program's voice, each showing of the dialog carries the lines printed since
// the one before, in order, each once: the opening, then the answer to each command.
TEST_F(TForm1Test, EachShowingOfTheDialogCarriesTheLinesPrintedSinceTheLast)
{
    dir.write("data.dta", "440,554,659,880,700\r\n-1,0,0,0,0\r\n");
    createWindows();
    dialog = std::make_unique<input::TForm2>([] { FAIL() << "exit button"; }, window.get());
    DescribedDriver described(*dialog, *window);
    runtime::AnswerRecord answers;
    ScreenAnnouncer announcer([] { return false; }, described, answers);
    console.setHost({&speech, &described, &process, &pauser, &played, {&answers, &announcer}});
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window.get()));
    described.commands = {"vezmi dopis", "v"};
    pressStart();

    ASSERT_EQ(described.descriptions.size(), 3u);
    const QStringList opening = described.descriptions[0].split('\n');
    EXPECT_TRUE(opening.front().startsWith("maska slunečního boha"))
        << opening.front().toStdString();
    EXPECT_EQ(opening.back(), "můžeš jít na východ.");
    EXPECT_TRUE(opening.contains("vidíš dopis."));
    EXPECT_EQ(described.descriptions[1], "vzal jsi dopis");
    EXPECT_TRUE(described.descriptions[2].startsWith("jsi na začátku širokého koridoru"));
    EXPECT_FALSE(described.descriptions[2].contains("vzal jsi dopis")) << "said once only";
}

TEST_F(TForm1Test, AnErrorOfTheProgramIsShownAndTheMenusComeBack)
{
    dir.write("data.dta", "abc\r\n");
    create();
    // East, north, north: the spiders in the middle of the main gallery; the death tune
    // then reads a value that is no number.
    driver->commands = {"v", "s", "s"};
    pressStart();
    ASSERT_EQ(driver->messageBoxes.size(), 1u);
    EXPECT_EQ(driver->messageBoxes[0].toStdString(),
              "\"" + (dir / "data.dta").string() + "\": 'abc' is not a valid floating point value");
    EXPECT_TRUE(window->Startsubmenu()->isEnabled());
    EXPECT_FALSE(console.isDataFileOpen());
}

TEST_F(TForm1Test, ASecondStartGoesOnBelowTheFirstRun)
{
    dir.write("data.dta", "abc\r\n");
    create();
    driver->commands = {"v", "s", "s"};
    pressStart();
    const int rowAfterFirst = console.cursor().row();
    driver->commands = {"v", "s", "s"};
    pressStart();
    EXPECT_GE(console.cursor().row(), rowAfterFirst);
    EXPECT_EQ(driver->messageBoxes.size(), 2u);
    EXPECT_EQ(console.inputbuffer(), "");
}

TEST_F(TForm1Test, ExitWhileIdleSavesTheMemoryImageAndClosesTheWindow)
{
    create();
    console.memoryimage()[runtime::kReviewDisableAddress] = 1;
    window->exitsubmenu()->trigger();
    const std::string saved = dir.read("ram.dat");
    ASSERT_EQ(saved.size(), runtime::kMemorySize);
    EXPECT_EQ(saved[runtime::kReviewDisableAddress], 1);
    EXPECT_FALSE(window->isVisible());
}

TEST_F(TForm1Test, ClosingTheWindowSavesTheMemoryImage)
{
    create();
    console.memoryimage()[3] = 9;
    window->close();
    EXPECT_EQ(dir.read("ram.dat")[3], 9);
}

TEST(TForm2, CaptionsEnterConfirmsTheCloseBoxCancels)
{
    languageSettings().languagebase = kCzechBase;
    input::TForm2 dialog([] {});
    EXPECT_EQ(dialog.windowTitle(), "Vlož data");
    EXPECT_EQ(dialog.Enterbitbtn()->text(), "&Ok");
    EXPECT_EQ(dialog.exitprogrambtn()->text(), "U&končit program");
    EXPECT_EQ(dialog.inputedit()->accessibleName(), "Vlož data");

    QTimer::singleShot(0, [&] {
        QTest::keyClicks(dialog.inputedit(), "sever");
        QTest::keyClick(dialog.inputedit(), Qt::Key_Return);
    });
    dialog.setEditText("");
    EXPECT_EQ(dialog.showModal(), runtime::DialogResult::Ok);
    EXPECT_EQ(dialog.editText(), "sever");

    // Escape does nothing: the dialog has no cancel button.
    QTimer::singleShot(0, [&] {
        QTest::keyClick(dialog.inputedit(), Qt::Key_Escape);
        dialog.close();
    });
    EXPECT_EQ(dialog.showModal(), runtime::DialogResult::Closed);
}

TEST(TForm2, ExitButtonRunsTheExitCommand)
{
    int exits = 0;
    input::TForm2 dialog([&] { ++exits; });
    dialog.exitprogrambtn()->click();
    EXPECT_EQ(exits, 1);
}

} // namespace
} // namespace tov::shell
