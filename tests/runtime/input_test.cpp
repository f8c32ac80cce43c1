// INPUT: how a confirmed line is cut into values, and when the dialog and the prompt appear.
#include "doubles/doubles.h"

#include "common/localizer.h"

#include <gtest/gtest.h>

namespace tov::runtime {
namespace {

using testing::ConsoleFixture;

class InputTest : public ::testing::Test, protected ConsoleFixture {
protected:
    void SetUp() override { languageSettings().languagebase = kCzechBase; }
    void TearDown() override { languageSettings().languagebase = kCzechBase; }

    // Types `line` into the dialog and confirms it; returns what INPUT assigned.
    std::string inputLine(const std::string& line, InputMode mode = InputMode::NewLine,
                          std::string target = "unchanged")
    {
        dialog.script.push_back(line);
        console.input(target, mode);
        return target;
    }
    std::string inputAgain(InputMode mode = InputMode::Continue, std::string target = "unchanged")
    {
        console.input(target, mode);
        return target;
    }
};

TEST_F(InputTest, OneLineCutIntoValues)
{
    struct Row {
        const char* line;
        const char* first;  // what the first INPUT assigns
        const char* buffer; // what stays for the next mode-1 INPUT
    };
    const Row rows[] = {
        {"  sever  ", "sever", ""},
        {"a,b,c", "a", "b,c"},
        {"\"x, y\", z", "x, y", ", z"},
        {",rest", "", "rest"},
        {"a ,b", "a ", "b"},
        {"\"open quote, no end", "open quote, no end", ""},
        {"\"", "", ""},
        {"\"\"", "", ""},
        {"\"a\"b, c", "a", "b, c"},
        {"a,", "a", ""},
        {"p\xF8\xEDli\x9A, \x9Elu\x9Dou\xE8k\xFD", "p\xF8\xEDli\x9A", "\x9Elu\x9Dou\xE8k\xFD"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.line);
        ConsoleFixture f;
        f.dialog.script.push_back(std::string(r.line));
        std::string target = "unchanged";
        f.console.input(target, InputMode::NewLine);
        EXPECT_EQ(target, r.first);
        EXPECT_EQ(f.console.inputbuffer(), r.buffer);
    }
}

TEST_F(InputTest, ModeOneHandsOutTheRestWithoutTheDialog)
{
    EXPECT_EQ(inputLine("1, 2 ,3"), "1");
    EXPECT_EQ(inputAgain(), "2 ");
    EXPECT_EQ(inputAgain(), "3");
    EXPECT_EQ(dialog.shows, 1);
    EXPECT_TRUE(speech.spoken.empty());

    // The buffer is used up: the next mode-1 INPUT asks again, with the prompt.
    dialog.script.push_back("4");
    EXPECT_EQ(inputAgain(), "4");
    EXPECT_EQ(dialog.shows, 2);
    EXPECT_EQ(speech.spoken, std::vector<std::string>{"Vlo\x9E data"});
    EXPECT_EQ(console.screen().line(0).substr(0, 9), "Vlo\x9E data");
}

TEST_F(InputTest, ModeZeroDropsWhatIsLeftOfTheLastLine)
{
    EXPECT_EQ(inputLine("a,b,c"), "a");
    EXPECT_EQ(inputLine("d"), "d");
    EXPECT_EQ(dialog.shows, 2);
    EXPECT_EQ(console.inputbuffer(), "");
    EXPECT_TRUE(speech.spoken.empty()); // mode 0 never prompts
}

TEST_F(InputTest, QuotedValueKeepsItsCommaThenThePlainValueFollows)
{
    EXPECT_EQ(inputLine("\"ahoj, sv\xECte\", dal\x9A\xED"), "ahoj, sv\xECte");
    EXPECT_EQ(inputAgain(), "dal\x9A\xED");
}

TEST_F(InputTest, LineStartingWithACommaGivesAnEmptyValueFirst)
{
    EXPECT_EQ(inputLine(",b"), "");
    EXPECT_EQ(inputAgain(), "b");
}

TEST_F(InputTest, EmptyOrBlankLineLeavesTheTargetAlone)
{
    EXPECT_EQ(inputLine(""), "unchanged");
    EXPECT_EQ(inputLine("   \t "), "unchanged");
    EXPECT_EQ(console.inputbuffer(), "");
}

TEST_F(InputTest, ClosedDialogLeavesTheTargetAloneAndTheBufferEmpty)
{
    dialog.script.push_back(std::nullopt);
    EXPECT_EQ(inputAgain(InputMode::NewLine), "unchanged");
    EXPECT_EQ(console.inputbuffer(), "");
}

TEST_F(InputTest, ModeTwoAlwaysAsksAndAlwaysPrompts)
{
    EXPECT_EQ(inputLine("x,y", InputMode::Prompted), "x");
    EXPECT_EQ(inputLine("z", InputMode::Prompted), "z");
    EXPECT_EQ(dialog.shows, 2);
    EXPECT_EQ(speech.spoken.size(), 2u);
}

TEST_F(InputTest, PromptFollowsTheCurrentLanguage)
{
    languageSettings().languagebase = kEnglishBase;
    inputLine("x", InputMode::Prompted);
    EXPECT_EQ(speech.spoken, std::vector<std::string>{"Enter data"});
}

TEST_F(InputTest, DialogIsClearedAndFocusedBeforeItIsShown)
{
    dialog.edit = "left over";
    inputLine("n");
    EXPECT_EQ(dialog.textResets, 1);
    EXPECT_EQ(dialog.activations, 1);
}

TEST_F(InputTest, ResetEmptiesTheBuffer)
{
    inputLine("a,b");
    console.resetruntime();
    EXPECT_EQ(console.inputbuffer(), "");
    dialog.script.push_back("c");
    EXPECT_EQ(inputAgain(), "c");
}

} // namespace
} // namespace tov::runtime
