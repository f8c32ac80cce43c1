// Text conversion: any bytes, read both as Windows-1250 and as UTF-8. Windows-1250 text
// survives the trip through UTF-8 unchanged; malformed UTF-8 never crashes.
#include "common/text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    if (tov::text::fromUtf8(tov::text::toUtf8(bytes)) != bytes) {
        __builtin_trap();
    }
    const std::string narrowed = tov::text::fromUtf8(bytes);
    if (tov::text::fromUtf8(tov::text::toUtf8(narrowed)) != narrowed) {
        __builtin_trap();
    }
    return 0;
}
