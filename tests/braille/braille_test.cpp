// The display's logic without a display: characters to cells with the braille table,
// the window's panning and routing, what the view shows and where its keys go, BrlAPI's
// key codes, and the connection's behaviour when no BRLTTY answers.
#include "braille/brlapidisplay.h"
#include "braille/cells.h"
#include "braille/printedline.h"
#include "braille/view.h"
#include "braille/window.h"
#include "input/tableloaders.h"
#include "speech/threadqueue.h"

#include <brlapi.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <optional>

namespace tov::braille {
namespace {

input::BrailleTables smallTable()
{
    input::BrailleTables tables;
    const input::brlchartype entries[] = {
        {"#cap", "E", "15"}, // a prefix section before the plain one
        {"", "a", "1"},      {"", "e", "15"},
        {"", ".", "3"},      {"", "ab", "12"}, // two characters: no single cell
        {"", "x", "=1346"},                    // a dots field that is none
        {"#cap", "A", "1"},  {"#caps", "B", "12"},
        {"#num", "1", "1"},  {"#num", "a", "2"}, // the plain "a" wins
    };
    for (const auto& entry : entries) {
        tables.brlchars[tables.brlcharcount++] = entry;
    }
    return tables;
}

TEST(CellTable, EachCharacterIsOneCellWithThePrefixAsDot7Or8)
{
    const CellTable table(smallTable());
    struct Row {
        const char* description;
        char character;
        Cell cell;
    };
    const Row rows[] = {
        {"plain a is dot 1", 'a', 0x01},
        {"plain e wins over the earlier capital entry", 'e', 0x11},
        {"full stop is dot 3", '.', 0x04},
        {"capital A is dots 1 7", 'A', 0x41},
        {"a capitals-string letter has dot 7 too", 'B', 0x43},
        {"a digit of the number section is dots 1 8", '1', 0x81},
        {"capital E from the section before the plain one", 'E', 0x51},
        {"x, whose dots are no cell, is unknown", 'x', kUnknownCell},
        {"b, only in a two-character entry, is unknown", 'b', kUnknownCell},
        {"@, not in the table, is unknown", '@', kUnknownCell},
        {"a control character is unknown", '\x0d', kUnknownCell},
        {"space is the empty cell", ' ', kBlankCell},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(table.cellOf(static_cast<unsigned char>(row.character)), row.cell)
            << row.description;
    }
    EXPECT_EQ(table.translate("a A."), (std::vector<Cell>{0x01, 0x00, 0x41, 0x04}));
    EXPECT_EQ(CellTable().cellOf('a'), kUnknownCell) << "no table loaded";
}

TEST(CellTable, TheShippedTableGivesCzechLettersTheirCells)
{
    input::brailleTables() = {};
    input::brailleTables().brailletablefile =
        std::filesystem::path(TOVANA_SOURCE_DATA_DIR) / input::kBrailleTableFile;
    input::LoadBrailleTable();
    const CellTable table(input::brailleTables());
    // ž is dots 2 3 4 6, Ž the same with dot 7, 1 is the number section's a with dot 8.
    EXPECT_EQ(table.cellOf(0x9E), 0x2E);
    EXPECT_EQ(table.cellOf(0x8E), 0x6E);
    EXPECT_EQ(table.cellOf('1'), 0x81);
    EXPECT_EQ(table.cellOf('v'), 0x27);
    input::brailleTables() = {};
}

TEST(Dots, StringsAndCellsConvertBothWays)
{
    EXPECT_EQ(cellOfDots("1236"), Cell{0x27});
    EXPECT_EQ(cellOfDots("123456"), Cell{0x3F});
    EXPECT_EQ(cellOfDots(""), std::nullopt);
    EXPECT_EQ(cellOfDots("17"), std::nullopt) << "the table's chords have six dots";
    EXPECT_EQ(cellOfDots("1 2"), std::nullopt);
    EXPECT_EQ(dotsOfCell(0x27), "1236");
    EXPECT_EQ(dotsOfCell(0xC1), "1") << "dots 7 and 8 are no chord";
    EXPECT_EQ(dotsOfCell(0x00), "");
}

TEST(BrailleWindow, PansByWholeWidthsAndRoutesToTheColumnUnderTheCell)
{
    enum Op { Left, Right, Follow, Shrink };
    struct Row {
        const char* description;
        size_t width, length;
        std::vector<std::pair<Op, size_t>> ops;
        size_t offset;
        std::optional<size_t> columnOfCell3;
    };
    const Row rows[] = {
        {"a short line stays at its start", 40, 20, {{Right, 0}}, 0, 3},
        {"right pans one width", 10, 25, {{Right, 0}}, 10, 13},
        {"right stops at the last part", 10, 25, {{Right, 0}, {Right, 0}, {Right, 0}}, 20, 23},
        {"a line of exactly two widths has two parts", 10, 20, {{Right, 0}, {Right, 0}}, 10, 13},
        {"left after right returns", 10, 25, {{Right, 0}, {Left, 0}}, 0, 3},
        {"left at the start stays", 10, 25, {{Left, 0}}, 0, 3},
        {"routing past the line's end finds nothing",
         10,
         22,
         {{Right, 0}, {Right, 0}},
         20,
         std::nullopt},
        {"following a column out of view moves by widths", 10, 40, {{Follow, 27}}, 20, 23},
        {"following a visible column keeps the panning",
         10,
         40,
         {{Right, 0}, {Follow, 12}},
         10,
         13},
        {"a line grown shorter pulls the window back",
         10,
         40,
         {{Follow, 35}, {Shrink, 15}},
         10,
         13},
        {"no display: nothing moves, no column",
         0,
         40,
         {{Right, 0}, {Follow, 30}},
         0,
         std::nullopt},
    };
    for (const Row& row : rows) {
        BrailleWindow window;
        window.setWidth(row.width);
        window.setLength(row.length);
        for (const auto& [op, value] : row.ops) {
            switch (op) {
            case Left:
                window.panLeft();
                break;
            case Right:
                window.panRight();
                break;
            case Follow:
                window.follow(value);
                break;
            case Shrink:
                window.setLength(value);
                break;
            }
        }
        EXPECT_EQ(window.offset(), row.offset) << row.description;
        EXPECT_EQ(window.columnOf(3), row.columnOfCell3) << row.description;
    }
}

TEST(BrailleWindow, CellsArePaddedAndTheCursorGetsDots7And8)
{
    BrailleWindow window;
    window.setWidth(4);
    window.setLength(7);
    const std::vector<Cell> line = {1, 2, 3, 4, 5, 6};
    EXPECT_EQ(windowCells(line, window, 1), (std::vector<Cell>{1, 2 | 0xC0, 3, 4}));
    window.panRight();
    // The cursor after the text is the blank cell past it, marked.
    EXPECT_EQ(windowCells(line, window, 6), (std::vector<Cell>{5, 6, 0xC0, 0}));
    EXPECT_EQ(windowCells(line, window, 1), (std::vector<Cell>{5, 6, 0, 0}));
}

// What the view wrote, and what its keys asked for.
struct Recorder final : DisplayOutput {
    std::vector<std::vector<Cell>> writes;
    void write(std::vector<Cell> cells) override { writes.push_back(std::move(cells)); }
};

struct ViewFixture : ::testing::Test {
    Recorder output;
    std::vector<std::string> calls;
    std::vector<std::string> screen = {"a.", "e a", "", ""};
    BrailleView view{
        output,
        {[this](std::string_view chord) { calls.push_back("chord " + std::string(chord)); },
         [this] { calls.push_back("confirm"); }, [this] { calls.push_back("delete"); },
         [this](size_t column) { calls.push_back("input " + std::to_string(column)); },
         [this](size_t column) { calls.push_back("review " + std::to_string(column)); }},
        {[this](int row) { return screen.at(static_cast<size_t>(row)); }, [] { return 1; }}};

    ViewFixture()
    {
        view.setTable(CellTable(smallTable()));
        view.setWidth(3);
    }
    std::vector<Cell> last() const
    {
        return output.writes.empty() ? std::vector<Cell>{} : output.writes.back();
    }
    void press(DisplayKey::Kind kind, size_t cell = 0, std::string chord = {})
    {
        view.key(DisplayKey{kind, std::move(chord), cell});
    }
};

TEST_F(ViewFixture, PrintedLineThenInputLineThenReviewLineAndBack)
{
    view.showPrinted("a.  ");
    EXPECT_EQ(last(), (std::vector<Cell>{0x01, 0x04, 0}));
    view.showInput("", 0);
    EXPECT_EQ(last(), (std::vector<Cell>{0xC0, 0, 0})) << "the empty line's cursor";
    view.showReview("e a", 2);
    EXPECT_EQ(last(), (std::vector<Cell>{0x11, 0, 0x01 | 0xC0}));
    view.endReview();
    EXPECT_EQ(last(), (std::vector<Cell>{0xC0, 0, 0})) << "the input line it covered";
    view.endInput();
    EXPECT_EQ(last(), (std::vector<Cell>{0x01, 0x04, 0})) << "the printed line it covered";
    const size_t writes = output.writes.size();
    view.showPrinted("a.");
    EXPECT_EQ(output.writes.size(), writes) << "the same cells are not written again";
}

TEST_F(ViewFixture, TheInputWindowFollowsTheCursorAndTheKeysReachTheInputLine)
{
    view.showInput("aeae", 4);
    EXPECT_EQ(last(), (std::vector<Cell>{0x11, 0xC0, 0})) << "the second part, cursor at its end";
    press(DisplayKey::Kind::PanLeft);
    EXPECT_EQ(last(), (std::vector<Cell>{0x01, 0x11, 0x01}));
    press(DisplayKey::Kind::Route, 1);
    press(DisplayKey::Kind::Chord, 0, "1");
    press(DisplayKey::Kind::Enter);
    press(DisplayKey::Kind::Backspace);
    EXPECT_EQ(calls, (std::vector<std::string>{"input 1", "chord 1", "confirm", "delete"}));
}

TEST_F(ViewFixture, TypingKeysDoNothingOutsideTheInputLine)
{
    view.showPrinted("a.");
    press(DisplayKey::Kind::Chord, 0, "1");
    press(DisplayKey::Kind::Enter);
    press(DisplayKey::Kind::Route, 0);
    view.showInput("a", 1);
    view.showReview("e a", 0);
    press(DisplayKey::Kind::Chord, 0, "1");
    press(DisplayKey::Kind::Route, 2);
    press(DisplayKey::Kind::Route, 3); // past the display's end
    EXPECT_EQ(calls, (std::vector<std::string>{"review 2"}));
}

TEST_F(ViewFixture, PanningLeftFromTheInputLineReadsBackUpTheScreen)
{
    view.showInput("", 0);
    press(DisplayKey::Kind::PanLeft);
    EXPECT_EQ(last(), (std::vector<Cell>{0x11, 0, 0x01})) << "the last printed row, 1";
    press(DisplayKey::Kind::PanLeft);
    EXPECT_EQ(last(), (std::vector<Cell>{0x01, 0x04, 0})) << "row 0";
    const size_t writes = output.writes.size();
    press(DisplayKey::Kind::PanLeft);
    EXPECT_EQ(output.writes.size(), writes) << "nothing above row 0";
    press(DisplayKey::Kind::Route, 0);
    EXPECT_TRUE(calls.empty()) << "a line read back is not edited";
    press(DisplayKey::Kind::PanRight);
    press(DisplayKey::Kind::PanRight);
    EXPECT_EQ(last(), (std::vector<Cell>{0xC0, 0, 0})) << "down again to the input line";
    press(DisplayKey::Kind::PanLeft);
    press(DisplayKey::Kind::Chord, 0, "1");
    EXPECT_EQ(calls, (std::vector<std::string>{"chord 1"}));
    EXPECT_EQ(last(), (std::vector<Cell>{0xC0, 0, 0})) << "typing brings the input line back";
}

// The answer just printed comes before the input line: panning right reads it line by
// line and then reaches the line; a braille key goes to the line at once.
TEST_F(ViewFixture, TheInputLineOpensOnTheAnswerAndPanningReadsThroughIt)
{
    view.showAnswer({"a.", "e a e"});
    view.showInput("", 0);
    EXPECT_EQ(last(), (std::vector<Cell>{0x01, 0x04, 0})) << "the answer's first line";
    for (const std::vector<Cell>& next :
         {std::vector<Cell>{0x11, 0, 0x01}, {0, 0x11, 0}, {0xC0, 0, 0}}) {
        press(DisplayKey::Kind::PanRight);
        EXPECT_EQ(last(), next) << "the second line, its rest, then the input line";
    }
    press(DisplayKey::Kind::PanLeft);
    EXPECT_EQ(last(), (std::vector<Cell>{0x11, 0, 0x01})) << "up the screen from there";

    view.endInput();
    view.showAnswer({"e"});
    view.showInput("", 0);
    press(DisplayKey::Kind::Chord, 0, "1");
    EXPECT_EQ(calls, (std::vector<std::string>{"chord 1"}));
    EXPECT_EQ(last(), (std::vector<Cell>{0xC0, 0, 0})) << "the chord went to the input line";
}

// Fed by a real console: however many lines an answer has, the display shows where it
// begins and stays there, and the input line opens on that answer.
TEST(PrintedLines, TheDisplaySettlesOnTheStartOfEachAnswer)
{
    struct OpeningDialog final : runtime::InputDialog {
        BrailleView* view = nullptr;
        Recorder* output = nullptr;
        std::vector<std::vector<Cell>> opened; //: what the display showed as INPUT waited
        void setEditText(const std::string&) override {}
        void activateEdit() override {}
        runtime::DialogResult showModal() override
        {
            view->showInput("", 0);
            opened.push_back(output->writes.back());
            view->endInput();
            return runtime::DialogResult::Ok;
        }
        std::string editText() const override { return "a"; }
    } dialog;
    Recorder output;
    BrailleView view(output, {});
    view.setTable(CellTable(smallTable()));
    view.setWidth(3);
    dialog.view = &view;
    dialog.output = &output;
    runtime::Console console;
    runtime::AnswerRecord answers;
    PrintedLines printed(console.screen(), answers, view);
    console.setHost({.dialog = &dialog,
                     .pauser = &runtime::sleepingPauser(),
                     .observers = {&answers, &printed}});
    output.writes.clear(); // the empty display of the start

    console.print("", runtime::PrintMode::EndLine);
    console.print("a", runtime::PrintMode::Stay);
    console.print(".", runtime::PrintMode::EndLine);
    console.print("e", runtime::PrintMode::EndLine);
    console.print("a e", runtime::PrintMode::EndLine);
    EXPECT_EQ(output.writes, (std::vector<std::vector<Cell>>{{0x01, 0, 0}, {0x01, 0x04, 0}}))
        << "the first line as it grew, and nothing after it";
    std::string target;
    console.input(target, runtime::InputMode::NewLine);
    console.print("e", runtime::PrintMode::EndLine);
    console.print("a", runtime::PrintMode::EndLine);
    console.input(target, runtime::InputMode::NewLine);

    EXPECT_EQ(dialog.opened, (std::vector<std::vector<Cell>>{{0x01, 0x04, 0}, {0x11, 0, 0}}));
}

TEST(DecodeKey, BrlapiCodesBecomeTheProgramsKeys)
{
    using Kind = DisplayKey::Kind;
    struct Row {
        const char* description;
        uint64_t code;
        std::optional<DisplayKey> key;
    };
    const Row rows[] = {
        {"dots 1 2 3 6", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_PASSDOTS | 0x27,
         DisplayKey{Kind::Chord, "1236", 0}},
        {"dot 7 is dropped", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_PASSDOTS | 0x41,
         DisplayKey{Kind::Chord, "1", 0}},
        {"the space bar's empty cell", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_PASSDOTS,
         DisplayKey{Kind::Chord, " ", 0}},
        {"a space character", BRLAPI_KEY_TYPE_SYM | ' ', DisplayKey{Kind::Chord, " ", 0}},
        {"Enter", BRLAPI_KEY_TYPE_SYM | BRLAPI_KEY_SYM_LINEFEED, DisplayKey{Kind::Enter, {}, 0}},
        {"Backspace", BRLAPI_KEY_TYPE_SYM | BRLAPI_KEY_SYM_BACKSPACE,
         DisplayKey{Kind::Backspace, {}, 0}},
        {"routing key 5", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_ROUTE | 5,
         DisplayKey{Kind::Route, {}, 5}},
        {"pan left", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_FWINLT, DisplayKey{Kind::PanLeft, {}, 0}},
        {"pan right", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_FWINRT,
         DisplayKey{Kind::PanRight, {}, 0}},
        {"a letter BRLTTY translated itself", BRLAPI_KEY_TYPE_SYM | 'v', std::nullopt},
        {"line down", BRLAPI_KEY_TYPE_CMD | BRLAPI_KEY_CMD_LNDN, std::nullopt},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(decodeKey(row.code), row.key) << row.description;
    }
}

TEST(BrlapiDisplay, WithoutBrlttyTheFirstAttemptSaysNoDisplayAndNothingIsShown)
{
    // A port nothing listens on: the connection is refused at once.
    ::setenv("BRLAPI_HOST", "127.0.0.1:3999", 1);
    ::setenv("BRLAPI_AUTH", "none", 1);
    // The terminal host's queue: the hooks run where it is served.
    speech::ThreadEventQueue calls;
    std::optional<bool> found;
    std::vector<size_t> widths;
    {
        BrlapiDisplay display(
            {[&calls](std::function<void()> call) { calls.post(std::move(call)); },
             [&widths](size_t width) { widths.push_back(width); },
             {},
             [&found](bool answer) { found = answer; }},
            BrlapiDisplay::Place::Terminal);
        display.setActive(true);
        display.write({1, 2, 3});
        display.setEnabled(true);
        // Bounded: a refused connection answers at once; a minute stands for "never".
        calls.processUntil([&found] { return found.has_value(); },
                           calls.now() + std::chrono::minutes(1));
    }
    calls.processPending(); // what was posted after the display went is dropped
    ::unsetenv("BRLAPI_HOST");
    ::unsetenv("BRLAPI_AUTH");
    ASSERT_TRUE(found.has_value());
    EXPECT_FALSE(*found);
    EXPECT_TRUE(widths.empty());
}

} // namespace
} // namespace tov::braille
