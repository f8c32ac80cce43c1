// Little-endian integers inside byte arrays, for the file readers. Callers check the
// bounds first; these only assemble the bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace tov::sound {

inline uint16_t loadU16(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint16_t>(bytes[at] | (bytes[at + 1] << 8));
}

inline uint32_t loadU32(std::span<const uint8_t> bytes, size_t at)
{
    return static_cast<uint32_t>(bytes[at]) | (static_cast<uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<uint32_t>(bytes[at + 2]) << 16) |
           (static_cast<uint32_t>(bytes[at + 3]) << 24);
}

} // namespace tov::sound
