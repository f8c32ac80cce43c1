// The braille table's rules: how lines split, what each section makes of its lines, the
// capacities, and what a load leaves behind when the file cannot be read.
#include "doubles/doubles.h"

#include "common/tov_error.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"
#include "table_printers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace tov::input {
namespace {

using Prefixes = std::vector<brlpreftype>;
using Characters = std::vector<brlchartype>;

std::unique_ptr<BrailleTables> parsed(std::string_view bytes)
{
    auto tables = std::make_unique<BrailleTables>();
    parseBrailleTable(bytes, *tables);
    return tables;
}

Prefixes prefixesOf(const BrailleTables& tables)
{
    return {tables.prefixes().begin(), tables.prefixes().end()};
}

Characters charactersOf(const BrailleTables& tables)
{
    return {tables.characters().begin(), tables.characters().end()};
}

TEST(BrailleTable, SectionRules)
{
    struct Row {
        const char* description;
        std::string_view file;
        Prefixes prefixes;
        Characters characters;
    };
    const Row rows[] = {
        {"a characters section alone gives a table without prefixes",
         "[characters]\na=1\nb=12\n",
         {},
         {{"", "a", "1"}, {"", "b", "12"}}},
        {"lines before the first header are ignored",
         "a=1\n#cap=6\n\n[characters]\nb=12",
         {},
         {{"", "b", "12"}}},
        {"notes and empty lines in [prefixes] use up no entry",
         "[prefixes]\ncapital sign:\n\n#cap=6\n  #num=3456\n#num=3456\n",
         {{"#cap", "6"}, {"#num", "3456"}},
         {}},
        {"a prefix line without = is name and dots at once",
         "[prefixes]\n#odd\n",
         {{"#odd", "#odd"}},
         {}},
        {"in [characters] a line starting with # is an entry, so # can be typed",
         "[characters]\n#=3456\n",
         {},
         {{"", "#", "3456"}}},
        {"a line without = is its own character and dots",
         "[characters]\n12\n",
         {},
         {{"", "12", "12"}}},
        {"a line starting with = has an empty character; = itself cannot be defined",
         "[characters]\n==2356\n",
         {},
         {{"", "", "=2356"}}},
        {"the first = splits; later ones belong to the dots",
         "[characters]\na=1=2\n",
         {},
         {{"", "a", "1=2"}}},
        {"nothing is trimmed: spaces belong to character and dots",
         "[characters]\n = \nx= 1346\n",
         {},
         {{"", " ", " "}, {"", "x", " 1346"}}},
        {"a prefix section gives its name to its entries",
         "[prefixes]\n#cap=6\n[characters]\nb=12\n[#cap]\nB=12\n",
         {{"#cap", "6"}},
         {{"", "b", "12"}, {"#cap", "B", "12"}}},
        {"sections of characters share one table in file order",
         "[#num]\n1=1\n[characters]\na=1\n[#num]\n2=12\n",
         {},
         {{"#num", "1", "1"}, {"", "a", "1"}, {"#num", "2", "12"}}},
        {"an unknown section is skipped up to the next header",
         "[notes]\na=1\n#cap=6\n[characters]\nb=12\n",
         {},
         {{"", "b", "12"}}},
        {"section names are case-sensitive", "[Characters]\na=1\n[PREFIXES]\n#cap=6\n", {}, {}},
        {"a space after ] makes the name end in ], an unknown section",
         "[characters] \na=1\n",
         {},
         {}},
        {"... unless the name begins with #: then it is a prefix section of that name",
         "[#cap] \nA=1\n",
         {},
         {{"#cap]", "A", "1"}}},
        {"a lone [ names the empty section, which is skipped", "[\na=1\n[]\nb=12\n", {}, {}},
        {"a second [prefixes] starts the prefix table again",
         "[prefixes]\n#a=1\n#b=2\n[prefixes]\n#c=3\n",
         {{"#c", "3"}},
         {}},
        {"CR LF and LF both end lines; a CR elsewhere is a character",
         "[characters]\r\na=1\r\nb\r=12\nc=14\r",
         {},
         {{"", "a", "1"}, {"", "b\r", "12"}, {"", "c", "14"}}},
        {"a line starting with [ always ends a section",
         "[characters]\na=1\n[=2\n",
         {},
         {{"", "a", "1"}}},
        {"Windows-1250 bytes are kept as they are",
         "[characters]\n\xE8=146\n[#cap]\n\xC8=146\n",
         {},
         {{"", "\xE8", "146"}, {"#cap", "\xC8", "146"}}},
        {"an empty file gives empty tables", "", {}, {}},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        const auto tables = parsed(row.file);
        EXPECT_EQ(prefixesOf(*tables), row.prefixes);
        EXPECT_EQ(charactersOf(*tables), row.characters);
    }
}

TEST(BrailleTable, ParsingAgainResetsTheCharactersButKeepsPrefixesWithoutASection)
{
    BrailleTables tables;
    parseBrailleTable("[prefixes]\n#cap=6\n[characters]\na=1\nb=12\n", tables);
    parseBrailleTable("[characters]\nc=14\n", tables);
    EXPECT_EQ(charactersOf(tables), (Characters{{"", "c", "14"}}));
    EXPECT_EQ(prefixesOf(tables), (Prefixes{{"#cap", "6"}}));
}

std::string manyLines(const char* header, const char* prefix, int count)
{
    std::string file = std::string(header) + "\n";
    for (int i = 0; i < count; ++i) {
        file += prefix + std::to_string(i) + "=" + std::to_string(i) + "\n";
    }
    return file;
}

TEST(BrailleTable, PrefixesPastTenAreIgnored)
{
    const auto tables = parsed(manyLines("[prefixes]", "#p", 12) + "[characters]\na=1\n");
    ASSERT_EQ(tables->brlprefcount, kMaxPrefixes);
    EXPECT_EQ(tables->prefixes().front(), (brlpreftype{"#p0", "0"}));
    EXPECT_EQ(tables->prefixes().back(), (brlpreftype{"#p9", "9"}));
    EXPECT_EQ(charactersOf(*tables), (Characters{{"", "a", "1"}}));
}

TEST(BrailleTable, CharactersPast255AreIgnoredAndOverwriteNothing)
{
    // 256 entries would wrap an 8-bit count back to 0 and overwrite entry 1.
    const auto tables = parsed(manyLines("[characters]", "c", 250) + manyLines("[#cap]", "C", 10));
    ASSERT_EQ(tables->brlcharcount, kMaxCharacters);
    EXPECT_EQ(tables->characters().front(), (brlchartype{"", "c0", "0"}));
    EXPECT_EQ(tables->characters()[249], (brlchartype{"", "c249", "249"}));
    EXPECT_EQ(tables->characters().back(), (brlchartype{"#cap", "C4", "4"}));
}

class BrailleTableFile : public ::testing::Test {
protected:
    void SetUp() override { brailleTables() = {}; }
    void TearDown() override { brailleTables() = {}; }
    testing::TempDir dir;
};

TEST_F(BrailleTableFile, LoadReadsTheNamedFile)
{
    dir.write("czech.ebt", "[prefixes]\r\n#cap=6\r\n[characters]\r\na=1\r\n");
    brailleTables().brailletablefile = dir / "czech.ebt";
    LoadBrailleTable();
    EXPECT_EQ(prefixesOf(brailleTables()), (Prefixes{{"#cap", "6"}}));
    EXPECT_EQ(charactersOf(brailleTables()), (Characters{{"", "a", "1"}}));
}

TEST_F(BrailleTableFile, MissingFileSaysFileNotFoundAfterEmptyingTheCharacters)
{
    parseBrailleTable("[prefixes]\n#cap=6\n[characters]\na=1\n", brailleTables());
    brailleTables().brailletablefile = dir / "czech.ebt";
    try {
        LoadBrailleTable();
        FAIL() << "no error";
    } catch (const TovError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(brailleTables().brlcharcount, 0);
    EXPECT_EQ(brailleTables().brlprefcount, 1); // only a [prefixes] section resets them
}

TEST_F(BrailleTableFile, ATableThatCanTypeNothingRightIsRefusedAndEmptied)
{
    const struct {
        const char* content;
        const char* error;
    } rows[] = {
        {"", "No braille characters (a [characters] section with entries)"},
        {"[prefixes]\n#cap=6\n", "No braille characters (a [characters] section with entries)"},
        {"[characters]\na=1\nb=", "'b=' has no valid dots"},
        {"[characters]\na=1\nb=19\n", "'b=19' has no valid dots"},
        {"[prefixes]\n#cap=x\n[characters]\na=1\n", "'#cap=x' has no valid dots"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.content);
        dir.write("czech.ebt", row.content);
        brailleTables().brailletablefile = dir / "czech.ebt";
        try {
            LoadBrailleTable();
            ADD_FAILURE() << "accepted";
        } catch (const TovError& error) {
            EXPECT_STREQ(error.what(), row.error);
        }
        EXPECT_EQ(brailleTables().brlcharcount, 0);
        EXPECT_EQ(brailleTables().brlprefcount, 0);
    }
    // The space bar's chord and all eight dots are chords.
    dir.write("czech.ebt", "[characters]\n = \nx=12345678\n");
    LoadBrailleTable();
    EXPECT_EQ(brailleTables().brlcharcount, 2);

    dir.write("czech.ebt", "[characters]\n" + std::string(kLargestTableFile, 'a'));
    try {
        LoadBrailleTable();
        ADD_FAILURE() << "accepted";
    } catch (const TovError& error) {
        EXPECT_STREQ(error.what(), "Too large for a table (over 65536 bytes)");
    }
}

TEST_F(BrailleTableFile, UnreadableFilesNameTheCause)
{
    dir.write("file", "x");
    std::filesystem::create_directory(dir / "folder");
    const struct {
        std::filesystem::path file;
        const char* cause;
    } rows[] = {
        {dir / "folder", "Is a folder"},
        {dir / "file" / "czech.ebt", "Path not found"},
        {dir / "none" / "czech.ebt", "File not found"},
        {{}, "File not found"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.file);
        brailleTables().brailletablefile = row.file;
        try {
            LoadBrailleTable();
            ADD_FAILURE() << "no error";
        } catch (const TovError& error) {
            EXPECT_STREQ(error.what(), row.cause);
        }
    }
}

} // namespace
} // namespace tov::input
