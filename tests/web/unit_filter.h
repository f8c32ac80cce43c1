// How the unit tests under node leave out the tests that cannot hold there: the excluded
// names join the negative patterns of whatever filter the caller gave.
#pragma once

#include <string>
#include <string_view>

namespace tov::testing {

// A GoogleTest filter is "positive-negative", each side ':'-separated, with only the first
// '-' dividing them. `excluded` is a ':'-separated list of names or patterns.
inline std::string withExclusions(std::string filter, std::string_view excluded)
{
    if (excluded.empty()) {
        return filter;
    }
    if (filter.empty()) {
        filter = "*";
    }
    filter += filter.find('-') == std::string::npos ? "-" : ":";
    filter += excluded;
    return filter;
}

} // namespace tov::testing
