// Windows-1250 case and the name hash of the collections.
#include "sound/hashcollection.h"

namespace tov::sound {

char ansiLower(char c)
{
    const auto b = static_cast<uint8_t>(c);
    uint8_t lower = b;
    if ((b >= 'A' && b <= 'Z') || (b >= 0xC0 && b <= 0xDE && b != 0xD7)) {
        lower = static_cast<uint8_t>(b + 0x20); // ASCII, and À..Ţ except the sign ×
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

std::string ansiLowerCase(std::string_view text)
{
    std::string out(text);
    for (char& c : out) {
        c = ansiLower(c);
    }
    return out;
}

uint8_t nameHash(std::string_view name)
{
    uint32_t hash = 0;
    for (const char c : name) {
        hash = hash * 31 + static_cast<uint8_t>(ansiLower(c));
    }
    return static_cast<uint8_t>(hash ^ (hash >> 8) ^ (hash >> 16) ^ (hash >> 24));
}

} // namespace tov::sound
