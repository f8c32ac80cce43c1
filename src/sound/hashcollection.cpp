// The name hash of the collections.
#include "sound/hashcollection.h"

namespace tov::sound {

uint8_t nameHash(std::string_view name)
{
    uint32_t hash = 0;
    for (const char c : name) {
        hash = hash * 31 + static_cast<uint8_t>(text::toLowerCase(c));
    }
    return static_cast<uint8_t>(hash ^ (hash >> 8) ^ (hash >> 16) ^ (hash >> 24));
}

} // namespace tov::sound
