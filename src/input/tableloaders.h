// Reading the braille table and the key-name file into the keyboard's tables.
//
// Both files are text read one whole line at a time; a line ends with CR LF or LF and is
// never trimmed, because spaces belong to names, characters and dots. An entry line is
// split at its first "=": what follows is the right-hand side, what precedes it the
// left-hand side. A line without "=" is all right-hand side, and in the braille table
// all left-hand side as well ("12" alone makes chord 12 type the text "12").
//
// The braille table is a series of sections:
//   [prefixes]    lines "#name=dots"; every other line is a note and is ignored
//   [characters]  lines "character=dots", a line starting with "#" included
//   [#name]       the characters of prefix #name, in the same form
// Lines before the first header and the lines of any other section are ignored. The
// character count starts again at each load, the prefix count at each [prefixes].
//
// The key-name file has one entry per non-empty line, "code=name", with the code as a
// decimal number or, after "$", a hexadecimal one; its low 8 bits are the character.
//
// The parse functions take the file's bytes and are what the tests and fuzz targets
// drive; the Load functions add only the reading of the file.
#pragma once

#include "input/brailletables.h"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace tov::input {

inline constexpr const char* kBrailleTableFile = "czech.ebt";
// The key-name file of the interface language: Message::KeyNameFile ("english") + ".eky".
inline constexpr const char* kKeyNameExtension = ".eky";

// Fills the prefix and character tables from a braille table's content.
void parseBrailleTable(std::string_view bytes, BrailleTables& tables);

// Fills the key-name entries from index 0 from a key-name file's content. A left-hand side
// that is no integer throws TovError "'<text>' is not a valid integer value"; the entries
// read before it stay.
void parseKeyNames(std::string_view bytes, BrailleTables& tables);

// The integer conversion of the key-name codes: an optional sign, then decimal digits or
// "$" and hexadecimal digits, in 32 bits (hexadecimal up to $FFFFFFFF, which is -1).
// Anything else, the empty text and blanks included, throws the error above.
int32_t StrToInt(std::string_view text);

// Refuses a braille table that can type nothing or holds an entry no chord can give:
// TovError "No braille characters ..." or "'<entry>' has no valid dots" (a chord is
// digits 1 to 8, or a single space for the space bar).
void checkBrailleTable(const BrailleTables& tables);

// The largest table file read; the shipped ones are a few KiB.
inline constexpr size_t kLargestTableFile = 64 * 1024;

// The whole file. A file that cannot be read throws TovError with the cause alone, as the
// system's I/O errors read: "File not found", "Path not found", "Access denied", "Is a
// folder", "Too large for a table ...", or the system's own words for anything rarer.
std::string readTableFile(const std::filesystem::path& file);

// Reads `brailleTables().brailletablefile` into the global tables and checks them
// (checkBrailleTable). The counts are 0 when the file cannot be read or is refused.
void LoadBrailleTable();
// Reads `brailleTables().keynamefile` into the global key-name table.
void LoadKeyNames();

// Where a table file of this name is read: the console's locator in the program.
using TableLocator = std::function<std::filesystem::path(const std::string& name)>;

// The start-up order: "czech.ebt", then message 24 of the current language followed by
// ".eky", both where `locate` finds them. An error stops at once and goes to the caller,
// so a missing braille table leaves the key names unread.
void LoadKeyboardTables(const TableLocator& locate);
// The same with both files in `workdir` (the empty path is the working directory).
void LoadKeyboardTables(const std::filesystem::path& workdir = {});

// The start-up's load as the main window runs it: the program goes on without a table it
// cannot read, and the user is told why and which file ("File not found: english.eky").
// Returns that text, or the empty text when both tables are in.
std::string loadKeyboardTablesTelling(const TableLocator& locate);

} // namespace tov::input
