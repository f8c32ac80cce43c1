// Windows-1250 <-> UTF-8, checked byte by byte against the C library's own iconv tables.
#include "common/text.h"

#include <gtest/gtest.h>
#include <iconv.h>
#include <locale.h>
#include <wctype.h>

#include <memory>

namespace tov::text {
namespace {

// glibc's conversion, an independent source for every defined byte.
std::optional<std::string> iconvConvert(const char* to, const char* from, std::string in)
{
    iconv_t cd = ::iconv_open(to, from);
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::nullopt;
    }
    std::unique_ptr<void, int (*)(iconv_t)> guard(cd, ::iconv_close);
    std::string out(in.size() * 4 + 4, '\0');
    char* inPtr = in.data();
    size_t inLeft = in.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    if (::iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<size_t>(-1)) {
        return std::nullopt;
    }
    out.resize(out.size() - outLeft);
    return out;
}

constexpr unsigned char kUndefined[] = {0x81, 0x83, 0x88, 0x90, 0x98};

bool isUndefined(int byte)
{
    for (unsigned char u : kUndefined) {
        if (u == byte) {
            return true;
        }
    }
    return false;
}

TEST(Cp1250, EveryDefinedByteMatchesTheSystemTableBothWays)
{
    int checked = 0;
    for (int byte = 0; byte < 256; ++byte) {
        if (isUndefined(byte)) {
            continue;
        }
        SCOPED_TRACE(byte);
        const std::string one(1, static_cast<char>(byte));
        const auto expected = iconvConvert("UTF-8", "CP1250", one);
        ASSERT_TRUE(expected.has_value()) << "iconv has no CP1250 table";
        EXPECT_EQ(toUtf8(one), *expected);
        EXPECT_EQ(fromUtf8(*expected), one);
        ++checked;
    }
    EXPECT_EQ(checked, 251);
}

TEST(Cp1250, UndefinedBytesPassThroughAsC1Controls)
{
    for (unsigned char byte : kUndefined) {
        const std::string one(1, static_cast<char>(byte));
        EXPECT_EQ(toUnicode(byte), char32_t{byte});
        EXPECT_EQ(fromUtf8(toUtf8(one)), one);
    }
}

TEST(Cp1250, AllBytesSurviveARoundTripInOneString)
{
    std::string all;
    for (int byte = 0; byte < 256; ++byte) {
        all += static_cast<char>(byte);
    }
    EXPECT_EQ(fromUtf8(toUtf8(all)), all);
}

TEST(Cp1250, CzechWordsConvert)
{
    EXPECT_EQ(fromUtf8("Čeština"), "\xC8"
                                   "e\x9Atina");
    EXPECT_EQ(toUtf8("\xBE\x9Elu\x9Dou\xE8k\xFD k\xF9\xF2"), "ľžluťoučký kůň");
    EXPECT_EQ(fromUtf8("Překladač"), "P\xF8"
                                     "eklada\xE8");
}

TEST(Cp1250, CharactersOutsideTheCodePageBecomeQuestionMarks)
{
    EXPECT_EQ(fromUtf8("a€b"), "a\x80"
                               "b"); // the euro sign is in the code page
    EXPECT_EQ(fromUtf8("日本"), "??");
    EXPECT_EQ(fromUtf8("😀"), "?");
    EXPECT_EQ(fromUtf8("ñ"), "?");
}

TEST(Cp1250, MalformedUtf8BecomesOneQuestionMarkPerBadByte)
{
    struct Row {
        const char* name;
        std::string_view in;
        std::string_view out;
    };
    const Row rows[] = {
        {"stray continuation",
         "a\x80"
         "b",
         "a?b"},
        {"truncated at the end", "a\xC3", "a?"},
        {"lead without continuation",
         "\xC3"
         "a",
         "?a"},
        {"overlong slash", "\xC0\xAF", "??"},
        {"surrogate", "\xED\xA0\x80", "???"},
        {"past U+10FFFF", "\xF4\x90\x80\x80", "????"},
        {"invalid lead byte", "\xFF\xFE", "??"},
        {"NUL kept", std::string_view("a\0b", 3), std::string_view("a\0b", 3)},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(fromUtf8(r.in), r.out);
    }
}

// Case: glibc's Unicode tables are the independent source. Every capital of the code
// page folds to its small letter, and nothing else moves.
TEST(Cp1250Case, EveryByteFoldsAsUnicodeLowerCaseWithinTheCodePage)
{
    const locale_t utf8 = ::newlocale(LC_CTYPE_MASK, "C.UTF-8", locale_t{});
    ASSERT_NE(utf8, locale_t{}) << "C.UTF-8 is part of glibc";
    int capitals = 0;
    for (int byte = 0; byte < 256; ++byte) {
        const char32_t ch = toUnicode(static_cast<unsigned char>(byte));
        const auto small = static_cast<char32_t>(::towlower_l(static_cast<wint_t>(ch), utf8));
        const char expected = small != ch && fromUnicode(small) != kReplacement
                                  ? fromUnicode(small)
                                  : static_cast<char>(byte);
        capitals += expected != static_cast<char>(byte) ? 1 : 0;
        EXPECT_EQ(static_cast<unsigned char>(toLowerCase(static_cast<char>(byte))),
                  static_cast<unsigned char>(expected))
            << "byte 0x" << std::hex << byte;
    }
    ::freelocale(utf8);
    EXPECT_EQ(capitals, 26 + 30 + 10); // A..Z, 0xC0..0xDE without the sign, ten more
}

TEST(Cp1250Case, NamesMatchWithoutRegardToCase)
{
    struct Row {
        const char* description;
        std::string a;
        std::string b;
        bool same;
    };
    const Row rows[] = {
        {"ASCII", "JAKUB", "jakub", true},
        {"Czech, Slovak and Polish capitals", fromUtf8("ŽLUŤOUČKÝ ĽÚBOŠ ŁÓDŹ ĄŞŻŚ"),
         fromUtf8("žluťoučký ľúboš łódź ąşżś"), true},
        {"a trailing space", "Jakub", "Jakub ", false},
        {"a letter and its accented one", fromUtf8("š"), "s", false},
        {"signs that sit 32 apart", "[", "{", false},
        {"the multiplication sign", fromUtf8("×"), fromUtf8("÷"), false},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(equalsIgnoringCase(row.a, row.b), row.same) << row.description;
        EXPECT_EQ(toLowerCase(row.a) == toLowerCase(row.b), row.same) << row.description;
    }
}

} // namespace
} // namespace tov::text
