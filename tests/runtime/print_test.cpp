// PRINT onto the 24x80 screen: wrapping, tab zones, scrolling, and what is spoken.
#include "doubles/doubles.h"

#include <gtest/gtest.h>

namespace tov::runtime {
namespace {

using testing::ConsoleFixture;
using testing::padded;
using testing::pauseEntry;
using namespace std::chrono_literals;

std::string letters(size_t count)
{
    std::string s;
    for (size_t i = 0; i < count; ++i) {
        s += static_cast<char>('a' + i % 26);
    }
    return s;
}

class PrintTest : public ::testing::Test, protected ConsoleFixture {
protected:
    const std::string& line(int row) const { return console.screen().line(row); }
    int column() { return console.cursor().column(); }
    int row() { return console.cursor().row(); }
};

TEST_F(PrintTest, ScreenStartsAsTwentyFourEmptyLines)
{
    ASSERT_EQ(console.screen().lines().size(), 24u);
    for (const std::string& l : console.screen().lines()) {
        EXPECT_EQ(l, "");
    }
    EXPECT_EQ(column(), 0);
    EXPECT_EQ(row(), 0);
}

TEST_F(PrintTest, EmptyTextPadsTheLineEndsItAndSaysNothing)
{
    console.print("", PrintMode::EndLine);
    EXPECT_EQ(line(0), std::string(80, ' '));
    EXPECT_EQ(line(1), "");
    EXPECT_EQ(row(), 1);
    EXPECT_EQ(column(), 0);
    EXPECT_TRUE(speech.spoken.empty());
}

TEST_F(PrintTest, TwoHundredCharactersWrapOverThreeLines)
{
    const std::string text = letters(200);
    console.print(text, PrintMode::Stay);
    EXPECT_EQ(line(0), text.substr(0, 80));
    EXPECT_EQ(line(1), text.substr(80, 80));
    EXPECT_EQ(line(2), padded(text.substr(160)));
    EXPECT_EQ(row(), 2);
    EXPECT_EQ(column(), 40);
    EXPECT_EQ(speech.spoken, std::vector<std::string>{text}); // spoken whole, once
}

TEST_F(PrintTest, TextFromColumnTenWrapsAfterSeventyCharacters)
{
    console.cursor().setcolumn(10);
    const std::string text = letters(75);
    console.print(text, PrintMode::EndLine);
    EXPECT_EQ(line(0), std::string(10, ' ') + text.substr(0, 70));
    EXPECT_EQ(line(1), padded(text.substr(70)));
    EXPECT_EQ(row(), 2);
    EXPECT_EQ(column(), 0);
}

TEST_F(PrintTest, FullLineWrapsOnlyWhenTheNextTextArrives)
{
    console.print(letters(80), PrintMode::Stay);
    EXPECT_EQ(row(), 0);
    EXPECT_EQ(column(), 80);
    console.print("xy", PrintMode::Stay);
    EXPECT_EQ(line(0), letters(80));
    EXPECT_EQ(line(1), padded("xy"));
    EXPECT_EQ(row(), 1);
    EXPECT_EQ(column(), 2);
}

TEST_F(PrintTest, TextOverwritesInPlaceWithoutInserting)
{
    console.print("abcdef", PrintMode::EndLine);
    console.cursor().setrow(0);
    console.cursor().setcolumn(2);
    console.print("XY", PrintMode::Stay);
    EXPECT_EQ(line(0), padded("abXYef"));
}

TEST_F(PrintTest, ModeTwoAdvancesToTheNextZone)
{
    struct Row {
        int columnAfterText;
        int expectedColumn; // -1: the line ends
    };
    const Row rows[] = {{5, 8},   {8, 8},   {9, 10},  {17, 18}, {71, 72},
                        {72, 72}, {73, -1}, {80, -1}, {0, 0},   {1, 2}};
    for (const Row& r : rows) {
        SCOPED_TRACE("text ending at column " + std::to_string(r.columnAfterText));
        ConsoleFixture f;
        f.console.print(std::string(static_cast<size_t>(r.columnAfterText), 'x'),
                        PrintMode::NextZone);
        if (r.expectedColumn < 0) {
            EXPECT_EQ(f.console.cursor().row(), 1);
            EXPECT_EQ(f.console.cursor().column(), 0);
        } else {
            EXPECT_EQ(f.console.cursor().row(), 0);
            EXPECT_EQ(f.console.cursor().column(), r.expectedColumn);
        }
    }
}

TEST_F(PrintTest, ModeTwoWorksFromTheCursorNotFromTheTextLength)
{
    console.cursor().setcolumn(20);
    console.print("abc", PrintMode::NextZone); // ends at 23
    EXPECT_EQ(column(), 24);
    console.print("d", PrintMode::Stay);
    EXPECT_EQ(line(0).substr(20, 5), "abc d");
}

TEST_F(PrintTest, EndingTheLastLineScrollsTheScreenUp)
{
    for (int i = 0; i < 24; ++i) {
        console.print("line " + std::to_string(i), PrintMode::EndLine);
    }
    ASSERT_EQ(console.screen().lines().size(), 24u);
    EXPECT_EQ(line(0), padded("line 1"));
    EXPECT_EQ(line(22), padded("line 23"));
    EXPECT_EQ(line(23), "");
    EXPECT_EQ(row(), 23);
    EXPECT_EQ(column(), 0);
}

TEST_F(PrintTest, LongTextOnTheLastLineScrollsAsOftenAsItNeeds)
{
    console.cursor().setrow(23);
    const std::string text = letters(250);
    console.print(text, PrintMode::EndLine);
    ASSERT_EQ(console.screen().lines().size(), 24u);
    EXPECT_EQ(line(19), text.substr(0, 80));
    EXPECT_EQ(line(20), text.substr(80, 80));
    EXPECT_EQ(line(21), text.substr(160, 80));
    EXPECT_EQ(line(22), padded(text.substr(240)));
    EXPECT_EQ(line(23), "");
    EXPECT_EQ(row(), 23);
}

TEST_F(PrintTest, ObserverHearsOfEveryChangedLine)
{
    struct Recorder : ScreenObserver {
        void linesChanged(int first, int last) override { ranges.emplace_back(first, last); }
        std::vector<std::pair<int, int>> ranges;
    } recorder;
    console.screen().setObserver(&recorder);
    console.print(letters(90), PrintMode::Stay);
    EXPECT_EQ(recorder.ranges, (std::vector<std::pair<int, int>>{{0, 0}, {1, 1}}));
    recorder.ranges.clear();
    console.cursor().setrow(23);
    console.print("x", PrintMode::EndLine);
    EXPECT_EQ(recorder.ranges, (std::vector<std::pair<int, int>>{{23, 23}, {0, 23}}));
    console.screen().setObserver(nullptr);
}

TEST_F(PrintTest, ResetKeepsTheRowAndTheScreen)
{
    console.print("first run", PrintMode::Stay);
    console.resetruntime();
    EXPECT_EQ(column(), 0);
    EXPECT_EQ(row(), 0);
    console.print("AB", PrintMode::Stay);
    EXPECT_EQ(line(0), padded("ABrst run"));
}

TEST(PrintSpeech, LeadingPunctuationBecomesPausesBeforeTheRestIsSpoken)
{
    struct Row {
        const char* text;
        const char* spoken;
        int pauses; //: of 300 ms each, all of them before the text is spoken
    };
    const Row rows[] = {
        {"word", "word", 0},   {"   word", "   word", 0},
        {"..word", "word", 2}, {"  ?word", "word", 1},
        {"...", "", 3},        {". .a", " .a", 1}, // stops at the space
        {",;?x", "x", 3},      {"!word", "!word", 0},
        {"a.b", "a.b", 0},     {"\t.x", "x", 1}, // tabs count as blanks too
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.text);
        ConsoleFixture f;
        f.console.print(r.text, PrintMode::EndLine);
        std::vector<std::string> expected(static_cast<size_t>(r.pauses), pauseEntry(300));
        expected.emplace_back(r.spoken);
        EXPECT_EQ(f.log, expected);
        EXPECT_EQ(f.console.screen().line(0), padded(r.text)); // the screen shows it all
    }
}

TEST(PrintSpeech, TextIsOnTheScreenBeforeItIsSpoken)
{
    tov::testing::RecordingSpeech speech;
    Console console;
    std::string lineWhenSpoken;
    speech.whileSpeaking = [&] { lineWhenSpoken = console.screen().line(0); };
    console.setHost(
        {&speech, &closedDialog(), &stderrProcess(), &sleepingPauser(), &silentSounds(), {}});
    console.print("ahoj", PrintMode::EndLine);
    EXPECT_EQ(lineWhenSpoken, padded("ahoj"));
}

// Writes what the print channel tells, one entry per call, into a shared log.
class LoggingObserver final : public PrintObserver {
public:
    LoggingObserver(std::string name, std::vector<std::string>& log)
        : name_(std::move(name)), log_(log)
    {
    }
    void printed(const PrintedText& printed) override
    {
        log_.push_back(name_ + " printed '" + std::string(printed.text) + "' row " +
                       std::to_string(printed.row) + (printed.endsLine ? " ends" : " stays"));
    }
    void inputStarted() override { log_.push_back(name_ + " input started"); }
    void inputEnded(std::string_view line) override
    {
        log_.push_back(name_ + " input ended '" + std::string(line) + "'");
    }

private:
    std::string name_;
    std::vector<std::string>& log_;
};

// Each PRINT reaches the observers with the row its text now stands on, whatever the
// cursor did after it: the row of a line that scrolled up, a tab zone that wrapped.
TEST(PrintChannel, TellsTheRowTheTextStandsOnAndWhetherTheLineEnded)
{
    struct Row {
        const char* description;
        uint8_t row, column;
        std::string text;
        PrintMode mode;
        std::string told;
    };
    const Row rows[] = {
        {"an ended line", 5, 0, "les", PrintMode::EndLine, "printed 'les' row 5 ends"},
        {"an ended line on the last row scrolls", 23, 0, "les", PrintMode::EndLine,
         "printed 'les' row 22 ends"},
        {"PRINT x; stays on its row", 5, 3, "les", PrintMode::Stay, "printed 'les' row 5 stays"},
        {"a tab zone on the same row", 5, 0, "les", PrintMode::NextZone,
         "printed 'les' row 5 stays"},
        {"a tab zone past column 72 ends the line", 6, 70, "lesy", PrintMode::NextZone,
         "printed 'lesy' row 6 ends"},
        {"a text wrapped past column 80 ends on the row below", 6, 78, "lesy", PrintMode::Stay,
         "printed 'lesy' row 7 stays"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        std::vector<std::string> log;
        LoggingObserver observer("o", log);
        Console console;
        console.setHost({.observers = {&observer}});
        console.cursor().setrow(row.row);
        console.cursor().setcolumn(row.column);
        console.print(row.text, row.mode);
        EXPECT_EQ(log, std::vector<std::string>{"o " + row.told});
    }
}

TEST(PrintChannel, EveryObserverHearsEveryPrintInOrderBeforeItIsSpoken)
{
    ConsoleFixture f;
    std::vector<std::string> log;
    LoggingObserver first("first", log);
    LoggingObserver second("second", log);
    f.speech.whileSpeaking = [&] { log.push_back("spoken"); };
    f.console.setHost({&f.speech, &f.dialog, &f.process, &f.pauser, &f.sounds, {&first, &second}});
    f.dialog.script = {"  v ", std::nullopt};
    std::string value;
    f.console.print("jsi v lese", PrintMode::EndLine);
    f.console.input(value, InputMode::NewLine);
    f.console.input(value, InputMode::NewLine);
    EXPECT_EQ(log, (std::vector<std::string>{
                       "first printed 'jsi v lese' row 0 ends",
                       "second printed 'jsi v lese' row 0 ends",
                       "spoken",
                       "first input started",
                       "second input started",
                       "first input ended 'v'",
                       "second input ended 'v'",
                       "first input started",
                       "second input started",
                       "first input ended ''",
                       "second input ended ''",
                   }));
}

} // namespace
} // namespace tov::runtime
