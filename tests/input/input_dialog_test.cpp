// The input dialog under the offscreen platform, driven by real key presses and releases:
// what is spoken and which cue plays at its focus changes, deletions, moves at the ends
// of the line, word moves, Alt+Up, the ordinary echo and braille chords.
#include "input_doubles.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "input/tform2.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace tov::input {
namespace {

using Heard = std::vector<std::string>;

// The language of a test: captions are fetched when a window is created, so this is set
// before the window is.
struct Language {
    explicit Language(int32_t base) { languageSettings().languagebase = base; }
    ~Language() { languageSettings().languagebase = kCzechBase; }
};

class InputDialogTest : public ::testing::Test {
protected:
    InputDialogTest()
    {
        dialog.setHosts({&speech, &cues, &state, &tables, [this] { ++reviews; }});
    }

    static void SetUpTestSuite()
    {
        shared = new BrailleTables(tov::testing::shippedBrailleTable());
    }
    static void TearDownTestSuite() { delete shared; }

    // Shows the dialog as INPUT does, with the line and the cursor given.
    void open(const QString& line = {}, int cursor = -1)
    {
        dialog.setEditText(tov::text::fromQString(line));
        dialog.activateEdit();
        dialog.show();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
        if (cursor >= 0) {
            edit()->setCursorPosition(cursor);
        }
        log.clear();
    }

    QLineEdit* edit() const { return dialog.inputedit(); }
    void press(Qt::Key key, const QString& text = {}, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Press, edit(), key, text, m);
    }
    void release(Qt::Key key, const QString& text = {}, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Release, edit(), key, text, m);
    }
    void key(Qt::Key key, const QString& text = {}, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        press(key, text, m);
        release(key, text, m);
    }
    static QString letter(Qt::Key k) { return QString(QChar(k)).toLower(); }
    // A chord: the keys go down in this order and come up in the same order.
    void chord(std::initializer_list<Qt::Key> keys)
    {
        for (Qt::Key k : keys) {
            press(k, letter(k));
        }
        for (Qt::Key k : keys) {
            release(k, letter(k));
        }
    }

    static BrailleTables* shared;
    Language english{kEnglishBase};
    const BrailleTables& tables = *shared;
    KeyboardState state;
    tov::testing::CueLog log;
    tov::testing::RecordingInputSpeech speech{log};
    tov::testing::RecordingCues cues{log};
    int reviews = 0;
    int exits = 0;
    TForm2 dialog{[this] { ++exits; }};
};
BrailleTables* InputDialogTest::shared = nullptr;

TEST_F(InputDialogTest, TheFirstFocusIsSilentThenButtonsSayTheirCaptionsAndTheLineItsText)
{
    open();
    EXPECT_TRUE(log.entries.empty());
    EXPECT_TRUE(dialog.focusflag());
    dialog.Enterbitbtn()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log.entries, (Heard{"stop", "say &OK"}));
    log.clear();
    dialog.exitprogrambtn()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log.entries, (Heard{"stop", "say E&xit program"}));
    log.clear();
    edit()->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(log.entries, (Heard{"stop", "say empty line"}));
    log.clear();
    edit()->setText("sever");
    dialog.Enterbitbtn()->setFocus(Qt::TabFocusReason);
    edit()->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(log.heard(), (Heard{"say &OK", "say sever"}));
}

TEST_F(InputDialogTest, ClosingClearsTheFocusFlagSoTheNextShowingStartsSilent)
{
    open();
    dialog.Enterbitbtn()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Return, "\r");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.focusflag());
    open();
    EXPECT_TRUE(log.entries.empty());
}

TEST_F(InputDialogTest, BackspaceAndDeleteClickAndEchoWhatTheyDeleteOrBeepAtTheEnd)
{
    open("ab", 2);
    key(Qt::Key_Backspace, "\b");
    EXPECT_EQ(log.entries, (Heard{"stop", "click 2", "echo b"}));
    EXPECT_EQ(edit()->text(), "a");
    log.clear();
    edit()->setCursorPosition(0);
    key(Qt::Key_Backspace, "\b");
    EXPECT_EQ(log.entries, (Heard{"stop", "click 2", "beep"}));
    EXPECT_EQ(edit()->text(), "a");
    log.clear();
    key(Qt::Key_Delete, "\x7f");
    EXPECT_EQ(log.heard(), (Heard{"click 2", "echo a"}));
    EXPECT_EQ(edit()->text(), "");
    log.clear();
    key(Qt::Key_Delete, "\x7f");
    EXPECT_EQ(log.heard(), (Heard{"click 2", "beep"}));
}

TEST_F(InputDialogTest, LeftArrivingAtTheStartEchoesSilentlyAndBeepsTheNextTime)
{
    open("abc", 1);
    key(Qt::Key_Left);
    EXPECT_EQ(log.heard(), (Heard{"echo a"}));
    log.clear();
    key(Qt::Key_Left);
    EXPECT_EQ(log.heard(), (Heard{"echo a", "beep"}));
    log.clear();
    key(Qt::Key_Right);
    EXPECT_EQ(log.heard(), (Heard{"echo b"}));
    EXPECT_FALSE(dialog.edgeflag());
}

TEST_F(InputDialogTest, OnAnEmptyLineLeftBeepsEveryTimeAndHomeSaysNothing)
{
    open();
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    key(Qt::Key_Home);
    EXPECT_EQ(log.heard(), (Heard{"beep", "beep"}));
}

TEST_F(InputDialogTest, RightAtTheEndClicksThenClicksAndBeeps)
{
    open("ab", 1);
    key(Qt::Key_Right); // arrives at the end: the character after the cursor is none
    EXPECT_EQ(log.heard(), (Heard{"click 2"}));
    log.clear();
    key(Qt::Key_Right);
    EXPECT_EQ(log.heard(), (Heard{"click 2", "beep"}));
    log.clear();
    key(Qt::Key_Home);
    key(Qt::Key_End);
    EXPECT_EQ(log.heard(), (Heard{"echo a", "click 2", "beep"}));
}

TEST_F(InputDialogTest, CtrlArrowsSpeakTheWordTheCursorHasMovedTo)
{
    open("abc,def ghi", 0);
    key(Qt::Key_Left, {}, Qt::ControlModifier);
    EXPECT_EQ(log.heard(), (Heard{"say abc"})) << "the comma ends the word";
    log.clear();
    edit()->setCursorPosition(11);
    key(Qt::Key_Left, {}, Qt::ControlModifier);
    EXPECT_EQ(edit()->cursorPosition(), 8);
    EXPECT_EQ(log.heard(), (Heard{"say ghi"}));
    log.clear();
    edit()->setCursorPosition(7);
    key(Qt::Key_Right, {}, Qt::ControlModifier);
    EXPECT_EQ(edit()->cursorPosition(), 8);
    EXPECT_EQ(log.heard(), (Heard{"say ghi"}));
}

TEST_F(InputDialogTest, AltUpSpeaksTheLineAndOnlyPlainUpAndDownOpenTheReview)
{
    open();
    key(Qt::Key_Up, {}, Qt::AltModifier);
    EXPECT_EQ(log.heard(), (Heard{"say empty line"}));
    edit()->setText("vezmi dopis");
    key(Qt::Key_Up, {}, Qt::AltModifier);
    key(Qt::Key_Down, {}, Qt::AltModifier);
    EXPECT_EQ(reviews, 0);
    EXPECT_EQ(log.heard().back(), "say vezmi dopis");
    key(Qt::Key_Up);
    key(Qt::Key_Down);
    key(Qt::Key_Down, {}, Qt::ShiftModifier);
    EXPECT_EQ(reviews, 3);
}

TEST_F(InputDialogTest, OrdinaryKeysEchoWhatTheLayoutTypes)
{
    open();
    key(Qt::Key_X, "x");
    key(Qt::Key_X, "X", Qt::ShiftModifier);
    QTest::sendKeyEvent(QTest::Press, edit(), Qt::Key_unknown, QString("\u010D"), Qt::NoModifier);
    key(Qt::Key_F5);
    key(Qt::Key_Slash, "/");
    EXPECT_EQ(log.heard(), (Heard{"echo x", "echo X", "echo \xE8"}));
    EXPECT_EQ(edit()->text(), QString("xX\u010D/"));
}

TEST_F(InputDialogTest, ADeadKeyEchoesTheLetterItMakesOrItselfWhenTheLetterDoesNotCombine)
{
    open();
    key(Qt::Key_Dead_Acute);
    EXPECT_TRUE(log.heard().empty());
    key(Qt::Key_Shift);
    key(Qt::Key_A, "\u00C1", Qt::ShiftModifier);
    key(Qt::Key_Dead_Caron);
    key(Qt::Key_X, "x");
    key(Qt::Key_X, "x");
    EXPECT_EQ(log.heard(), (Heard{"echo \xC1", "echo \xA1", "echo x"}));
}

TEST_F(InputDialogTest, AltF4RunsTheExitCommand)
{
    open();
    key(Qt::Key_F4, {}, Qt::AltModifier);
    EXPECT_EQ(exits, 1);
    key(Qt::Key_F4);
    EXPECT_EQ(exits, 1);
}

TEST_F(InputDialogTest, EscapeDoesNothingAndTheCloseBoxCancels)
{
    dialog.setEditText("");
    dialog.activateEdit();
    bool openAfterEscape = false;
    QTimer::singleShot(0, [&] {
        key(Qt::Key_Escape, "\x1b");
        openAfterEscape = dialog.isVisible();
        dialog.close();
    });
    EXPECT_EQ(dialog.showModal(), runtime::DialogResult::Closed);
    EXPECT_TRUE(openAfterEscape);

    QTimer::singleShot(0, [&] {
        key(Qt::Key_S, "s");
        key(Qt::Key_Return, "\r");
    });
    EXPECT_EQ(dialog.showModal(), runtime::DialogResult::Ok);
    EXPECT_EQ(dialog.editText(), "s");
}

class BrailleDialogTest : public InputDialogTest {
protected:
    BrailleDialogTest() { state.braillekeys = true; }
};

TEST_F(BrailleDialogTest, FAndJInEitherOrderAreHeardWhileHeldAndTypedOnRelease)
{
    open();
    press(Qt::Key_J, "j");
    press(Qt::Key_F, "f");
    EXPECT_EQ(edit()->text(), "");
    EXPECT_EQ(log.heard(), (Heard{"echo '", "echo c"})) << "J alone is dot 4, the apostrophe";
    release(Qt::Key_F, "f");
    EXPECT_EQ(edit()->text(), "c");
    release(Qt::Key_J, "j");
    log.clear();
    press(Qt::Key_Space, " ");
    press(Qt::Key_F, "f");
    press(Qt::Key_J, "j");
    release(Qt::Key_J, "j");
    release(Qt::Key_F, "f");
    release(Qt::Key_Space, " ");
    EXPECT_EQ(edit()->text(), "cc") << "Space under a chord changes nothing";
    EXPECT_EQ(log.heard(), (Heard{"echo  ", "echo a", "echo c"}));
}

TEST_F(BrailleDialogTest, VezmiDopisTypedAsChords)
{
    open();
    const std::vector<std::vector<Qt::Key>> chords = {
        {Qt::Key_F, Qt::Key_D, Qt::Key_S, Qt::Key_L}, // v 1236
        {Qt::Key_F, Qt::Key_K},                       // e 15
        {Qt::Key_F, Qt::Key_S, Qt::Key_K, Qt::Key_L}, // z 1356
        {Qt::Key_F, Qt::Key_S, Qt::Key_J},            // m 134
        {Qt::Key_D, Qt::Key_J},                       // i 24
        {Qt::Key_Space},                              //
        {Qt::Key_F, Qt::Key_J, Qt::Key_K},            // d 145
        {Qt::Key_F, Qt::Key_S, Qt::Key_K},            // o 135
        {Qt::Key_F, Qt::Key_D, Qt::Key_S, Qt::Key_J}, // p 1234
        {Qt::Key_D, Qt::Key_J},                       // i 24
        {Qt::Key_D, Qt::Key_S, Qt::Key_J},            // s 234
    };
    for (const auto& keys : chords) {
        for (Qt::Key k : keys) {
            press(k, letter(k));
        }
        const std::string heard = log.heard().back();
        press(keys.front(), letter(keys.front())); // auto-repeat: the same character again
        EXPECT_EQ(log.heard().back(), heard);
        for (Qt::Key k : keys) {
            release(k, letter(k));
        }
    }
    EXPECT_EQ(edit()->text(), "vezmi dopis");
}

TEST_F(BrailleDialogTest, TheCapitalSignActsOnOneCharacterAndOtherPrefixesUntilSpace)
{
    open();
    chord({Qt::Key_L});
    EXPECT_TRUE(log.heard().empty()) << "a prefix chord is silent";
    press(Qt::Key_F, "f");
    press(Qt::Key_D, "d");
    EXPECT_EQ(log.heard().back(), "echo B");
    release(Qt::Key_F, "f");
    release(Qt::Key_D, "d");
    chord({Qt::Key_F, Qt::Key_D});
    chord({Qt::Key_S, Qt::Key_J, Qt::Key_K, Qt::Key_L}); // the number sign
    chord({Qt::Key_F});
    chord({Qt::Key_F, Qt::Key_D});
    chord({Qt::Key_Space});
    chord({Qt::Key_F});
    EXPECT_EQ(edit()->text(), "Bb12 a");
    EXPECT_EQ(state.currentprefix, "");
}

TEST_F(BrailleDialogTest, ThePrefixTypedLastBeforeEnterAppliesToTheNextLine)
{
    open();
    chord({Qt::Key_K, Qt::Key_L}); // the capitals string
    key(Qt::Key_Backspace, "\b");
    key(Qt::Key_Return, "\r");
    EXPECT_FALSE(dialog.isVisible());
    open();
    chord({Qt::Key_F});
    chord({Qt::Key_F, Qt::Key_D});
    EXPECT_EQ(edit()->text(), "AB");
}

TEST_F(BrailleDialogTest, AChordInTheMiddleGoesInAtTheCursor)
{
    open("ac", 1);
    chord({Qt::Key_F, Qt::Key_D});
    EXPECT_EQ(edit()->text(), "abc");
    EXPECT_EQ(edit()->cursorPosition(), 2);
}

TEST_F(BrailleDialogTest, NoPrintableKeyReachesTheLineButEditingKeysStillWork)
{
    open("ab", 2);
    key(Qt::Key_1, "1");
    key(Qt::Key_Q, "q");
    key(Qt::Key_X, "X", Qt::ShiftModifier);
    QTest::sendKeyEvent(QTest::Click, edit(), Qt::Key_unknown, QString("\u00E1"), Qt::NoModifier);
    EXPECT_EQ(edit()->text(), "ab");
    EXPECT_TRUE(log.heard().empty()) << "no ordinary echo in braille mode";
    key(Qt::Key_Left);
    key(Qt::Key_Delete, "\x7f");
    EXPECT_EQ(edit()->text(), "a");
    key(Qt::Key_Backspace, "\b");
    EXPECT_EQ(edit()->text(), "");
}

TEST_F(BrailleDialogTest, TheFirstReleaseCommitsAndTheNextChordStartsFromTheHeldKeys)
{
    open();
    press(Qt::Key_F, "f");
    press(Qt::Key_D, "d");
    release(Qt::Key_D, "d"); // 12
    press(Qt::Key_K, "k");
    release(Qt::Key_F, "f"); // 15
    release(Qt::Key_K, "k");
    EXPECT_EQ(edit()->text(), "be");
}

} // namespace
} // namespace tov::input
