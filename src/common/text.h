// Windows-1250 <-> UTF-8. Inside the system every string is Windows-1250 bytes: one byte,
// one character, one screen column. Only the edges (widgets, speech engines, the
// terminal, file names) speak UTF-8, and they convert here.
//
// Defined results for what has no counterpart:
// - The five bytes that Windows-1250 leaves undefined (0x81 0x83 0x88 0x90 0x98) map to
//   the C1 control characters of the same number (U+0081 ...), and those map back, so
//   every byte string survives a trip through UTF-8 unchanged.
// - A character that Windows-1250 cannot hold becomes '?', as the Windows conversion
//   does with its default character.
// - Each byte of malformed UTF-8 (a stray continuation byte, a truncated or overlong
//   sequence, a surrogate, a code point past U+10FFFF) becomes one '?'.
#pragma once

#include <string>
#include <string_view>

namespace tov::text {

inline constexpr char kReplacement = '?';

// The Unicode character of a Windows-1250 byte (never fails).
char32_t toUnicode(unsigned char byte);

// The Windows-1250 byte of a Unicode character, or kReplacement when there is none.
char fromUnicode(char32_t ch);

std::string toUtf8(std::string_view cp1250);

// Names that match "without regard to case" in the settings file and the engine tags:
// only A to Z fold, as the profile functions fold them.
bool equalsIgnoringAsciiCase(std::string_view a, std::string_view b);

// Windows-1250 case: the small letter of a capital ("Š" gives "š", "Ľ" gives "ľ"); any
// other byte, small letters and signs among them, is itself. Sound names and voice names
// match through it, so "ŠÁRKA" finds the voice "Šárka".
char toLowerCase(char c);
std::string toLowerCase(std::string_view cp1250);
bool equalsIgnoringCase(std::string_view a, std::string_view b);
std::string fromUtf8(std::string_view utf8);

} // namespace tov::text
