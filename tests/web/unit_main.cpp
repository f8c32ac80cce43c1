// The main of the unit tests under node. Unless the caller gives a filter of their own, the
// tests that cannot hold in a wasm program (listed with their reasons in unit.cmake) are
// left out, so the plain command runs exactly the tests that count; a caller's filter is
// narrowed by the same list.
#include "web/unit_filter.h"

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    GTEST_FLAG_SET(filter,
                   tov::testing::withExclusions(GTEST_FLAG_GET(filter), TOVANA_WEB_UNIT_EXCLUDED));
    return RUN_ALL_TESTS();
}
