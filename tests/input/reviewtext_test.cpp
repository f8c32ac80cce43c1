// The review window's text model: offsets with CR LF line breaks, the lines it speaks,
// the words and characters after a position, and the F2 position text.
#include "input/reviewtext.h"
#include "input/words.h"

#include "common/localizer.h"

#include <gtest/gtest.h>

namespace tov::input {
namespace {

TEST(ReviewText, EachLineEndsWithALineBreakAndThereIsAPlaceAfterTheLast)
{
    const ReviewText text({"ab", "", "cde"});
    EXPECT_EQ(text.text(), "ab\r\n\r\ncde\r\n");
    EXPECT_EQ(text.lineCount(), 4);
    EXPECT_EQ(text.line(0), "ab");
    EXPECT_EQ(text.line(1), "");
    EXPECT_EQ(text.line(2), "cde");
    EXPECT_EQ(text.line(3), "") << "the position after the last line";
    EXPECT_EQ(text.line(-1), "");
    EXPECT_EQ(text.line(9), "");
}

TEST(ReviewText, OffsetsCountEachEarlierLineAndItsTwoBreakCharacters)
{
    const ReviewText text({"ab", "", "cde"});
    struct Row {
        int line;
        int column;
        size_t offset;
        const char* after; //: the character there
    };
    const Row rows[] = {
        {0, 0, 0, "a"}, {0, 2, 2, "\r"}, {1, 0, 4, "\r"}, {2, 1, 7, "d"},
        {3, 0, 11, ""}, {0, 7, 2, "\r"}, {-2, 0, 0, "a"}, {8, 3, 11, ""},
    };
    for (const Row& row : rows) {
        const size_t offset = text.offsetOf(row.line, row.column);
        EXPECT_EQ(offset, row.offset) << row.line << ":" << row.column;
        EXPECT_EQ(characterAt(text.text(), offset), row.after) << row.line << ":" << row.column;
    }
    EXPECT_TRUE(text.isTextBoundary(0));
    EXPECT_TRUE(text.isTextBoundary(11));
    EXPECT_FALSE(text.isTextBoundary(10));
}

TEST(Words, RunToTheFirstSpaceCommaOrCarriageReturn)
{
    struct Row {
        const char* text;
        size_t offset;
        const char* word;
    };
    const Row rows[] = {
        {"abc,def ghi", 0, "abc"}, {"abc,def ghi", 4, "def"},
        {"abc,def ghi", 8, "ghi"}, {"abc,def ghi", 3, ""},
        {"abc,def ghi", 11, ""},   {"abc,def ghi", 50, ""},
        {"ab\r\ncd", 0, "ab"},     {"\xE8\xE1st dne", 0, "\xE8\xE1st"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(wordAt(row.text, row.offset), row.word) << row.text << " @" << row.offset;
    }
}

TEST(CaretPosition, NamesLineAndColumnFromOneInTheCurrentLanguage)
{
    languageSettings().languagebase = kEnglishBase;
    EXPECT_EQ(caretPosition(2, 0), "line 3, column 1");
    EXPECT_EQ(caretPosition(0, 79), "line 1, column 80");
    languageSettings().languagebase = kCzechBase;
    EXPECT_EQ(caretPosition(2, 4), "\xF8\xE1"
                                   "dek 3, sloupec 5");
}

} // namespace
} // namespace tov::input
