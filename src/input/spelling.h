// Spelling a character phonetically, as screen readers do when the key that says the
// current character is pressed twice quickly: "k" is "Karel" in Czech, "Kilo" in
// English, "Karol" in Slovak. The three alphabets are small tables of this program's own;
// a character none of them names (a space, a comma) is left to the ordinary echo.
// Pure functions; no Qt.
#pragma once

#include <chrono>
#include <cstdint>
#include <optional>
#include <string>

namespace tov::input {

//: two presses of the character key this close together spell the character
inline constexpr std::chrono::milliseconds kSpellingInterval{500};

// The word that spells the Windows-1250 character in the interface language given by its
// string base (kCzechBase, kEnglishBase, kSlovakBase), Windows-1250 too; empty when the
// alphabet has none.
std::string phoneticWord(char character, int32_t languagebase);

// Tells a second press of the character key from a first: the second comes within
// kSpellingInterval of the first (by the key events' own times, so a busy machine that
// delivers them late does not part them) on the same character. A third press starts over.
class DoublePress {
public:
    // True when this press, at `time` on the character at `offset`, is the second.
    bool press(std::chrono::milliseconds time, size_t offset);

private:
    std::optional<std::chrono::milliseconds> firstTime_; //: the first press still waiting
    size_t firstOffset_ = 0;                             //: where the first press was
};

} // namespace tov::input
