// The answer record, fed by a real console: what goes in is PRINT and INPUT as the program
// does them; what must come out is each answer's lines, newest first, at most 100 kept.
#include "common/localizer.h"
#include "doubles/doubles.h"
#include "runtime/answers.h"

#include <gtest/gtest.h>

namespace tov::runtime {
namespace {

using Lines = std::vector<std::string>;

struct AnswersTest : ::testing::Test, testing::ConsoleFixture {
    AnswersTest() { console.setHost({&speech, &dialog, &process, &pauser, &sounds, {&record}}); }
    void command(std::optional<std::string> line) // std::nullopt: the dialog is closed
    {
        dialog.script.push_back(std::move(line));
        std::string target;
        console.input(target, InputMode::NewLine);
    }
    Lines linesOf(size_t back) const
    {
        const Answer* answer = record.answer(back);
        return answer ? answer->lines : Lines{"<none>"};
    }
    AnswerRecord record;
};

// Blank lines stay in the record and out of what is read; ";" and "," continue a line; a
// prompt is ended by the wait; an INPUT with nothing printed before it, or only blanks,
// keeps no answer; a closed dialog ends an answer as a line does.
TEST_F(AnswersTest, EachWaitClosesTheLinesPrintedBeforeIt)
{
    console.print("TOVANA", PrintMode::EndLine);
    console.print("", PrintMode::EndLine);
    console.print("M\xE1\x9A: ", PrintMode::Stay);
    console.print("dopis", PrintMode::NextZone);
    console.print("l\xEDstek", PrintMode::EndLine);
    console.print("  co d\xE1l", PrintMode::Stay);
    command("v");
    command("x");
    console.print("   ", PrintMode::EndLine);
    command(std::nullopt);
    console.print("vzal jsi dopis", PrintMode::EndLine);
    command("s");

    EXPECT_EQ(record.count(), 2U);
    EXPECT_EQ(linesOf(1), Lines{"vzal jsi dopis"});
    EXPECT_EQ(linesOf(2), (Lines{"TOVANA", "", "M\xE1\x9A: dopis l\xEDstek", "  co d\xE1l"}));
    EXPECT_EQ(record.answer(2)->text(), "TOVANA\nM\xE1\x9A: dopis l\xEDstek\nco d\xE1l");
    EXPECT_EQ(linesOf(3), Lines{"<none>"});
    EXPECT_EQ(record.answer(0), nullptr);
    EXPECT_EQ(answerToSay(record, 3), message(Message::NoAnswer));
}

TEST_F(AnswersTest, KeepsTheLastHundredAnswers)
{
    for (int turn = 1; turn <= 130; ++turn) {
        console.print("tah " + std::to_string(turn), PrintMode::EndLine);
        command("dal");
    }
    EXPECT_EQ(record.count(), kKeptAnswers);
    EXPECT_EQ(answerToSay(record, 1), "tah 130");
    EXPECT_EQ(answerToSay(record, 100), "tah 31");
    EXPECT_EQ(record.answer(101), nullptr);
}

} // namespace
} // namespace tov::runtime
