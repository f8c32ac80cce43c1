// The key-name file: the code conversion and its error, the entries and their lookup, the
// capacity, and the start-up order of the two loads.
#include "doubles/doubles.h"

#include "common/localizer.h"
#include "common/text.h"
#include "common/tov_error.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"
#include "table_printers.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>

namespace tov::input {
namespace {

using ::tov::testing::errorOf;

std::unique_ptr<BrailleTables> parsed(std::string_view bytes)
{
    auto tables = std::make_unique<BrailleTables>();
    parseKeyNames(bytes, *tables);
    return tables;
}

TEST(StrToInt, AcceptsSignedDecimalAndDollarHexadecimal)
{
    const struct {
        const char* text;
        int32_t value;
    } rows[] = {
        {"0", 0},
        {"65", 65},
        {"+13", 13},
        {"-1", -1},
        {"007", 7},
        {"2147483647", INT32_MAX},
        {"-2147483648", INT32_MIN},
        {"$41", 0x41},
        {"$ff", 255},
        {"$FFFFFFFF", -1},
        {"-$10", -16},
        {"$00000000000041", 0x41},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.text);
        EXPECT_EQ(StrToInt(row.text), row.value);
    }
}

TEST(StrToInt, RefusesAnythingElseWithTheText)
{
    for (const char* bad : {"", " 65", "65 ", "+", "-", "$", "-$", "0x41", "4a", "$g", "1e3",
                            "2147483648", "-2147483649", "$100000000", "--1", "\xE8"}) {
        SCOPED_TRACE(bad);
        try {
            StrToInt(bad);
            ADD_FAILURE() << "accepted";
        } catch (const TovError& error) {
            EXPECT_EQ(error.what(), "'" + std::string(bad) + "' is not a valid integer value");
        }
    }
}

TEST(KeyNames, EntriesInFileOrderWithTheLowEightBitsOfTheCode)
{
    const auto tables =
        parsed("65=velk\xE9 \xE1\r\n\r\n97=a\n321=ypsilon\n-1=$FF\n$20=mezera = space");
    EXPECT_EQ(tables->echokeys[0], (echokeytype{65, "velk\xE9 \xE1"}));
    EXPECT_EQ(tables->echokeys[1], (echokeytype{97, "a"}));
    EXPECT_EQ(tables->echokeys[2], (echokeytype{321 & 0xFF, "ypsilon"}));
    EXPECT_EQ(tables->echokeys[3], (echokeytype{255, "$FF"}));
    EXPECT_EQ(tables->echokeys[4], (echokeytype{32, "mezera = space"}));
    EXPECT_EQ(tables->echokeys[5], echokeytype{});
}

TEST(KeyNames, LookupFindsTheFirstEntryOfACode)
{
    const auto tables = parsed("98=first\n98=second\n99=\n");
    EXPECT_EQ(tables->keyname(98), "first");
    EXPECT_EQ(tables->keyname(99), "");
    EXPECT_EQ(tables->keyname(100), "");
}

TEST(KeyNames, EmptyFilesLeaveEveryEntryZero)
{
    for (const std::string_view file : {"", "\n", "\r\n\r\n\n"}) {
        const auto tables = parsed(file);
        for (const echokeytype& entry : tables->echokeys) {
            EXPECT_EQ(entry, echokeytype{});
        }
    }
}

TEST(KeyNames, ABadCodeStopsTheLoadAndKeepsWhatCameBefore)
{
    const struct {
        const char* description;
        std::string_view file;
        const char* error;
    } rows[] = {
        {"a line without = has an empty code", "65=A\nmezera\n66=B\n",
         "'' is not a valid integer value"},
        {"a line starting with = too", "65=A\n=mezera\n66=B\n", "'' is not a valid integer value"},
        {"the code is not trimmed", "65=A\n 32=mezera\n66=B\n",
         "' 32' is not a valid integer value"},
        {"the text is reported as it stands", "65=A\n\xE8=\xE8\n66=B\n",
         "'\xE8' is not a valid integer value"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.description);
        BrailleTables tables;
        EXPECT_EQ(errorOf([&] { parseKeyNames(row.file, tables); }), row.error);
        EXPECT_EQ(tables.echokeys[0], (echokeytype{65, "A"}));
        EXPECT_EQ(tables.echokeys[1], echokeytype{});
    }
}

TEST(KeyNames, LinesPast256AreIgnored)
{
    std::string file;
    for (int i = 0; i < 256; ++i) {
        file += std::to_string(i) + "=n" + std::to_string(i) + "\n";
    }
    file += "1=overflow\nnot a number\n";
    BrailleTables tables;
    EXPECT_EQ(errorOf([&] { parseKeyNames(file, tables); }), "no error");
    EXPECT_EQ(tables.echokeys[0], (echokeytype{0, "n0"}));
    EXPECT_EQ(tables.echokeys[1], (echokeytype{1, "n1"}));
    EXPECT_EQ(tables.echokeys[255], (echokeytype{255, "n255"}));
}

TEST(KeyNames, Windows1250NamesSurviveTheTripFromUtf8)
{
    // What an author types in a UTF-8 editor, converted once, comes back unchanged.
    const std::string name = text::fromUtf8("žluťoučký kůň – „úpěl“ ďábelské ódy");
    const auto tables = parsed("158=" + name + "\r\n");
    EXPECT_EQ(tables->keyname(0x9E), name);
    EXPECT_EQ(text::toUtf8(tables->keyname(0x9E)), "žluťoučký kůň – „úpěl“ ďábelské ódy");
}

class KeyboardTableFiles : public ::testing::Test {
protected:
    void SetUp() override { reset(); }
    void TearDown() override { reset(); }
    static void reset()
    {
        brailleTables() = {};
        languageSettings().languagebase = kCzechBase;
    }
    testing::TempDir dir;
};

TEST_F(KeyboardTableFiles, StartUpLoadsTheTableAndTheKeyNamesOfTheLanguage)
{
    dir.write("czech.ebt", "[characters]\na=1\n");
    dir.write("czech.eky", "97=cz\n");
    dir.write("english.eky", "97=en\n");
    languageSettings().languagebase = kEnglishBase;
    LoadKeyboardTables(dir.path());
    EXPECT_EQ(brailleTables().brlcharcount, 1);
    EXPECT_EQ(brailleTables().keyname('a'), "en");
    EXPECT_EQ(brailleTables().brailletablefile, dir / "czech.ebt");
    EXPECT_EQ(brailleTables().keynamefile, dir / "english.eky");
}

TEST_F(KeyboardTableFiles, AMissingBrailleTableLeavesTheKeyNamesUnread)
{
    dir.write("czech.eky", "97=a\n");
    try {
        LoadKeyboardTables(dir.path());
        FAIL() << "no error";
    } catch (const TovError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(brailleTables().keyname('a'), "");
}

TEST_F(KeyboardTableFiles, AMissingKeyNameFileFailsAfterTheTableIsIn)
{
    dir.write("czech.ebt", "[characters]\na=1\n");
    languageSettings().languagebase = kSlovakBase;
    try {
        LoadKeyboardTables(dir.path());
        FAIL() << "no error";
    } catch (const TovError& error) {
        EXPECT_STREQ(error.what(), "File not found");
    }
    EXPECT_EQ(brailleTables().brlcharcount, 1);
    EXPECT_EQ(brailleTables().keynamefile, dir / "slovak.eky");
}

} // namespace
} // namespace tov::input
