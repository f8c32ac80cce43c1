// The review window under the offscreen platform: the opening rule, what opening and
// closing play and say, and the review keys with the edge flag, driven by real key events
// while the window runs modally.
#include "input_doubles.h"
#include "queued_keys.h"

#include "common/localizer.h"
#include "doubles/doubles.h"
#include "input/inputdialog.h"
#include "input/reviewwindow.h"
#include "runtime/console.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>

namespace tov::input {
namespace {

using Heard = std::vector<std::string>;
const std::string kWindowSound = "<sound 300+450 #5 100ms>";

class ReviewWindowTest : public ::testing::Test {
protected:
    ReviewWindowTest() : console(dir.path()) {}

    // Opens the window and, once it runs modally, presses the keys; a window the keys left
    // open is closed with its button.
    void openWith(const std::function<void()>& keys)
    {
        // A timer of this call only: when the window stays shut it never fires.
        QTimer timer;
        timer.setSingleShot(true);
        QObject::connect(&timer, &QTimer::timeout, [&] {
            if (!form.isVisible()) {
                return;
            }
            opened = true;
            keys();
            if (form.isVisible()) {
                form.closebitbtn()->click();
            }
        });
        timer.start(0);
        form.Open();
    }

    QPlainTextEdit* memo() const { return form.virtualscrmemo(); }
    void key(Qt::Key key, Qt::KeyboardModifiers m = Qt::NoModifier)
    {
        QTest::sendKeyEvent(QTest::Press, memo(), key, QString(), m);
        QTest::sendKeyEvent(QTest::Release, memo(), key, QString(), m);
    }
    // The log from the first key on: opening's sound and "Screen" taken off the front.
    Heard heardAfterOpening() const
    {
        Heard heard = log.heard();
        EXPECT_GE(heard.size(), 2u);
        EXPECT_EQ(heard[0], kWindowSound);
        EXPECT_EQ(heard[1], "<saynowait Screen>");
        heard.erase(heard.begin(), heard.begin() + 2);
        return heard;
    }

    tov::testing::Language english{kEnglishBase};
    tov::testing::TempDir dir;
    runtime::Console console;
    KeyboardState state;
    tov::testing::SelfNamedKeys names;
    tov::testing::EventLog log;
    tov::testing::RecordingSpeech speech{log};
    tov::testing::RecordingSounds cues{log};
    TForm6 form{console, speech, cues, state};
    bool opened = false;
};

TEST_F(ReviewWindowTest, ByteFiftyThousandSevenHundredThirtyAtOneKeepsTheWindowShut)
{
    console.memoryimage()[runtime::kReviewDisableAddress] = 1;
    openWith([] {});
    EXPECT_FALSE(opened);
    EXPECT_TRUE(log.empty());
    console.memoryimage()[runtime::kReviewDisableAddress] = 2;
    openWith([] {});
    EXPECT_TRUE(opened) << "only the value 1 disables the window";
}

TEST_F(ReviewWindowTest, OpeningAndClosingPlayTheTwoTonesAndSayScreenAndEndOfScreen)
{
    console.screen().replaceLine(0, "ahoj");
    QString shown;
    openWith([&] {
        shown = memo()->toPlainText();
        key(Qt::Key_Escape);
    });
    EXPECT_EQ(log,
              (Heard{kWindowSound, "<saynowait Screen>", "<stop>", kWindowSound, "end of screen"}));
    EXPECT_EQ(shown, "ahoj" + QString(24, QLatin1Char('\n')));
    EXPECT_EQ(form.windowTitle(), "Screen");
    EXPECT_EQ(form.closebitbtn()->text(), "&Close");
    EXPECT_EQ(form.closebitbtn()->accessibleName(), "Close");
    EXPECT_EQ(memo()->accessibleName(), "Screen");
}

TEST_F(ReviewWindowTest, TheCloseButtonClosesWithTheSameAnnouncement)
{
    openWith([&] { form.closebitbtn()->click(); });
    EXPECT_EQ(log.heard().back(), "end of screen");
    EXPECT_EQ(log.count(kWindowSound), 2);
}

TEST_F(ReviewWindowTest, UpAndDownSpeakLinesAndAFurtherUpAtTheFirstLineClicks)
{
    console.screen().replaceLine(0, "first");
    openWith([&] {
        key(Qt::Key_Down);
        key(Qt::Key_Up);
        key(Qt::Key_Up);
    });
    EXPECT_EQ(heardAfterOpening(),
              (Heard{"empty line", "first", "<click 16>", "first", kWindowSound, "end of screen"}));
}

TEST_F(ReviewWindowTest, LinesAndCharactersAskedForWhileALineIsSpokenComeInOrder)
{
    // Each line is said on the key's release and the saying serves the queue, so the keys
    // typed meanwhile are handled inside it: each must read from where the last one left.
    console.screen().replaceLine(1, "two");
    console.screen().replaceLine(2, "three");
    console.screen().replaceLine(3, "four");
    tov::testing::QueuedKeys keys;
    speech.whileSpeaking = [&] { keys.serve(); };
    openWith([&] {
        log.clear();
        keys.queueKey(memo(), Qt::Key_Down);
        keys.queueKey(memo(), Qt::Key_Down);
        keys.queueKey(memo(), Qt::Key_Right);
        keys.queueKey(memo(), Qt::Key_Down);
        keys.queueKey(memo(), Qt::Key_F2);
        key(Qt::Key_Down);
        EXPECT_GT(keys.deepest(), 3);
        speech.whileSpeaking = nullptr;
    });
    EXPECT_EQ(log.heard(), (Heard{"two", "three", "four", "<echo o>", "empty line",
                                  "line 5, column 1", kWindowSound, "end of screen"}));
}

TEST_F(ReviewWindowTest, ThePositionAfterTheLastLineIsABoundaryToo)
{
    openWith([&] {
        key(Qt::Key_End, Qt::ControlModifier); // to the position after line 24
        log.clear();
        key(Qt::Key_Down);
        key(Qt::Key_Up);
    });
    EXPECT_EQ(log.heard(),
              (Heard{"<click 16>", "empty line", "empty line", kWindowSound, "end of screen"}))
        << "Ctrl+End arrived at the end; Down against it clicks, Up leaves it";
}

TEST_F(ReviewWindowTest, F2SpeaksLineAndColumnFromOne)
{
    console.screen().replaceLine(2, "abc");
    openWith([&] {
        key(Qt::Key_Down);
        key(Qt::Key_Down);
        log.clear();
        key(Qt::Key_F2);
        key(Qt::Key_Right);
        key(Qt::Key_Right);
        key(Qt::Key_F2);
    });
    const Heard heard = log.heard();
    ASSERT_GE(heard.size(), 4u);
    EXPECT_EQ(heard[0], "line 3, column 1");
    EXPECT_EQ(heard[3], "line 3, column 3");
}

// F3 echoes the character after the caret; a second F3 within half a second (by the key
// events' own times) spells it in the interface language, here English.
TEST_F(ReviewWindowTest, F3TwiceWithinHalfASecondSpellsTheCharacter)
{
    console.screen().replaceLine(0, "kx");
    const auto f3At = [&](ulong milliseconds) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_F3, Qt::NoModifier);
        press.setTimestamp(milliseconds);
        QApplication::sendEvent(memo(), &press);
    };
    openWith([&] {
        log.clear();
        f3At(1000);
        f3At(1450); // the second press
        f3At(1500); // a third starts over
        f3At(2100); // too late for a second
        key(Qt::Key_Right);
        f3At(3000);
        f3At(3100);
    });
    const Heard heard = log.heard();
    ASSERT_GE(heard.size(), 7u);
    EXPECT_EQ(Heard(heard.begin(), heard.begin() + 7),
              (Heard{"<echo k>", "Kilo", "<echo k>", "<echo k>", "<echo x>", "<echo x>", "X-ray"}));
}

TEST_F(ReviewWindowTest, CharactersEchoTheOneAfterTheCaretAndTheCarriageReturnAtALineEnd)
{
    console.screen().replaceLine(0, "ab");
    openWith([&] {
        key(Qt::Key_Left);  // at the very start already: the edge flag is set silently
        key(Qt::Key_Left);  // against it: click
        key(Qt::Key_Right); // b
        key(Qt::Key_Right); // the end of the line: its CR
        key(Qt::Key_Home);  // a
    });
    EXPECT_EQ(heardAfterOpening(), (Heard{"<echo a>", "<click 16>", "<echo a>", "<echo b>",
                                          "<echo \r>", "<echo a>", kWindowSound, "end of screen"}));
}

TEST_F(ReviewWindowTest, CtrlRightSpeaksTheWordItMovedToWithoutTheComma)
{
    console.screen().replaceLine(0, "xx abc, def");
    openWith([&] {
        key(Qt::Key_Right, Qt::ControlModifier);
        key(Qt::Key_Home, Qt::ControlModifier);
    });
    EXPECT_EQ(heardAfterOpening(), (Heard{"abc", kWindowSound, "end of screen"}))
        << "Ctrl+Home says nothing after the boundary rule";
}

TEST_F(ReviewWindowTest, TheEdgeFlagCarriesOverToTheNextOpening)
{
    openWith([&] { key(Qt::Key_Up); });
    EXPECT_TRUE(form.edgeflag());
    log.clear();
    openWith([&] { key(Qt::Key_Up); });
    EXPECT_EQ(heardAfterOpening(),
              (Heard{"<click 16>", "empty line", kWindowSound, "end of screen"}));
}

TEST_F(ReviewWindowTest, WithoutASpeechEngineTheKeysAreSilentAndEscapeStillCloses)
{
    speech.ready = false;
    console.screen().replaceLine(0, "ab");
    bool closedByEscape = false;
    openWith([&] {
        key(Qt::Key_Down);
        key(Qt::Key_Right);
        key(Qt::Key_F2);
        key(Qt::Key_Escape);
        closedByEscape = !form.isVisible();
    });
    EXPECT_TRUE(closedByEscape);
    EXPECT_EQ(log, (Heard{kWindowSound, "<saynowait Screen>", kWindowSound, "end of screen"}));
}

TEST_F(ReviewWindowTest, UpInTheInputLineOpensItAndTheLineStaysQuietWhenItCloses)
{
    TForm2 dialog([] {});
    dialog.setHosts({&speech, &cues, &state, &brailleTables(), [this] { form.Open(); }, {}});
    dialog.setEditText("sever");
    dialog.activateEdit();
    QTimer::singleShot(0, [&] {
        QTimer::singleShot(0, [&] {
            opened = form.isVisible();
            key(Qt::Key_Escape);
        });
        QTest::sendKeyEvent(QTest::Press, dialog.inputedit(), Qt::Key_Up, QString(), {});
        QTest::sendKeyEvent(QTest::Release, dialog.inputedit(), Qt::Key_Up, QString(), {});
        dialog.close();
    });
    dialog.showModal();
    EXPECT_TRUE(opened);
    EXPECT_EQ(log.heard(),
              (Heard{kWindowSound, "<saynowait Screen>", kWindowSound, "end of screen"}));
}

} // namespace
} // namespace tov::input
