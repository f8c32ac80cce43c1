// The plain-thread event queue.
#include "speech/threadqueue.h"

namespace tov::speech {

void ThreadEventQueue::post(std::function<void()> call)
{
    {
        const std::lock_guard guard(lock_);
        calls_.push_back(std::move(call));
    }
    posted_.notify_all();
}

size_t ThreadEventQueue::pending() const
{
    const std::lock_guard guard(lock_);
    return calls_.size();
}

bool ThreadEventQueue::runPosted()
{
    std::deque<std::function<void()>> batch;
    {
        const std::lock_guard guard(lock_);
        batch.swap(calls_);
    }
    // Run outside the lock: a call may post again or wait in a nested loop.
    for (auto& call : batch) {
        call();
    }
    return !batch.empty();
}

void ThreadEventQueue::processPending()
{
    runPosted();
}

void ThreadEventQueue::processUntil(const std::function<bool()>& done, Clock::time_point deadline)
{
    while (true) {
        const bool ran = runPosted();
        if (done() || Clock::now() >= deadline) {
            return; // a steady stream of calls must not outlast the deadline either
        }
        if (ran) {
            continue;
        }
        std::unique_lock guard(lock_);
        if (!posted_.wait_until(guard, deadline, [this] { return !calls_.empty(); })) {
            return;
        }
    }
}

} // namespace tov::speech
