// Recording doubles of what the keyboard's windows play, into the log the speech double
// writes too, and the key names the echo tests hear.
#pragma once

#include "input/brailletables.h"
#include "doubles/doubles.h"
#include "input/tableloaders.h"
#include "runtime/host.h"

#include <array>
#include <fstream>
#include <functional>
#include <sstream>
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

class RecordingCues final : public runtime::SoundStatement {
public:
    explicit RecordingCues(CueLog& log) : log_(log) {}
    void sound(std::span<const double> tones, double soundnumber, double duration) override
    {
        std::ostringstream entry;
        entry << "sound ";
        for (size_t i = 0; i < tones.size(); ++i) {
            entry << (i > 0 ? "+" : "") << tones[i];
        }
        entry << ' ' << soundnumber << ' ' << duration;
        log_.entries.push_back(entry.str());
    }
    void beep() override { log_.entries.push_back("beep"); }
    void click(double n) override
    {
        std::ostringstream entry;
        entry << "click " << n;
        log_.entries.push_back(entry.str());
    }

private:
    CueLog& log_;
};

// The shipped braille table, read from the source tree.
inline input::BrailleTables shippedBrailleTable()
{
    std::ifstream file(TOVANA_SOURCE_DATA_DIR "/czech.ebt", std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), {});
    input::BrailleTables tables;
    input::parseBrailleTable(bytes, tables);
    return tables;
}

} // namespace tov::testing
