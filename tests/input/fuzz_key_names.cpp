// Key-name file: any bytes as "czech.eky". Parsing ends with the entries or with the
// integer-value error, never anything else; entries past the file's non-empty lines and
// past the table's end are never written.
#include "common/tov_error.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    using namespace tov::input;
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    auto tables = std::make_unique<BrailleTables>();
    try {
        parseKeyNames(bytes, *tables);
    } catch (const tov::TovError& error) {
        // The text quotes the code as it stands; what() ends at a NUL inside it.
        const std::string_view text = error.what();
        if (!text.starts_with('\'') || (bytes.find('\0') == std::string_view::npos &&
                                        !text.ends_with("' is not a valid integer value"))) {
            __builtin_trap();
        }
    }
    const size_t lines = static_cast<size_t>(std::count(bytes.begin(), bytes.end(), '\n')) + 1;
    for (size_t i = std::min(lines, kKeyNameCount); i < kKeyNameCount; ++i) {
        if (!(tables->echokeys[i] == echokeytype{})) {
            __builtin_trap();
        }
    }
    // The code conversion on its own, over the same bytes.
    try {
        tov::input::StrToInt(bytes.substr(0, 32));
    } catch (const tov::TovError&) {
    }
    return 0;
}
