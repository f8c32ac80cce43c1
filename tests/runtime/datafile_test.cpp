// READ and RESTORE over "data.dta": the reading rules and the missing-file stop.
#include "doubles/doubles.h"

#include "common/localizer.h"
#include "common/tov_error.h"
#include "runtime/datafile.h"

#include <gtest/gtest.h>

namespace tov::runtime {
namespace {

using testing::ConsoleFixture;
using testing::ProcessEnded;

std::vector<std::string> values(std::string_view bytes, int count)
{
    DataReader reader(bytes);
    std::vector<std::string> out;
    for (int i = 0; i < count; ++i) {
        out.push_back(reader.nextValueText());
    }
    return out;
}

using V = std::vector<std::string>;

TEST(DataReader, ValueTexts)
{
    struct Row {
        const char* name;
        std::string_view bytes;
        V expected;
    };
    const Row rows[] = {
        {"commas and CR LF", "1, 2.5 ,-3\r\n4", {"1", "2.5", "-3", "4", ""}},
        {"blank inside a value joins digits", "1 000", {"1000", ""}},
        {"bare LF joins two lines", "12\n34", {"1234", ""}},
        {"comma at a line end makes no empty value", "1,\r\n2\r\n", {"1", "2", ""}},
        {"empty line makes an empty value", "1\r\n\r\n2", {"1", "", "2"}},
        {"Ctrl+Z ends the file", "5,6\x1A,7", {"5", "6", ""}},
        {"control characters are dropped", "\t8\x01\x7F,9", {"8\x7F", "9"}},
        {"two commas make an empty value", "1,,2", {"1", "", "2"}},
        {"lone CR", "3\r4", {"3", "4", ""}},
        {"empty file", "", {"", ""}},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(values(r.bytes, static_cast<int>(r.expected.size())), r.expected);
    }
}

TEST(DataReader, RewindStartsAgain)
{
    DataReader reader("1,2,3");
    reader.nextValueText();
    reader.nextValueText();
    reader.rewind();
    EXPECT_EQ(reader.nextValueText(), "1");
}

TEST(ParseNumber, AcceptsDecimalNumbers)
{
    EXPECT_EQ(parseNumber("1"), 1.0);
    EXPECT_EQ(parseNumber("-3"), -3.0);
    EXPECT_EQ(parseNumber("+4"), 4.0);
    EXPECT_EQ(parseNumber("2.5"), 2.5);
    EXPECT_EQ(parseNumber(".5"), 0.5);
    EXPECT_EQ(parseNumber("5."), 5.0);
    EXPECT_EQ(parseNumber("1e3"), 1000.0);
    EXPECT_EQ(parseNumber("2.5E-1"), 0.25);
    EXPECT_EQ(parseNumber("440"), 440.0);
    EXPECT_EQ(parseNumber("1e-400"), 0.0);
}

TEST(ParseNumber, RejectsEverythingElseWithTheText)
{
    for (const char* bad : {"", "-", "+", ".", "e5", "1e", "1e+", "1.2.3", "--1", "+-1", "0x10",
                            "inf", "nan", "1,5", "12a", "1e400", "\xE8"}) {
        SCOPED_TRACE(bad);
        try {
            parseNumber(bad);
            ADD_FAILURE() << "accepted";
        } catch (const TovError& e) {
            EXPECT_EQ(std::string(e.what()),
                      "'" + std::string(bad) + "' is not a valid floating point value");
        }
    }
}

TEST(ParseNumber, AnEndlessValueIsReadInOnePassAndShownAsAnExcerpt)
{
    const std::string endless(5'000'000, '7');
    DataReader reader(endless + ",1");
    const std::string text = reader.nextValueText();
    EXPECT_EQ(text.size(), kLongestValue + 1); // cut, and the rest skipped to the comma
    EXPECT_EQ(reader.nextValueText(), "1");
    try {
        parseNumber(text);
        ADD_FAILURE() << "accepted";
    } catch (const TovError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'" + std::string(40, '7') + "...' is too long to be a number");
    }
    // Long but not too long: a number written out to many digits still reads.
    EXPECT_EQ(parseNumber("1." + std::string(kLongestValue - 2, '0')), 1.0);
    try {
        parseNumber(std::string(100, 'x'));
        ADD_FAILURE() << "accepted";
    } catch (const TovError& e) {
        EXPECT_EQ(std::string(e.what()),
                  "'" + std::string(40, 'x') + "...' is not a valid floating point value");
    }
}

class DataFileTest : public ::testing::Test, protected ConsoleFixture {
protected:
    void SetUp() override { languageSettings().languagebase = kCzechBase; }
    double read()
    {
        double value = -999;
        console.readnumber(value);
        return value;
    }
};

TEST_F(DataFileTest, ReadsTheFourValuesOfTheExample)
{
    dir.write("data.dta", "1, 2.5 ,-3\r\n4\r\n");
    console.opendatafile();
    EXPECT_EQ(read(), 1);
    EXPECT_EQ(read(), 2.5);
    EXPECT_EQ(read(), -3);
    EXPECT_EQ(read(), 4);
    EXPECT_THROW(read(), TovError); // past the last value
}

TEST_F(DataFileTest, RestoreStartsFromTheTopAgain)
{
    dir.write("data.dta", "10,20,30,40");
    console.opendatafile();
    read();
    read();
    read();
    console.restoredata();
    EXPECT_EQ(read(), 10);
}

TEST_F(DataFileTest, NotANumberFailsWithoutEndingTheProcess)
{
    dir.write("data.dta", "1,abc,3");
    console.opendatafile();
    EXPECT_EQ(read(), 1);
    try {
        read();
        ADD_FAILURE() << "accepted";
    } catch (const TovError& e) {
        // The user must learn which file to mend.
        EXPECT_EQ(std::string(e.what()), "\"" + (dir / "data.dta").string() +
                                             "\": 'abc' is not a valid floating point value");
    }
    EXPECT_EQ(process.ends, 0);
}

TEST_F(DataFileTest, MissingFileShowsMessage42AndEndsTheProcess)
{
    console.opendatafile(); // nothing to open: not an error
    EXPECT_FALSE(console.isDataFileOpen());
    EXPECT_THROW(read(), ProcessEnded);
    EXPECT_EQ(process.messages, std::vector<std::string>{"Nelze nal\xE9zt soubor data.dta"});

    const testing::Language english(kEnglishBase);
    EXPECT_THROW(console.restoredata(), ProcessEnded);
    EXPECT_EQ(process.messages.back(), "Can't find the file data.dta");
    EXPECT_EQ(process.ends, 2);
}

TEST_F(DataFileTest, FileCreatedAfterStartIsStillRead)
{
    console.opendatafile();
    dir.write("data.dta", "7");
    EXPECT_EQ(read(), 7);
}

TEST_F(DataFileTest, ClosingTwiceOrUnopenedIsHarmless)
{
    console.closedatafile();
    console.closedatafile();
    EXPECT_FALSE(console.isDataFileOpen());
}

} // namespace
} // namespace tov::runtime
