// Text handed to the page: a copy on the module's heap, which the page reads with
// UTF8ToString and frees with `_free`. One helper for every exports file.
#pragma once

#include <cstdlib>
#include <cstring>
#include <string_view>

namespace tov::web {

// A NUL-terminated copy of the UTF-8 text; nullptr when the heap has no room.
inline char* handOut(std::string_view utf8)
{
    char* copy = static_cast<char*>(std::malloc(utf8.size() + 1));
    if (copy != nullptr) {
        std::memcpy(copy, utf8.data(), utf8.size());
        copy[utf8.size()] = '\0';
    }
    return copy;
}

} // namespace tov::web
