// The code page table and the two converters; see text.h for the rules on bytes and
// characters that have no counterpart.
#include "common/text.h"

#include <array>
#include <cstdint>

namespace tov::text {
namespace {

// Bytes 0x80 to 0xFF; 0 marks the five undefined bytes, which pass through as C1 controls.
constexpr std::array<char16_t, 128> kHighHalf = {
    0x20AC, 0x0000, 0x201A, 0x0000, 0x201E, 0x2026, 0x2020, 0x2021, // 0x80
    0x0000, 0x2030, 0x0160, 0x2039, 0x015A, 0x0164, 0x017D, 0x0179, // 0x88
    0x0000, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014, // 0x90
    0x0000, 0x2122, 0x0161, 0x203A, 0x015B, 0x0165, 0x017E, 0x017A, // 0x98
    0x00A0, 0x02C7, 0x02D8, 0x0141, 0x00A4, 0x0104, 0x00A6, 0x00A7, // 0xA0
    0x00A8, 0x00A9, 0x015E, 0x00AB, 0x00AC, 0x00AD, 0x00AE, 0x017B, // 0xA8
    0x00B0, 0x00B1, 0x02DB, 0x0142, 0x00B4, 0x00B5, 0x00B6, 0x00B7, // 0xB0
    0x00B8, 0x0105, 0x015F, 0x00BB, 0x013D, 0x02DD, 0x013E, 0x017C, // 0xB8
    0x0154, 0x00C1, 0x00C2, 0x0102, 0x00C4, 0x0139, 0x0106, 0x00C7, // 0xC0
    0x010C, 0x00C9, 0x0118, 0x00CB, 0x011A, 0x00CD, 0x00CE, 0x010E, // 0xC8
    0x0110, 0x0143, 0x0147, 0x00D3, 0x00D4, 0x0150, 0x00D6, 0x00D7, // 0xD0
    0x0158, 0x016E, 0x00DA, 0x0170, 0x00DC, 0x00DD, 0x0162, 0x00DF, // 0xD8
    0x0155, 0x00E1, 0x00E2, 0x0103, 0x00E4, 0x013A, 0x0107, 0x00E7, // 0xE0
    0x010D, 0x00E9, 0x0119, 0x00EB, 0x011B, 0x00ED, 0x00EE, 0x010F, // 0xE8
    0x0111, 0x0144, 0x0148, 0x00F3, 0x00F4, 0x0151, 0x00F6, 0x00F7, // 0xF0
    0x0159, 0x016F, 0x00FA, 0x0171, 0x00FC, 0x00FD, 0x0163, 0x02D9, // 0xF8
};

void appendUtf8(std::string& out, char32_t ch)
{
    if (ch < 0x80) {
        out += static_cast<char>(ch);
    } else if (ch < 0x800) {
        out += static_cast<char>(0xC0 | (ch >> 6));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    } else {
        // Every character of the code page lies in the Basic Multilingual Plane.
        out += static_cast<char>(0xE0 | (ch >> 12));
        out += static_cast<char>(0x80 | ((ch >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (ch & 0x3F));
    }
}

// Decodes one UTF-8 sequence at `pos`; advances `pos` past it. A malformed sequence
// consumes exactly one byte and yields no character.
bool decodeUtf8(std::string_view in, size_t& pos, char32_t& ch)
{
    const auto lead = static_cast<unsigned char>(in[pos]);
    if (lead < 0x80) {
        ch = lead;
        ++pos;
        return true;
    }
    int length = 0;
    char32_t value = 0;
    char32_t minimum = 0;
    if ((lead & 0xE0) == 0xC0) {
        length = 2, value = lead & 0x1F, minimum = 0x80;
    } else if ((lead & 0xF0) == 0xE0) {
        length = 3, value = lead & 0x0F, minimum = 0x800;
    } else if ((lead & 0xF8) == 0xF0) {
        length = 4, value = lead & 0x07, minimum = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (pos + length > in.size()) {
        ++pos;
        return false;
    }
    for (int i = 1; i < length; ++i) {
        const auto next = static_cast<unsigned char>(in[pos + i]);
        if ((next & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        value = (value << 6) | (next & 0x3F);
    }
    if (value < minimum || value > 0x10FFFF || (value >= 0xD800 && value <= 0xDFFF)) {
        ++pos;
        return false;
    }
    ch = value;
    pos += length;
    return true;
}

} // namespace

char32_t toUnicode(unsigned char byte)
{
    if (byte < 0x80) {
        return byte;
    }
    const char16_t mapped = kHighHalf[byte - 0x80];
    return mapped != 0 ? mapped : byte;
}

char fromUnicode(char32_t ch)
{
    if (ch < 0x80) {
        return static_cast<char>(ch);
    }
    // The table is small; a linear search keeps one source of truth for both ways.
    for (size_t i = 0; i < kHighHalf.size(); ++i) {
        const char32_t mapped = kHighHalf[i] != 0 ? kHighHalf[i] : char32_t(0x80 + i);
        if (mapped == ch) {
            return static_cast<char>(0x80 + i);
        }
    }
    return kReplacement;
}

std::string toUtf8(std::string_view cp1250)
{
    std::string out;
    out.reserve(cp1250.size() * 2);
    for (const char c : cp1250) {
        appendUtf8(out, toUnicode(static_cast<unsigned char>(c)));
    }
    return out;
}

bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) {
        return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (lower(a[i]) != lower(b[i])) {
            return false;
        }
    }
    return true;
}

char toLowerCase(char c)
{
    const auto b = static_cast<uint8_t>(c);
    uint8_t lower = b;
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
        lower = static_cast<uint8_t>(b + 0x20); // ASCII, and Ŕ..Ţ except the sign ×
    } else if (b == 0x8A || b == 0x8C || b == 0x8D || b == 0x8E || b == 0x8F) {
        lower = static_cast<uint8_t>(b + 0x10); // Š Ś Ť Ž Ź
    } else if (b == 0xA3) {
        lower = 0xB3; // Ł
    } else if (b == 0xA5) {
        lower = 0xB9; // Ą
    } else if (b == 0xAA) {
        lower = 0xBA; // Ş
    } else if (b == 0xAF) {
        lower = 0xBF; // Ż
    } else if (b == 0xBC) {
        lower = 0xBE; // Ľ
    }
    return static_cast<char>(lower);
}

std::string toLowerCase(std::string_view cp1250)
{
    std::string out(cp1250);
    for (char& c : out) {
        c = toLowerCase(c);
    }
    return out;
}

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (toLowerCase(a[i]) != toLowerCase(b[i])) {
            return false;
        }
    }
    return true;
}

std::string fromUtf8(std::string_view utf8)
{
    std::string out;
    out.reserve(utf8.size());
    size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t ch = 0;
        out += decodeUtf8(utf8, pos, ch) ? fromUnicode(ch) : kReplacement;
    }
    return out;
}

} // namespace tov::text
