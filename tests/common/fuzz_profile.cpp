// Settings file: any bytes as the file's content. Reads never crash; a write changes what
// it should and nothing else: the value reads back, and other keys read as before.
#include "common/profile.h"
#include "common/text.h"
#include "common/tov_error.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace {

constexpr std::array<const char*, 4> kSections = {"voice", "Voice", "sounds", "a"};
constexpr std::array<const char*, 4> kKeys = {"sapi5", "SAPI5", "k", "person"};
constexpr std::array<const char*, 4> kValues = {"0", "1", "-2550", "Jakub"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0) {
        return 0;
    }
    const uint8_t choice = data[0];
    const std::string_view content(reinterpret_cast<const char*>(data + 1), size - 1);
    const char* section = kSections[choice & 3];
    const char* key = kKeys[(choice >> 2) & 3];
    const char* value = kValues[(choice >> 4) & 3];

    std::string after;
    try {
        after = tov::profile_text::withValue(content, section, key, value);
    } catch (const tov::TovError&) {
        return 0; // a file so damaged that no write would read back: refused, not corrupted
    }
    if (tov::profile_text::lookup(after, section, key) != value) {
        __builtin_trap();
    }
    for (const char* s : kSections) {
        for (const char* k : kKeys) {
            if (tov::text::equalsIgnoringAsciiCase(s, section) &&
                tov::text::equalsIgnoringAsciiCase(k, key)) {
                continue;
            }
            if (tov::profile_text::lookup(content, s, k) !=
                tov::profile_text::lookup(after, s, k)) {
                __builtin_trap();
            }
        }
    }
    tov::profile_text::parseInteger(content);
    return 0;
}
