// Data file: any bytes as "data.dta". Every value is read and converted; a value that is not
// a number fails with TovError and nothing else goes wrong.
#include "common/tov_error.h"
#include "runtime/datafile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tov::runtime::DataReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
    // Each read consumes at least one byte until the end, so size + 1 reads reach it.
    for (size_t i = 0; i <= size && !reader.atEnd(); ++i) {
        const std::string text = reader.nextValueText();
        if (text.size() > tov::runtime::kLongestValue + 1) {
            __builtin_trap(); // an endless value must not be held whole
        }
        try {
            tov::runtime::parseNumber(text);
        } catch (const tov::TovError& error) {
            if (std::string_view(error.what()).size() > 200) {
                __builtin_trap(); // a message shows an excerpt, never the value
            }
        }
    }
    if (!reader.atEnd()) {
        __builtin_trap();
    }
    return 0;
}
