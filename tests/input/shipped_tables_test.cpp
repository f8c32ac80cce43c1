// The files shipped in data/: the braille table loads as written for Czech braille users
// (every chord reachable, every letter with its capital, digits after the number sign),
// and each key-name file names every character that can be typed or shown.
#include "common/text.h"
#include "common/tov_error.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"
#include "table_printers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <set>
#include <string>

namespace tov::input {
namespace {

const std::filesystem::path kDataDir = TOVANA_SOURCE_DATA_DIR;

// The Czech alphabet with the Slovak ľ that Czech braille also writes, in Windows-1250.
const std::string kLowerLetters = text::fromUtf8("aábcčdďeéěfghiíjklľmnňoópqrřsštťuúůvwxyýzž");
const std::string kUpperLetters = text::fromUtf8("AÁBCČDĎEÉĚFGHIÍJKLĽMNŇOÓPQRŘSŠTŤUÚŮVWXYÝZŽ");

class ShippedBrailleTable : public ::testing::Test {
protected:
    void SetUp() override
    {
        brailleTables() = {};
        brailleTables().brailletablefile = kDataDir / kBrailleTableFile;
        LoadBrailleTable();
    }
    void TearDown() override { brailleTables() = {}; }

    // The character of the first entry of `prefix` with this chord, as the chord keyboard
    // finds it; "-" when there is none.
    static std::string typed(std::string_view prefix, std::string_view dots)
    {
        for (const brlchartype& entry : brailleTables().characters()) {
            if (entry.prefix == prefix && entry.dots == dots) {
                return entry.character;
            }
        }
        return "-";
    }

    static std::map<std::string, std::string> sectionByCharacter(std::string_view prefix)
    {
        std::map<std::string, std::string> dots;
        for (const brlchartype& entry : brailleTables().characters()) {
            if (entry.prefix == prefix) {
                dots.emplace(entry.character, entry.dots);
            }
        }
        return dots;
    }
};

TEST_F(ShippedBrailleTable, PrefixesAreTheCapitalSignCapitalsStringAndNumberSign)
{
    const std::vector<brlpreftype> expected = {{"#cap", "6"}, {"#caps", "56"}, {"#num", "3456"}};
    EXPECT_EQ(std::vector<brlpreftype>(brailleTables().prefixes().begin(),
                                       brailleTables().prefixes().end()),
              expected);
}

TEST_F(ShippedBrailleTable, ChordsGiveTheCzechCharacters)
{
    const struct {
        const char* prefix;
        const char* dots;
        const char* utf8;
    } rows[] = {
        {"", "1", "a"},        {"", "14", "c"},        {"", "146", "č"},    {"", "1456", "ď"},
        {"", "126", "ě"},      {"", "2456", "ř"},      {"", "23456", "ů"},  {"", "12346", "ý"},
        {"", "2346", "ž"},     {"", " ", " "},         {"", "3", "."},      {"", "2", ","},
        {"", "26", "?"},       {"", "235", "!"},       {"#cap", "12", "B"}, {"#cap", "156", "Š"},
        {"#cap", "2346", "Ž"}, {"#caps", "1456", "Ď"}, {"#caps", "3", "."}, {"#num", "1", "1"},
        {"#num", "245", "0"},  {"#num", "2", ","},     {"#num", "6", "-"},  {"#cap", "3", "-"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.prefix) + " " + row.dots);
        EXPECT_EQ(text::toUtf8(typed(row.prefix, row.dots)), row.utf8);
    }
}

TEST_F(ShippedBrailleTable, EveryLetterHasItsCapitalOnTheSameChord)
{
    const auto plain = sectionByCharacter("");
    const auto capital = sectionByCharacter("#cap");
    const auto capitals = sectionByCharacter("#caps");
    ASSERT_EQ(kLowerLetters.size(), kUpperLetters.size());
    for (size_t i = 0; i < kLowerLetters.size(); ++i) {
        const std::string lower(1, kLowerLetters[i]);
        const std::string upper(1, kUpperLetters[i]);
        SCOPED_TRACE(text::toUtf8(lower));
        ASSERT_TRUE(plain.contains(lower));
        EXPECT_EQ(capital.count(upper) ? capital.at(upper) : "-", plain.at(lower));
        EXPECT_EQ(capitals.count(upper) ? capitals.at(upper) : "-", plain.at(lower));
    }
}

TEST_F(ShippedBrailleTable, DigitsAfterTheNumberSignUseTheChordsOfAToJ)
{
    const std::string digits = "1234567890";
    const std::string letters = "abcdefghij";
    for (size_t i = 0; i < digits.size(); ++i) {
        SCOPED_TRACE(digits[i]);
        EXPECT_EQ(typed("#num", sectionByCharacter("").at(std::string(1, letters[i]))),
                  std::string(1, digits[i]));
    }
}

bool isDotsString(std::string_view dots)
{
    if (dots.empty()) {
        return false;
    }
    char last = '0';
    for (const char c : dots) {
        if (c <= last || c > '6') {
            return false;
        }
        last = c;
    }
    return true;
}

TEST_F(ShippedBrailleTable, EveryEntryIsReachable)
{
    std::set<std::string> prefixChords;
    for (const brlpreftype& prefix : brailleTables().prefixes()) {
        EXPECT_TRUE(isDotsString(prefix.dots)) << prefix.name;
        prefixChords.insert(prefix.dots);
    }
    std::set<std::pair<std::string, std::string>> seen;
    for (const brlchartype& entry : brailleTables().characters()) {
        SCOPED_TRACE(entry.prefix + " " + text::toUtf8(entry.character) + "=" + entry.dots);
        EXPECT_EQ(entry.character.size(), 1u);
        EXPECT_TRUE(isDotsString(entry.dots) || entry.dots == kSpaceChord);
        // A prefix chord is taken as the prefix before any character is looked up.
        EXPECT_FALSE(prefixChords.contains(entry.dots));
        // Only the first entry of a chord in a section is ever found.
        EXPECT_TRUE(seen.insert({entry.prefix, entry.dots}).second);
    }
}

// Every byte that is a character in Windows-1250 and can reach the screen or the input
// line: the line end the review window echoes, the printable ASCII range, and the upper
// half less its five undefined bytes.
std::vector<uint8_t> namedCodes()
{
    std::vector<uint8_t> codes = {13};
    for (int code = 32; code < 256; ++code) {
        const char32_t ch = text::toUnicode(static_cast<unsigned char>(code));
        if (code < 127 || ch >= 0xA0) {
            codes.push_back(static_cast<uint8_t>(code));
        }
    }
    return codes;
}

class ShippedKeyNames : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override
    {
        tables_ = std::make_unique<BrailleTables>();
        parseKeyNames(readTableFile(kDataDir / GetParam()), *tables_);
        tables_->brailletablefile = kDataDir / kBrailleTableFile;
        parseBrailleTable(readTableFile(tables_->brailletablefile), *tables_);
    }
    std::unique_ptr<BrailleTables> tables_;
};

TEST_P(ShippedKeyNames, EveryCharacterHasOneName)
{
    std::map<uint8_t, std::string> names;
    for (const echokeytype& entry : tables_->echokeys) {
        if (!entry.name.empty()) {
            EXPECT_TRUE(names.emplace(entry.code, entry.name).second)
                << "code " << int(entry.code) << " named twice";
        }
    }
    const std::vector<uint8_t> codes = namedCodes();
    for (const uint8_t code : codes) {
        EXPECT_TRUE(names.contains(code)) << "code " << int(code) << " has no name";
    }
    EXPECT_EQ(names.size(), codes.size());
}

TEST_P(ShippedKeyNames, NamesAreSpeakablePlainText)
{
    for (const echokeytype& entry : tables_->echokeys) {
        SCOPED_TRACE(int(entry.code));
        // SAPI 5 reads key names as markup: a bare <, > or & would break the echo.
        EXPECT_EQ(entry.name.find_first_of("<>&"), std::string::npos);
        EXPECT_EQ(text::fromUtf8(text::toUtf8(entry.name)), entry.name);
        for (const char c : entry.name) {
            EXPECT_GE(static_cast<unsigned char>(c), 32) << "control character in the name";
        }
    }
}

TEST_P(ShippedKeyNames, CapitalsSoundDifferentFromSmallLetters)
{
    // Without the capital cue (sounds off) the name alone must tell "A" from "a".
    for (size_t i = 0; i < kLowerLetters.size(); ++i) {
        const auto lower = static_cast<uint8_t>(kLowerLetters[i]);
        const auto upper = static_cast<uint8_t>(kUpperLetters[i]);
        EXPECT_NE(tables_->keyname(lower), tables_->keyname(upper)) << int(lower);
    }
}

TEST_P(ShippedKeyNames, EverythingTheBrailleTableTypesIsEchoed)
{
    for (const brlchartype& entry : tables_->characters()) {
        const auto code = static_cast<uint8_t>(entry.character.front());
        EXPECT_FALSE(tables_->keyname(code).empty()) << text::toUtf8(entry.character);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShippedKeyNames, ::testing::Values("czech.eky", "english.eky", "slovak.eky"),
    [](const auto& info) {
        return std::string(info.param).substr(0, std::string(info.param).find('.'));
    });

TEST(ShippedKeyNameTexts, SpeakInTheirLanguage)
{
    const struct {
        const char* file;
        uint8_t code;
        const char* utf8;
    } rows[] = {
        {"czech.eky", 13, "konec řádku"},    {"czech.eky", ' ', "mezera"},
        {"czech.eky", 0xE8, "čé"},           {"czech.eky", 0xD8, "velké eř"},
        {"czech.eky", 0xF9, "u s kroužkem"}, {"czech.eky", '4', "čtyři"},
        {"english.eky", 13, "end of line"},  {"english.eky", 0xE8, "C caron"},
        {"english.eky", 'A', "capital A"},   {"slovak.eky", 13, "koniec riadku"},
        {"slovak.eky", 0xE4, "široké e"},    {"slovak.eky", 0xBC, "veľké mäkké el"},
        {"slovak.eky", '5', "päť"},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(std::string(row.file) + " " + std::to_string(row.code));
        BrailleTables tables;
        parseKeyNames(readTableFile(kDataDir / row.file), tables);
        EXPECT_EQ(text::toUtf8(tables.keyname(row.code)), row.utf8);
    }
}

} // namespace
} // namespace tov::input
