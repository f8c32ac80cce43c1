// The keyboard's tables and their read access.
#include "input/brailletables.h"

namespace tov::input {

std::string_view BrailleTables::keyname(uint8_t code) const
{
    for (const echokeytype& entry : echokeys) {
        if (entry.code == code) {
            return entry.name;
        }
    }
    return {};
}

BrailleTables& brailleTables()
{
    static BrailleTables tables;
    return tables;
}

} // namespace tov::input
