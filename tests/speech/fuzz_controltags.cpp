// Arbitrary bytes as the text of Inject: the tags found, never a crash.
#include "speech/controltags.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const auto tags = tov::speech::parseControlTags(text);
    // Every tag stands between two backslashes of its own.
    const auto backslashes = static_cast<size_t>(std::count(text.begin(), text.end(), '\\'));
    if (tags.size() * 2 > backslashes) {
        __builtin_trap();
    }
    return 0;
}
