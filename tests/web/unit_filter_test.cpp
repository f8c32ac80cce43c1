// The exclusions of the tests under node must narrow any filter and never widen it: a
// filter that already has negative patterns keeps them, and the list is added to them.
#include "web/unit_filter.h"

#include <gtest/gtest.h>

namespace tov::testing {
namespace {

TEST(WebUnitFilter, ExclusionsBecomeTheNegativePatternsOfAnyFilter)
{
    EXPECT_EQ(withExclusions("*", "A.b:C.*"), "*-A.b:C.*");
    EXPECT_EQ(withExclusions("", "A.b"), "*-A.b");
    EXPECT_EQ(withExclusions("Profile*:Atomic*", "A.b"), "Profile*:Atomic*-A.b");
    // The caller's own negatives stay; one more '-' would make the list a positive pattern.
    EXPECT_EQ(withExclusions("Atomic*-Atomic.x", "A.b"), "Atomic*-Atomic.x:A.b");
    EXPECT_EQ(withExclusions("-Atomic.x", "A.b"), "-Atomic.x:A.b");
    EXPECT_EQ(withExclusions("Atomic*", ""), "Atomic*");
}

TEST(WebUnitFilter, ThisProgramLeavesOutItsListedTests)
{
    // The list this program was built with is in force, whatever filter it was run with.
    const std::string filter = GTEST_FLAG_GET(filter);
    const std::string excluded = TOVANA_WEB_UNIT_EXCLUDED;
    ASSERT_FALSE(excluded.empty());
    EXPECT_NE(filter.find('-'), std::string::npos) << filter;
    EXPECT_EQ(filter.compare(filter.size() - excluded.size(), excluded.size(), excluded), 0)
        << filter;
}

} // namespace
} // namespace tov::testing
