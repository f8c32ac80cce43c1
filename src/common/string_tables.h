// The three compiled-in string tables, as the localizer reads them. Texts are UTF-8 in
// the source; the localizer converts them to Windows-1250 once. A row names its message,
// so a text cannot drift to another message's number.
#pragma once

#include "common/messages.h"

#include <span>
#include <string_view>

namespace tov::strings {

struct StringEntry {
    Message id;
    std::string_view utf8;
};

// Whether a table has exactly one row for every message and no other row: each table
// asserts it as it is compiled, so a language cannot lack a new message.
constexpr bool holdsEveryMessage(std::span<const StringEntry> table)
{
    for (const StringEntry& entry : table) {
        if (!isMessage(static_cast<int>(entry.id))) {
            return false;
        }
    }
    for (int number = 0; number < static_cast<int>(Message::End); ++number) {
        int rows = 0;
        for (const StringEntry& entry : table) {
            rows += static_cast<int>(entry.id) == number ? 1 : 0;
        }
        if (isMessage(number) && rows != 1) {
            return false;
        }
    }
    return true;
}

std::span<const StringEntry> czechTable();
std::span<const StringEntry> englishTable();
std::span<const StringEntry> slovakTable();

} // namespace tov::strings
