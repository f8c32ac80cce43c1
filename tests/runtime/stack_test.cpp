// The return-point stack of GOSUB and RETURN.
#include "runtime/stack.h"

#include "common/tov_error.h"

#include <gtest/gtest.h>

namespace tov::runtime {
namespace {

TEST(ReturnStack, PopsInReverseOrderAndEndsEmpty)
{
    ReturnStack stack;
    push(1, stack);
    push(2, stack);
    push(-20007, stack);
    int32_t code = 0;
    pop(code, stack);
    EXPECT_EQ(code, -20007);
    pop(code, stack);
    EXPECT_EQ(code, 2);
    pop(code, stack);
    EXPECT_EQ(code, 1);
    EXPECT_TRUE(stack.isEmpty());
}

TEST(ReturnStack, InitstackDiscardsWhatAnEarlierRunLeft)
{
    ReturnStack stack;
    push(7, stack);
    push(8, stack);
    initstack(stack);
    EXPECT_TRUE(stack.isEmpty());
    push(9, stack);
    int32_t code = 0;
    pop(code, stack);
    EXPECT_EQ(code, 9);
}

TEST(ReturnStack, PopOnEmptyIsReportedNotUndefined)
{
    ReturnStack stack;
    int32_t code = 5;
    EXPECT_THROW(pop(code, stack), TovError);
    EXPECT_EQ(code, 5);
}

TEST(ReturnStack, DeepStackIsReleasedWithoutRecursion)
{
    // A million unreturned GOSUBs would overflow the call stack if nodes freed recursively.
    ReturnStack stack;
    for (int32_t i = 0; i < 1'000'000; ++i) {
        push(i, stack);
    }
    initstack(stack);
    EXPECT_TRUE(stack.isEmpty());
    for (int32_t i = 0; i < 1'000'000; ++i) {
        push(i, stack);
    }
} // the destructor releases the second million

} // namespace
} // namespace tov::runtime
