// The plain-thread event queue: calls posted from other threads run on the thread that
// serves the queue, in order, and a wait ends at its deadline however busy the queue is.
#include "speech/threadqueue.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <vector>

namespace tov::speech {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;

TEST(ThreadEventQueue, PostedCallsRunInOrderOnTheServingThread)
{
    ThreadEventQueue queue;
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::thread poster([&] {
        for (int i = 0; i < 3; ++i) {
            queue.post([&, i] {
                order.push_back(i);
                threads.push_back(std::this_thread::get_id());
            });
        }
    });
    poster.join();
    EXPECT_TRUE(order.empty()); // nothing runs until the queue is served
    queue.processUntil([&] { return order.size() == 3; }, Clock::now() + 5s);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    for (const auto id : threads) {
        EXPECT_EQ(id, std::this_thread::get_id());
    }
}

TEST(ThreadEventQueue, AWaitSleepsUntilACallArrivesAndEndsAtItsDeadline)
{
    ThreadEventQueue queue;
    bool done = false;
    std::thread later([&] {
        std::this_thread::sleep_for(50ms);
        queue.post([&] { done = true; });
    });
    const auto began = Clock::now();
    queue.processUntil([&] { return done; }, began + 5s);
    later.join();
    EXPECT_TRUE(done);
    EXPECT_LT(Clock::now() - began, 2s);

    // A queue that never goes quiet still lets the wait end on time.
    std::atomic<bool> stop{false};
    std::function<void()> again = [&] {
        if (!stop) {
            queue.post(again);
        }
    };
    queue.post(again);
    const auto busy = Clock::now();
    queue.processUntil([] { return false; }, busy + 100ms);
    stop = true;
    EXPECT_LT(Clock::now() - busy, 1s);
    EXPECT_GE(Clock::now() - busy, 100ms);
}

} // namespace
} // namespace tov::speech
