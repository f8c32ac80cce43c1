// The posted calls and their eventfd.
#include "braille/callqueue.h"

#include <sys/eventfd.h>
#include <unistd.h>

namespace tov::braille {

CallQueue::CallQueue() : fd_(::eventfd(0, EFD_CLOEXEC | EFD_NONBLOCK)) {}

CallQueue::~CallQueue()
{
    if (fd_ >= 0) {
        ::close(fd_);
    }
}

void CallQueue::post(std::function<void()> call)
{
    {
        std::lock_guard guard(lock_);
        calls_.push_back(std::move(call));
    }
    const uint64_t one = 1;
    [[maybe_unused]] const ssize_t ignored = ::write(fd_, &one, sizeof one);
}

void CallQueue::runPending()
{
    uint64_t count = 0;
    [[maybe_unused]] const ssize_t ignored = ::read(fd_, &count, sizeof count);
    std::deque<std::function<void()>> calls;
    {
        std::lock_guard guard(lock_);
        calls.swap(calls_);
    }
    for (auto& call : calls) {
        call();
    }
}

} // namespace tov::braille
