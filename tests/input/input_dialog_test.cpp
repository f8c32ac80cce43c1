// The input dialog under the offscreen platform, driven by real key presses and releases:
// what is spoken and which cue plays at its focus changes, deletions, moves at the ends
// of the line, word moves, Alt+Up, the ordinary echo and braille chords.
#include "input_doubles.h"
#include "queued_keys.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "input/inputdialog.h"

#include <QApplication>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>

namespace tov::input {
namespace {

using Heard = std::vector<std::string>;
using tov::testing::kCapitalCue;

class InputDialogTest : public ::testing::Test {
protected:
    InputDialogTest()
    {
        dialog.setHosts(
            {&speech, &cues, &state, &tables, [this] { ++reviews; },
             [this](size_t back) { speech.say("<answer " + std::to_string(back) + ">"); }});
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
    tov::testing::Language english{kEnglishBase};
    tov::testing::SelfNamedKeys names{*shared};
    const BrailleTables& tables = *shared;
    KeyboardState state;
    tov::testing::EventLog log;
    tov::testing::RecordingSpeech speech{log};
    tov::testing::RecordingSounds cues{log};
    int reviews = 0;
    int exits = 0;
    TForm2 dialog{[this] { ++exits; }};
};
BrailleTables* InputDialogTest::shared = nullptr;

TEST_F(InputDialogTest, TheFirstFocusIsSilentThenButtonsSayTheirCaptionsAndTheLineItsText)
{
    open();
    EXPECT_TRUE(log.empty());
    EXPECT_TRUE(dialog.focusflag());
    dialog.Enterbitbtn()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log, (Heard{"<stop>", "&OK"}));
    log.clear();
    dialog.exitprogrambtn()->setFocus(Qt::TabFocusReason);
    EXPECT_EQ(log, (Heard{"<stop>", "E&xit program"}));
    log.clear();
    edit()->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(log, (Heard{"<stop>", "empty line"}));
    log.clear();
    edit()->setText("sever");
    dialog.Enterbitbtn()->setFocus(Qt::TabFocusReason);
    edit()->setFocus(Qt::BacktabFocusReason);
    EXPECT_EQ(log.heard(), (Heard{"&OK", "sever"}));
}

TEST_F(InputDialogTest, ClosingClearsTheFocusFlagSoTheNextShowingStartsSilent)
{
    open();
    dialog.Enterbitbtn()->setFocus(Qt::TabFocusReason);
    key(Qt::Key_Return, "\r");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_FALSE(dialog.focusflag());
    open();
    EXPECT_TRUE(log.empty());
}

TEST_F(InputDialogTest, BackspaceAndDeleteClickAndEchoWhatTheyDeleteOrBeepAtTheEnd)
{
    open("ab", 2);
    key(Qt::Key_Backspace, "\b");
    EXPECT_EQ(log, (Heard{"<stop>", "<click 2>", "<echo b>"}));
    EXPECT_EQ(edit()->text(), "a");
    log.clear();
    edit()->setCursorPosition(0);
    key(Qt::Key_Backspace, "\b");
    EXPECT_EQ(log, (Heard{"<stop>", "<click 2>", "<beep>"}));
    EXPECT_EQ(edit()->text(), "a");
    log.clear();
    key(Qt::Key_Delete, "\x7f");
    EXPECT_EQ(log.heard(), (Heard{"<click 2>", "<echo a>"}));
    EXPECT_EQ(edit()->text(), "");
    log.clear();
    key(Qt::Key_Delete, "\x7f");
    EXPECT_EQ(log.heard(), (Heard{"<click 2>", "<beep>"}));
}

TEST_F(InputDialogTest, LeftArrivingAtTheStartEchoesSilentlyAndBeepsTheNextTime)
{
    open("abc", 1);
    key(Qt::Key_Left);
    EXPECT_EQ(log.heard(), (Heard{"<echo a>"}));
    log.clear();
    key(Qt::Key_Left);
    EXPECT_EQ(log.heard(), (Heard{"<echo a>", "<beep>"}));
    log.clear();
    key(Qt::Key_Right);
    EXPECT_EQ(log.heard(), (Heard{"<echo b>"}));
    EXPECT_FALSE(dialog.edgeflag());
}

TEST_F(InputDialogTest, OnAnEmptyLineLeftBeepsEveryTimeAndHomeSaysNothing)
{
    open();
    key(Qt::Key_Left);
    key(Qt::Key_Left);
    key(Qt::Key_Home);
    EXPECT_EQ(log.heard(), (Heard{"<beep>", "<beep>"}));
}

TEST_F(InputDialogTest, RightAtTheEndClicksThenClicksAndBeeps)
{
    open("ab", 1);
    key(Qt::Key_Right); // arrives at the end: the character after the cursor is none
    EXPECT_EQ(log.heard(), (Heard{"<click 2>"}));
    log.clear();
    key(Qt::Key_Right);
    EXPECT_EQ(log.heard(), (Heard{"<click 2>", "<beep>"}));
    log.clear();
    key(Qt::Key_Home);
    key(Qt::Key_End);
    EXPECT_EQ(log.heard(), (Heard{"<echo a>", "<click 2>", "<beep>"}));
}

TEST_F(InputDialogTest, ACharacterOutsideTheCodePageKeepsEveryColumnAfterItInPlace)
{
    // A G clef is two QChars; read as one "?" it would shift the cursor past the "b".
    open("", 0);
    edit()->setText(QString::fromUtf8("\U0001D11Eb"));
    edit()->setCursorPosition(2);
    log.clear();
    key(Qt::Key_Delete, "\x7f");
    EXPECT_EQ(log.heard(), (Heard{"<click 2>", "<echo b>"}));
}

TEST_F(InputDialogTest, CtrlArrowsSpeakTheWordTheCursorHasMovedTo)
{
    open("abc,def ghi", 0);
    key(Qt::Key_Left, {}, Qt::ControlModifier);
    EXPECT_EQ(log.heard(), (Heard{"abc"})) << "the comma ends the word";
    log.clear();
    edit()->setCursorPosition(11);
    key(Qt::Key_Left, {}, Qt::ControlModifier);
    EXPECT_EQ(edit()->cursorPosition(), 8);
    EXPECT_EQ(log.heard(), (Heard{"ghi"}));
    log.clear();
    edit()->setCursorPosition(7);
    key(Qt::Key_Right, {}, Qt::ControlModifier);
    EXPECT_EQ(edit()->cursorPosition(), 8);
    EXPECT_EQ(log.heard(), (Heard{"ghi"}));
}

TEST_F(InputDialogTest, AltUpSpeaksTheLineAndOnlyPlainUpAndDownOpenTheReview)
{
    open();
    key(Qt::Key_Up, {}, Qt::AltModifier);
    EXPECT_EQ(log.heard(), (Heard{"empty line"}));
    edit()->setText("vezmi dopis");
    key(Qt::Key_Up, {}, Qt::AltModifier);
    key(Qt::Key_Down, {}, Qt::AltModifier);
    EXPECT_EQ(reviews, 0);
    EXPECT_EQ(log.heard().back(), "vezmi dopis");
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
    EXPECT_EQ(log.heard(), (Heard{"<echo x>", kCapitalCue, "<echo X>", "<echo \xE8>"}));
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
    EXPECT_EQ(log.heard(), (Heard{kCapitalCue, "<echo \xC1>", "<echo \xA1>", "<echo x>"}));
}

TEST_F(InputDialogTest, AltF4RunsTheExitCommand)
{
    open();
    key(Qt::Key_F4, {}, Qt::AltModifier);
    EXPECT_EQ(exits, 1);
    key(Qt::Key_F4);
    EXPECT_EQ(exits, 1);
}

// Alt+1 to Alt+9 ask for an answer again; the line takes no digit and echoes none. Alt+0,
// Ctrl+Alt+1 (AltGr on some layouts) and a plain 1 are no answer keys.
TEST_F(InputDialogTest, AltDigitsAskForAnAnswerAndTypeNothing)
{
    open("v", 1);
    key(Qt::Key_1, "1", Qt::AltModifier);
    key(Qt::Key_9, "9", Qt::AltModifier);
    EXPECT_EQ(log.heard(), (Heard{"<answer 1>", "<answer 9>"}));
    EXPECT_EQ(edit()->text(), QString("v"));
    key(Qt::Key_0, "0", Qt::AltModifier);
    key(Qt::Key_1, "1", Qt::AltModifier | Qt::ControlModifier);
    key(Qt::Key_1, "1");
    const Heard heard = log.heard();
    EXPECT_EQ(std::count_if(heard.begin(), heard.end(),
                            [](const std::string& said) { return said.starts_with("<answer"); }),
              2);
    EXPECT_EQ(heard.back(), "<echo 1>") << "a plain 1 is typed as ever";
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
    EXPECT_EQ(log.heard(), (Heard{"<echo '>", "<echo c>"})) << "J alone is dot 4, the apostrophe";
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
    EXPECT_EQ(log.heard(), (Heard{"<echo  >", "<echo a>", "<echo c>"}));
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
    EXPECT_EQ(log.heard().back(), "<echo B>");
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

// Keys typed while the previous key's echo is still being spoken. The echo serves the event
// queue, as the real speech layer does while it waits, so the keys queued behind it are
// handled inside that wait; each must still land in the order it was typed.
class TypingAheadTest : public InputDialogTest {
protected:
    TypingAheadTest()
    {
        speech.whileSpeaking = [this] { keys.serve(); };
    }
    void queueKey(Qt::Key key, const QString& text = {}) { keys.queueKey(edit(), key, text); }
    void queueText(const QString& text)
    {
        for (const QChar ch : text) {
            queueKey(ch == ' ' ? Qt::Key_Space : static_cast<Qt::Key>(ch.toUpper().unicode()),
                     QString(ch));
        }
    }
    void queueChord(std::initializer_list<Qt::Key> chord)
    {
        for (Qt::Key k : chord) {
            keys.queue(edit(), QEvent::KeyPress, k, letter(k));
        }
        for (Qt::Key k : chord) {
            keys.queue(edit(), QEvent::KeyRelease, k, letter(k));
        }
    }

    tov::testing::QueuedKeys keys;
};

TEST_F(TypingAheadTest, TextTypedDuringTheEchoLandsInOrderAndIsEchoedInOrder)
{
    open();
    queueText("vezmi dopis");
    keys.serve();
    EXPECT_EQ(edit()->text(), "vezmi dopis");
    EXPECT_GT(keys.deepest(), 5) << "the keys were not handled inside the echo's wait";
    const Heard heard = log.heard();
    ASSERT_EQ(heard.size(), 11u);
    EXPECT_EQ(heard.front(), "<echo v>");
    EXPECT_EQ(heard.back(), "<echo s>");
}

TEST_F(TypingAheadTest, DeletionsAndCursorMovesTypedAheadActOnTheLineInOrder)
{
    open();
    queueText("ab");
    queueKey(Qt::Key_Backspace, "\b");
    queueText("c");
    queueKey(Qt::Key_Left);
    queueText("x");
    queueKey(Qt::Key_End);
    queueKey(Qt::Key_Backspace, "\b");
    keys.serve();
    EXPECT_EQ(edit()->text(), "ax");
    EXPECT_GT(keys.deepest(), 3);
    EXPECT_EQ(log.heard(),
              (Heard{"<echo a>", "<echo b>", "<click 2>", "<echo b>", "<echo c>", "<echo c>",
                     "<echo x>", "<click 2>", "<beep>", "<click 2>", "<echo c>"}))
        << "Backspace echoes what it deletes; Left the character after the cursor";
}

TEST_F(TypingAheadTest, EnterAfterFastTypingCarriesTheWholeLine)
{
    dialog.setEditText("");
    dialog.activateEdit();
    queueText("vezmi dopis");
    queueKey(Qt::Key_Return, "\r");
    QTimer::singleShot(0, [&] { keys.serve(); });
    EXPECT_EQ(dialog.showModal(), runtime::DialogResult::Ok);
    EXPECT_EQ(dialog.editText(), "vezmi dopis");
}

TEST_F(TypingAheadTest, ChordsTypedDuringThePreviewLandInOrder)
{
    state.braillekeys = true;
    open();
    queueChord({Qt::Key_F, Qt::Key_D, Qt::Key_S, Qt::Key_L}); // v
    queueChord({Qt::Key_F, Qt::Key_K});                       // e
    queueChord({Qt::Key_F, Qt::Key_S, Qt::Key_K, Qt::Key_L}); // z
    queueKey(Qt::Key_Backspace, "\b");
    queueChord({Qt::Key_F, Qt::Key_S, Qt::Key_J}); // m
    keys.serve();
    EXPECT_EQ(edit()->text(), "vem");
    EXPECT_GT(keys.deepest(), 3);
}

// Chords from a braille display: typed with the keyboard's table whether braille mode is on
// or not, each committed before its echo waits, so that chords arriving during that wait
// land after it; the echo speaks what the chord gave under the prefix it found.
TEST_F(InputDialogTest, DisplayChordsAreCommittedBeforeTheirEchoWaitsAndLandInOrder)
{
    open();
    std::vector<std::string> ahead = {"15", "1356", " "}; // e z and the space bar
    speech.whileSpeaking = [&] {
        if (!ahead.empty()) {
            const std::string next = ahead.front();
            ahead.erase(ahead.begin());
            dialog.typeChord(next);
        }
    };
    dialog.typeChord("1236"); // v
    EXPECT_EQ(edit()->text(), "vez ");
    EXPECT_EQ(log.heard(), (Heard{"<echo v>", "<echo e>", "<echo z>", "<echo  >"}));
    EXPECT_EQ(log.count("<stop>"), 4) << "each chord stops the speech first";
}

TEST_F(InputDialogTest, ADisplayChordAfterTheCapitalSignEchoesAndTypesTheCapital)
{
    open("ab", 1);
    dialog.typeChord("6");
    EXPECT_TRUE(log.heard().empty()) << "a prefix chord is silent";
    dialog.typeChord("12");
    EXPECT_EQ(edit()->text(), "aBb") << "the chord goes in at the cursor";
    EXPECT_EQ(edit()->cursorPosition(), 2);
    EXPECT_EQ(log.heard(), (Heard{kCapitalCue, "<echo B>"}));
    EXPECT_EQ(state.currentprefix, "") << "the capital sign is spent";
}

// A chord held past the keyboard's repeat delay. Qt on X11 reports the repeat as a release
// and a press, flagged as auto-repeat only when it saw the press queued in time; on a busy
// machine it does not, and only the server times tell the pair from a real release.
class HeldChordTest : public BrailleDialogTest {
protected:
    void stamped(QEvent::Type type, Qt::Key key, quint64 at, bool autorepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, letter(key), autorepeat);
        event.setTimestamp(at);
        QCoreApplication::sendEvent(edit(), &event);
    }
    void pressAt(Qt::Key key, quint64 at) { stamped(QEvent::KeyPress, key, at); }
    void releaseAt(Qt::Key key, quint64 at) { stamped(QEvent::KeyRelease, key, at); }
    // Holds F D S L ("v") from `at`, with `repeats` auto-repeat pairs of L 40 ms apart.
    quint64 holdV(quint64 at, int repeats, bool flagged)
    {
        for (Qt::Key k : {Qt::Key_F, Qt::Key_D, Qt::Key_S, Qt::Key_L}) {
            pressAt(k, at += 5);
        }
        at += 500;
        for (int i = 0; i < repeats; ++i, at += 40) {
            stamped(QEvent::KeyRelease, Qt::Key_L, at, flagged);
            stamped(QEvent::KeyPress, Qt::Key_L, at, flagged);
        }
        for (Qt::Key k : {Qt::Key_F, Qt::Key_D, Qt::Key_S, Qt::Key_L}) {
            releaseAt(k, at += 5);
        }
        return at;
    }
    // Waits until no release is held back, so nothing more can be typed.
    void settle() { QTRY_VERIFY(!dialog.holdsRelease()); }
};

TEST_F(HeldChordTest, UnflaggedRepeatPairsRepeatTheEchoButTypeTheChordOnce)
{
    open();
    quint64 at = holdV(1000, 12, false);
    settle();
    EXPECT_EQ(edit()->text(), "v");
    EXPECT_EQ(log.count("<echo v>"), 1 + 12) << "each repeated press previews again";
    at = holdV(at + 300, 12, false);
    holdV(at + 300, 12, false);
    settle();
    EXPECT_EQ(edit()->text(), "vvv");
}

TEST_F(HeldChordTest, FlaggedRepeatPairsTypeTheChordOnce)
{
    open();
    holdV(1000, 12, true);
    settle();
    EXPECT_EQ(edit()->text(), "v");
}

TEST_F(HeldChordTest, TheKeyStillRepeatingAfterTheChordWasLetGoStartsNoChord)
{
    // F let go first while L, pressed last, goes on repeating, in the three ways a display
    // server repeats: Qt on Wayland (flagged pairs stamped with the first press), XKB's
    // detectable auto-repeat (presses of a key already down), and X11 without it when Qt
    // misses the pair (unflagged pairs stamped with the time of the repeat).
    enum class Repeat { Flagged, PressesOnly, Unflagged };
    open();
    quint64 at = 1000;
    for (const Repeat repeat : {Repeat::Flagged, Repeat::PressesOnly, Repeat::Unflagged}) {
        const quint64 pressed = at;
        for (Qt::Key k : {Qt::Key_F, Qt::Key_D, Qt::Key_S, Qt::Key_L}) {
            pressAt(k, pressed);
        }
        const auto repeatL = [&] {
            at += 30;
            if (repeat == Repeat::Flagged) {
                stamped(QEvent::KeyRelease, Qt::Key_L, pressed, true);
                stamped(QEvent::KeyPress, Qt::Key_L, pressed, true);
            } else if (repeat == Repeat::PressesOnly) {
                pressAt(Qt::Key_L, at);
            } else {
                releaseAt(Qt::Key_L, at);
                pressAt(Qt::Key_L, at);
            }
        };
        at += 600;
        repeatL();
        repeatL();
        releaseAt(Qt::Key_F, at += 5);
        repeatL();
        releaseAt(Qt::Key_D, at += 5);
        repeatL();
        releaseAt(Qt::Key_S, at += 5);
        repeatL();
        releaseAt(Qt::Key_L, at += 5);
        settle();
        at += 1000;
    }
    EXPECT_EQ(edit()->text(), "vvv") << "not v(: D S L left down are no new chord";
    EXPECT_EQ(log.count("<echo v>"), 3 * 3) << "the first press of L, then its two repeats";
}

TEST_F(HeldChordTest, TheSameChordPressedAgainTypesAgainAndALoneReleaseTypesWhenTheWaitEnds)
{
    open();
    pressAt(Qt::Key_F, 1000);
    releaseAt(Qt::Key_F, 1100);
    EXPECT_TRUE(dialog.holdsRelease());
    pressAt(Qt::Key_F, 1100 + kRepeatPairSlack + 50); // a finger, not the repeat
    EXPECT_EQ(edit()->text(), "a") << "the held release is typed before the next press";
    releaseAt(Qt::Key_F, 1300);
    EXPECT_EQ(edit()->text(), "a");
    QTRY_COMPARE(edit()->text(), QString("aa"));
    EXPECT_FALSE(dialog.holdsRelease());
}

TEST_F(HeldChordTest, EnterRightAfterAChordCarriesIt)
{
    open();
    pressAt(Qt::Key_F, 1000);
    releaseAt(Qt::Key_F, 1100);
    EXPECT_TRUE(dialog.holdsRelease());
    key(Qt::Key_Return, "\r");
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.editText(), "a");
}

} // namespace
} // namespace tov::input
