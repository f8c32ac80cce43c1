// The main of the plain test programs. A test machine may have neither display nor sound
// card: unless the caller chose otherwise, Qt draws offscreen and OpenAL plays into nothing.
#include <cstdlib>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    ::setenv("QT_QPA_PLATFORM", "offscreen", 0);
    ::setenv("ALSOFT_DRIVERS", "null", 0);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
