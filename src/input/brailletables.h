// The keyboard's three tables: braille prefixes and braille characters (from "czech.ebt"),
// which the chord keyboard reads, and the key names (from "czech.eky", "english.eky" or
// "slovak.eky"), which the key echo speaks. They are filled once at start-up by the
// loaders (tableloaders.h) and only read afterwards. Every string is Windows-1250.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>

namespace tov::input {

// The capacities of the file formats. A file with more entries loses the excess lines;
// they never overwrite an entry already read.
inline constexpr size_t kMaxPrefixes = 10;
inline constexpr size_t kMaxCharacters = 255;
inline constexpr size_t kKeyNameCount = 256;

// The prefix that acts on one character only: after the capital sign, chord 12 gives "B"
// and the prefix is spent. Every other prefix lasts until the space chord.
inline constexpr std::string_view kCapitalPrefix = "#cap";
// The chord of the space bar alone.
inline constexpr std::string_view kSpaceChord = " ";

// A braille prefix: a chord that changes the meaning of the chords after it.
struct brlpreftype {
    std::string name; //: as written in the file, with its "#" ("#cap")
    std::string dots; //: the chord that selects it, as a dots string ("6")
    bool operator==(const brlpreftype&) const = default;
};

// A chord's character, plain or under one prefix.
struct brlchartype {
    std::string prefix;    //: empty in [characters], else the section's name ("#cap")
    std::string character; //: the text the chord types (the echo speaks its first byte)
    std::string dots;      //: the chord, as a dots string ("145")
    bool operator==(const brlchartype&) const = default;
};

// What the key echo speaks for one character code.
struct echokeytype {
    uint8_t code = 0;
    std::string name;
    bool operator==(const echokeytype&) const = default;
};

// The process's tables. Entries 1 to count of the file formats are the array elements
// 0 to count - 1.
struct BrailleTables {
    std::array<brlpreftype, kMaxPrefixes> brlprefixes;
    uint8_t brlprefcount = 0; //: prefix entries in use
    std::array<brlchartype, kMaxCharacters> brlchars;
    uint8_t brlcharcount = 0; //: character entries in use, over all sections
    //: filled from index 0, one per non-empty line; the rest stay code 0 with no name
    std::array<echokeytype, kKeyNameCount> echokeys;

    //: set by start-up before each load; relative names are found in the working directory
    std::filesystem::path brailletablefile;
    std::filesystem::path keynamefile;

    // The prefix entries in file order, for the chord keyboard.
    std::span<const brlpreftype> prefixes() const { return {brlprefixes.data(), brlprefcount}; }
    // The character entries of every section in file order, for the chord keyboard.
    std::span<const brlchartype> characters() const { return {brlchars.data(), brlcharcount}; }
    // The name of the first key-name entry, from entry 0 upwards, whose code is `code`;
    // empty when no entry has that code.
    std::string_view keyname(uint8_t code) const;
};

// The one instance. Tests reset it with `brailleTables() = {};`.
BrailleTables& brailleTables();

} // namespace tov::input
