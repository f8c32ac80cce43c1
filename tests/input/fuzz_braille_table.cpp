// Braille table: any bytes as "czech.ebt". Parsing never fails and the check only refuses;
// the counts stay within the capacities, every entry comes from a line of the file, and a
// prefix always keeps its "#".
#include "common/tov_error.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>
#include <utility>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tov::input;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto tables = std::make_unique<BrailleTables>();
    parseBrailleTable(bytes, *tables);
    if (tables->brlprefcount > kMaxPrefixes || tables->brlcharcount > kMaxCharacters) {
        __builtin_trap();
    }
    // Each entry is one line of the file.
    const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    if (tables->brlprefcount + tables->brlcharcount > lines) {
        __builtin_trap();
    }
    for (const brlpreftype& prefix : tables->prefixes()) {
        if (!prefix.name.starts_with('#') || prefix.name.size() > size ||
            prefix.dots.size() > size) {
            __builtin_trap();
        }
    }
    for (const brlchartype& entry : tables->characters()) {
        if (!entry.prefix.empty() && !entry.prefix.starts_with('#')) {
            __builtin_trap();
        }
        if (entry.character.size() > size || entry.dots.size() > size) {
            __builtin_trap();
        }
    }
    // The check refuses with TovError or accepts; it never touches the tables.
    const auto counts = std::make_pair(tables->brlprefcount, tables->brlcharcount);
    try {
        checkBrailleTable(*tables);
    } catch (const tov::TovError&) {
    }
    if (counts != std::make_pair(tables->brlprefcount, tables->brlcharcount)) {
        __builtin_trap();
    }
    // The same bytes give the same tables, whatever was loaded before.
    auto again = std::make_unique<BrailleTables>(*tables);
    parseBrailleTable(bytes, *again);
    if (!std::equal(tables->characters().begin(), tables->characters().end(),
                    again->characters().begin(), again->characters().end())) {
        __builtin_trap();
    }
    return 0;
}
