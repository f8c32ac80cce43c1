// The main window's keys under the offscreen platform: a window with a read-only memo,
// watched as the shell watches the real one, driven by real key presses.
#include "input_doubles.h"

#include "common/localizer.h"
#include "input/mainwindowkeys.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QTest>
#include <QVBoxLayout>
#include <gtest/gtest.h>

namespace tov::input {
namespace {

using Heard = std::vector<std::string>;

class MainWindowKeysTest : public ::testing::Test {
protected:
    MainWindowKeysTest()
    {
        auto* layout = new QVBoxLayout(&window);
        memo = new QPlainTextEdit(&window);
        memo->setReadOnly(true);
        memo->setTextInteractionFlags(Qt::TextSelectableByKeyboard);
        memo->setPlainText("one\ntwo\n");
        layout->addWidget(memo);
        keys.watch(window);
        window.show();
        EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
        memo->setFocus();
    }

    void press(Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier, QWidget* to = nullptr)
    {
        QTest::sendKeyEvent(QTest::Press, to != nullptr ? to : memo, key, QString(), m);
    }
    void release(Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Release, memo, key, QString(), m);
    }
    void key(Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        press(key, m);
        release(key, m);
    }

    KeyboardState state;
    tov::testing::EventLog log;
    tov::testing::RecordingSpeech speech{log};
    tov::testing::RecordingSounds cues{log};
    bool started = false;
    int endwaits = 0;
    int reviews = 0;
    int exits = 0;
    int writes = 0;
    MainWindowKeys keys{{&speech, &cues, &state,
                         [this] {
                             ++endwaits;
                             return false;
                         },
                         [this] { return started; }, [this] { ++reviews; }, [this] { ++exits; },
                         [this] { ++writes; }, [this](size_t back) { answers.push_back(back); }}};
    std::vector<size_t> answers;
    QWidget window;
    QPlainTextEdit* memo = nullptr;
};

TEST_F(MainWindowKeysTest, AltDigitsOneToNineAskForAnAnswerAndNothingElse)
{
    key(Qt::Key_1, Qt::AltModifier);
    key(Qt::Key_2, Qt::AltModifier);
    key(Qt::Key_9, Qt::AltModifier);
    key(Qt::Key_0, Qt::AltModifier);
    key(Qt::Key_1);
    key(Qt::Key_1, Qt::AltModifier | Qt::ShiftModifier);
    EXPECT_EQ(answers, (std::vector<size_t>{1, 2, 9}));
    EXPECT_EQ(reviews, 0);
    EXPECT_EQ(exits, 0);
}

TEST_F(MainWindowKeysTest, EveryKeyStopsSpeechAndEndsASoundWaitOnce)
{
    key(Qt::Key_Shift);
    key(Qt::Key_A);
    key(Qt::Key_F5); // the memo does not take it: it travels on to the window
    EXPECT_EQ(log.count("<stop>"), 3);
    EXPECT_EQ(endwaits, 3);
    EXPECT_EQ(log.heard(), Heard{}) << "the main window echoes nothing";
}

TEST_F(MainWindowKeysTest, UpAndDownOpenTheReviewOnlyAfterTheFirstStart)
{
    key(Qt::Key_Up);
    key(Qt::Key_Down);
    EXPECT_EQ(reviews, 0);
    started = true;
    key(Qt::Key_Up); // the caret is on the first line: the memo lets the key pass on
    key(Qt::Key_Down);
    EXPECT_EQ(reviews, 2);
}

TEST_F(MainWindowKeysTest, ShiftSpaceOrAnotherArrowHeldKeepsTheReviewShut)
{
    started = true;
    key(Qt::Key_Up, Qt::ShiftModifier);
    press(Qt::Key_Space);
    key(Qt::Key_Down);
    release(Qt::Key_Space);
    press(Qt::Key_Left);
    key(Qt::Key_Up);
    release(Qt::Key_Left);
    EXPECT_EQ(reviews, 0);
    key(Qt::Key_Up);
    EXPECT_EQ(reviews, 1) << "every key is up again";
}

TEST_F(MainWindowKeysTest, AltF4RunsTheExitCommand)
{
    key(Qt::Key_F4);
    EXPECT_EQ(exits, 0);
    key(Qt::Key_F4, Qt::AltModifier);
    EXPECT_EQ(exits, 1);
}

TEST_F(MainWindowKeysTest, ADialogOfTheWindowIsNotPartOfIt)
{
    auto* dialog = new QDialog(&window);
    auto* line = new QLineEdit(dialog);
    MainWindowKeys later{{&speech, &cues, &state, {}, {}, {}, {}, {}, {}}};
    later.watch(window);
    press(Qt::Key_A, Qt::NoModifier, line);
    EXPECT_EQ(log.count("<stop>"), 0);
    delete dialog;
}

TEST_F(MainWindowKeysTest, CtrlBPlaysARisingPairThenAFallingPairAndWritesEachTime)
{
    languageSettings().languagebase = kEnglishBase;
    QAction item(&window);
    window.addAction(&item);
    keys.attachbraillekeyboarditem(item);
    languageSettings().languagebase = kCzechBase;
    EXPECT_EQ(item.text(), "&Braille keyboard");
    EXPECT_TRUE(item.isCheckable());
    EXPECT_FALSE(item.isChecked());

    QTest::keyClick(memo, Qt::Key_B, Qt::ControlModifier);
    EXPECT_TRUE(state.braillekeys);
    EXPECT_TRUE(item.isChecked());
    EXPECT_EQ(writes, 1);
    QTest::keyClick(memo, Qt::Key_B, Qt::ControlModifier);
    EXPECT_FALSE(state.braillekeys);
    EXPECT_FALSE(item.isChecked());
    EXPECT_EQ(writes, 2);
    EXPECT_EQ(log.heard(), (Heard{"<sound 400 #3 50ms>", "<sound 600 #3 50ms>",
                                  "<sound 600 #3 50ms>", "<sound 400 #3 50ms>"}));
}

TEST_F(MainWindowKeysTest, TheItemFollowsBrailleModeReadAtStartUp)
{
    state.braillekeys = true;
    QAction item;
    keys.attachbraillekeyboarditem(item);
    EXPECT_TRUE(item.isChecked());
    keys.braillekeyboarditemClick(item);
    EXPECT_FALSE(item.isChecked());
    EXPECT_EQ(log.heard(), (Heard{"<sound 600 #3 50ms>", "<sound 400 #3 50ms>"}));
}

TEST(KeyStateTracker, LosingTheKeyboardReleasesEveryKey)
{
    HeldKeys held;
    KeyStateTracker tracker(held);
    QWidget widget;
    QTest::sendKeyEvent(QTest::Press, &widget, Qt::Key_F, "f", Qt::NoModifier);
    QKeyEvent repeatRelease(QEvent::KeyRelease, Qt::Key_F, Qt::NoModifier, "f", true);
    QApplication::sendEvent(&widget, &repeatRelease);
    EXPECT_TRUE(held.isHeld('F')) << "an auto-repeat release is no release";
    QApplicationStateChangeEvent inactive(Qt::ApplicationInactive);
    QApplication::sendEvent(qApp, &inactive);
    EXPECT_TRUE(held.none());
}

} // namespace
} // namespace tov::input
