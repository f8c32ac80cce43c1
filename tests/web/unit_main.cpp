// The main of the unit tests under node. Unless the caller gives a filter of their own, the
// tests that cannot hold in a wasm program (listed with their reasons in unit.cmake) are
// left out, so the plain command runs exactly the tests that count.
#include <gtest/gtest.h>

#include <string>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    std::string filter = GTEST_FLAG_GET(filter);
    const std::string excluded = TOVANA_WEB_UNIT_EXCLUDED;
    if (!excluded.empty()) {
        // A filter's negative patterns follow its one '-': "positive-negative:negative".
        filter += (filter.find('-') == std::string::npos ? "-" : ":") + excluded;
        GTEST_FLAG_SET(filter, filter);
    }
    return RUN_ALL_TESTS();
}
