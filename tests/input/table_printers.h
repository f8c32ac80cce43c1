// How GoogleTest shows the table entries in a failure message: every field, quoted.
#pragma once

#include "input/brailletables.h"

#include <ostream>

namespace tov::input {

inline void PrintTo(const brlpreftype& p, std::ostream* os)
{
    *os << "{'" << p.name << "', '" << p.dots << "'}";
}

inline void PrintTo(const brlchartype& c, std::ostream* os)
{
    *os << "{'" << c.prefix << "', '" << c.character << "', '" << c.dots << "'}";
}

inline void PrintTo(const echokeytype& e, std::ostream* os)
{
    *os << "{" << int(e.code) << ", '" << e.name << "'}";
}

} // namespace tov::input
