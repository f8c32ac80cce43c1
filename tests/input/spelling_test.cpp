// The spelling alphabets: a character and a language go in, the word comes out, or none
// for what the ordinary echo says. The double press is checked in the review window.
#include "common/localizer.h"
#include "common/text.h"
#include "input/spelling.h"

#include <gtest/gtest.h>

namespace tov::input {

TEST(PhoneticWord, EachLanguageSpellsWithItsOwnAlphabet)
{
    struct Row {
        const char* character; // UTF-8, as the two words below
        int32_t languagebase;
        const char* word; // empty: none
    };
    const Row rows[] = {
        {"k", kCzechBase, "Karel"},    {"K", kCzechBase, "Karel"},
        {"ř", kCzechBase, "Řehoř"},    {"Ů", kCzechBase, "U s kroužkem"},
        {"k", kEnglishBase, "Kilo"},   {"č", kEnglishBase, ""},
        {"Ľ", kSlovakBase, "Ľudovít"}, {"ô", kSlovakBase, "O s vokáňom"},
        {" ", kCzechBase, ""},         {"7", kEnglishBase, ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(std::string(r.character) + " in " + std::to_string(r.languagebase));
        EXPECT_EQ(text::toUtf8(phoneticWord(text::fromUtf8(r.character).front(), r.languagebase)),
                  r.word);
    }
    for (const int32_t base : {kCzechBase, kEnglishBase, kSlovakBase}) {
        for (char letter = 'a'; letter <= 'z'; ++letter) {
            EXPECT_FALSE(phoneticWord(letter, base).empty()) << letter << " in " << base;
        }
    }
}

} // namespace tov::input
