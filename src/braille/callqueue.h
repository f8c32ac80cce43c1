// Calls posted from any thread to a thread that has no event loop of its own (the
// terminal host's): its waits poll `fd()` beside their own file and run what arrived.
#pragma once

#include <deque>
#include <functional>
#include <mutex>

namespace tov::braille {

class CallQueue {
public:
    CallQueue();
    ~CallQueue();
    CallQueue(const CallQueue&) = delete;
    CallQueue& operator=(const CallQueue&) = delete;

    // Any thread.
    void post(std::function<void()> call);
    // Readable while calls wait.
    int fd() const { return fd_; }
    // Runs the calls posted so far, in order.
    void runPending();

private:
    std::mutex lock_;
    std::deque<std::function<void()>> calls_;
    int fd_ = -1; //: eventfd, counting posts not yet run
};

} // namespace tov::braille
