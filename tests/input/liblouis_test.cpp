// Our Czech braille table against liblouis's Czech table: every chord of czech.ebt, in
// its section, is back-translated by lou_translate, and must read as the character our
// table gives it. So the table cannot drift from the Czech braille standard unnoticed.
#include "doubles/doubles.h"

#include "common/text.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <memory>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace tov::input {
namespace {

const std::filesystem::path kDataDir = TOVANA_SOURCE_DATA_DIR;
constexpr const char* kLiblouisCzechTable = "cs-g1.ctb";

std::optional<std::filesystem::path> findProgram(const char* name)
{
    const char* path = std::getenv("PATH");
    std::istringstream folders(path != nullptr ? path : "/usr/bin:/bin");
    std::string folder;
    while (std::getline(folders, folder, ':')) {
        const std::filesystem::path candidate = std::filesystem::path(folder) / name;
        if (!folder.empty() && ::access(candidate.c_str(), X_OK) == 0) {
            return candidate;
        }
    }
    return std::nullopt;
}

// One cell as a Unicode braille pattern (U+2800 plus one bit per dot), in UTF-8; the
// space chord is the blank cell.
std::string unicodeCell(std::string_view dots)
{
    unsigned bits = 0;
    for (const char dot : dots) {
        if (dot >= '1' && dot <= '6') {
            bits |= 1u << (dot - '1');
        }
    }
    return std::string("\xE2\xA0") + static_cast<char>(0x80 + bits);
}

// How a chord of each section is written in running braille, and what liblouis reads
// back before the character itself: a capitals string needs a letter after its sign to
// be one, and a number its first digit.
struct SectionContext {
    std::string brailleBefore;
    std::string textBefore;
};

std::optional<SectionContext> contextOf(std::string_view prefix, const BrailleTables& tables)
{
    if (prefix.empty()) {
        return SectionContext{};
    }
    for (const brlpreftype& entry : tables.prefixes()) {
        if (entry.name != prefix) {
            continue;
        }
        const std::string sign = unicodeCell(entry.dots);
        if (prefix == "#cap") {
            return SectionContext{sign, ""};
        }
        if (prefix == "#caps") {
            return SectionContext{sign + unicodeCell("12"), "B"};
        }
        if (prefix == "#num") {
            return SectionContext{sign + unicodeCell("1"), "1"};
        }
    }
    return std::nullopt;
}

TEST(CzechBrailleStandard, EveryChordReadsAsLiblouisReadsIt)
{
    const auto lou = findProgram("lou_translate");
    if (!lou) {
        GTEST_SKIP() << "lou_translate is not installed (Debian package liblouis-bin), so "
                        "czech.ebt is not compared with liblouis's Czech table";
    }
    auto tables = std::make_unique<BrailleTables>();
    parseBrailleTable(readTableFile(kDataDir / kBrailleTableFile), *tables);
    ASSERT_GT(tables->brlcharcount, 0);

    std::string input;
    std::vector<std::string> expected;
    for (const brlchartype& entry : tables->characters()) {
        const auto context = contextOf(entry.prefix, *tables);
        ASSERT_TRUE(context) << "no braille reading known for section " << entry.prefix;
        input += context->brailleBefore + unicodeCell(entry.dots) + "\n";
        expected.push_back(context->textBefore + entry.character);
    }

    const testing::TempDir dir;
    dir.write("in.txt", input);
    const std::string command = "'" + lou->string() + "' --backward " + kLiblouisCzechTable +
                                " <'" + (dir / "in.txt").string() + "' >'" +
                                (dir / "out.txt").string() + "' 2>'" + (dir / "err.txt").string() +
                                "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << dir.read("err.txt");

    std::istringstream output(dir.read("out.txt"));
    std::string line;
    size_t row = 0;
    for (const brlchartype& entry : tables->characters()) {
        ASSERT_TRUE(std::getline(output, line)) << "lou_translate gave fewer lines";
        SCOPED_TRACE(entry.prefix + " " + entry.dots);
        EXPECT_EQ(line, text::toUtf8(expected[row]))
            << "our table: " << text::toUtf8(entry.character);
        ++row;
    }
}

} // namespace
} // namespace tov::input
