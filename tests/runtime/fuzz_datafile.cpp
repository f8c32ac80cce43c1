// Data file: any bytes as "data.dta". Every value is read and converted; a value that is not
// a number fails with TovError and nothing else goes wrong.
#include "common/tov_error.h"
#include "runtime/datafile.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    tov::runtime::DataReader reader(std::string_view(reinterpret_cast<const char*>(data), size));
    // Each read consumes at least one byte until the end, so size + 1 reads reach it.
    for (size_t i = 0; i <= size && !reader.atEnd(); ++i) {
        try {
            tov::runtime::parseNumber(reader.nextValueText());
        } catch (const tov::TovError&) {
        }
    }
    if (!reader.atEnd()) {
        __builtin_trap();
    }
    return 0;
}
