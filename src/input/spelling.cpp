// The three spelling alphabets.
#include "input/spelling.h"

#include "common/localizer.h"
#include "common/text.h"

#include <span>
#include <string_view>

namespace tov::input {
namespace {

// One letter of an alphabet, both cases of it, and its word; UTF-8, converted on use.
struct Spelled {
    std::string_view upper;
    std::string_view lower;
    std::string_view word;
};

constexpr Spelled kCzech[] = {
    {"A", "a", "Adam"},         {"Á", "á", "dlouhé A"},  {"B", "b", "Božena"},
    {"C", "c", "Cyril"},        {"Č", "č", "Čeněk"},     {"D", "d", "David"},
    {"Ď", "ď", "Ďáblice"},      {"E", "e", "Emil"},      {"É", "é", "dlouhé E"},
    {"Ě", "ě", "E s háčkem"},   {"F", "f", "František"}, {"G", "g", "Gustav"},
    {"H", "h", "Helena"},       {"I", "i", "Ivan"},      {"Í", "í", "dlouhé I"},
    {"J", "j", "Josef"},        {"K", "k", "Karel"},     {"L", "l", "Ludvík"},
    {"M", "m", "Marie"},        {"N", "n", "Norbert"},   {"Ň", "ň", "N s háčkem"},
    {"O", "o", "Oto"},          {"Ó", "ó", "dlouhé O"},  {"P", "p", "Petr"},
    {"Q", "q", "Quido"},        {"R", "r", "Rudolf"},    {"Ř", "ř", "Řehoř"},
    {"S", "s", "Svatopluk"},    {"Š", "š", "Šimon"},     {"T", "t", "Tomáš"},
    {"Ť", "ť", "T s háčkem"},   {"U", "u", "Urban"},     {"Ú", "ú", "U s čárkou"},
    {"Ů", "ů", "U s kroužkem"}, {"V", "v", "Václav"},    {"W", "w", "dvojité V"},
    {"X", "x", "Xaver"},        {"Y", "y", "ypsilon"},   {"Ý", "ý", "dlouhé ypsilon"},
    {"Z", "z", "Zuzana"},       {"Ž", "ž", "Žofie"},
};

constexpr Spelled kEnglish[] = {
    {"A", "a", "Alfa"},    {"B", "b", "Bravo"},    {"C", "c", "Charlie"}, {"D", "d", "Delta"},
    {"E", "e", "Echo"},    {"F", "f", "Foxtrot"},  {"G", "g", "Golf"},    {"H", "h", "Hotel"},
    {"I", "i", "India"},   {"J", "j", "Juliett"},  {"K", "k", "Kilo"},    {"L", "l", "Lima"},
    {"M", "m", "Mike"},    {"N", "n", "November"}, {"O", "o", "Oscar"},   {"P", "p", "Papa"},
    {"Q", "q", "Quebec"},  {"R", "r", "Romeo"},    {"S", "s", "Sierra"},  {"T", "t", "Tango"},
    {"U", "u", "Uniform"}, {"V", "v", "Victor"},   {"W", "w", "Whiskey"}, {"X", "x", "X-ray"},
    {"Y", "y", "Yankee"},  {"Z", "z", "Zulu"},
};

constexpr Spelled kSlovak[] = {
    {"A", "a", "Adam"},      {"Á", "á", "dlhé A"},       {"Ä", "ä", "široké E"},
    {"B", "b", "Božena"},    {"C", "c", "Cyril"},        {"Č", "č", "Čierny"},
    {"D", "d", "Dávid"},     {"Ď", "ď", "Ďumbier"},      {"E", "e", "Emil"},
    {"É", "é", "dlhé E"},    {"F", "f", "František"},    {"G", "g", "Gustáv"},
    {"H", "h", "Helena"},    {"I", "i", "Ivan"},         {"Í", "í", "dlhé I"},
    {"J", "j", "Jozef"},     {"K", "k", "Karol"},        {"L", "l", "Ladislav"},
    {"Ĺ", "ĺ", "dlhé L"},    {"Ľ", "ľ", "Ľudovít"},      {"M", "m", "Mária"},
    {"N", "n", "Norbert"},   {"Ň", "ň", "mäkké N"},      {"O", "o", "Oto"},
    {"Ó", "ó", "dlhé O"},    {"Ô", "ô", "O s vokáňom"},  {"P", "p", "Peter"},
    {"Q", "q", "Quido"},     {"R", "r", "Rudolf"},       {"Ŕ", "ŕ", "dlhé R"},
    {"S", "s", "Svätopluk"}, {"Š", "š", "Šimon"},        {"T", "t", "Tomáš"},
    {"Ť", "ť", "mäkké T"},   {"U", "u", "Urban"},        {"Ú", "ú", "dlhé U"},
    {"V", "v", "Viktor"},    {"W", "w", "dvojité V"},    {"X", "x", "Xaver"},
    {"Y", "y", "Ypsilon"},   {"Ý", "ý", "dlhé Ypsilon"}, {"Z", "z", "Zuzana"},
    {"Ž", "ž", "Žofia"},
};

std::span<const Spelled> alphabetFor(int32_t languagebase)
{
    switch (languagebase) {
    case kEnglishBase:
        return kEnglish;
    case kSlovakBase:
        return kSlovak;
    default:
        return kCzech;
    }
}

} // namespace

std::string phoneticWord(char character, int32_t languagebase)
{
    const std::string utf8 = text::toUtf8(std::string_view(&character, 1));
    for (const Spelled& letter : alphabetFor(languagebase)) {
        if (utf8 == letter.upper || utf8 == letter.lower) {
            return text::fromUtf8(letter.word);
        }
    }
    return {};
}

bool DoublePress::press(std::chrono::milliseconds time, size_t offset)
{
    const bool second = firstTime_ && offset == firstOffset_ && time >= *firstTime_ &&
                        time - *firstTime_ <= kSpellingInterval;
    if (second) {
        firstTime_.reset();
        return true;
    }
    firstTime_ = time;
    firstOffset_ = offset;
    return false;
}

} // namespace tov::input
