// The three compiled-in string tables, as the localizer reads them. Texts are UTF-8 in
// the source; the localizer converts them to Windows-1250 once.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace tov::strings {

struct StringEntry {
    int32_t id;
    std::string_view utf8;
};

std::span<const StringEntry> czechTable();
std::span<const StringEntry> englishTable();
std::span<const StringEntry> slovakTable();

} // namespace tov::strings
