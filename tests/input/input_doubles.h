// The key names the echo tests hear and the shipped braille table.
#pragma once

#include "common/atomic_file.h"
#include "doubles/doubles.h"
#include "input/brailletables.h"
#include "input/tableloaders.h"
#include "runtime/host.h"

#include <array>
#include <functional>
#include <string>
#include <vector>

namespace tov::testing {

// Names every character by itself ("a" is "a"), so a test hears which character was
// echoed; the tables it replaces come back at the end.
class SelfNamedKeys {
public:
    explicit SelfNamedKeys(input::BrailleTables& tables = input::brailleTables())
        : tables_(tables), saved_(tables.echokeys)
    {
        tables.echokeys[0] = {};
        for (size_t code = 1; code < input::kKeyNameCount; ++code) {
            tables.echokeys[code] = {static_cast<uint8_t>(code),
                                     std::string(1, static_cast<char>(code))};
        }
    }
    ~SelfNamedKeys() { tables_.echokeys = saved_; }
    SelfNamedKeys(const SelfNamedKeys&) = delete;
    SelfNamedKeys& operator=(const SelfNamedKeys&) = delete;

private:
    input::BrailleTables& tables_;
    std::array<input::echokeytype, input::kKeyNameCount> saved_;
};

// Played before the name of a typed capital.
inline constexpr const char* kCapitalCue = "<sound 2000 #1 20ms>";

// The shipped braille table, read from the source tree.
inline input::BrailleTables shippedBrailleTable()
{
    input::BrailleTables tables;
    input::parseBrailleTable(files::readFile(TOVANA_SOURCE_DATA_DIR "/czech.ebt").value(), tables);
    return tables;
}

} // namespace tov::testing
