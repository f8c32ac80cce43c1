// An event queue for a thread without Qt: calls posted from any thread wait in a list
// until the owning thread processes them. It stands in for the GUI event queue in the
// engine tests, the benchmark and any host that runs speech without a window.
#pragma once

#include "speech/guithread.h"

#include <condition_variable>
#include <deque>
#include <mutex>

namespace tov::speech {

class ThreadEventQueue final : public GuiPoster, public EventQueue {
public:
    void post(std::function<void()> call) override;
    void processPending() override;
    void processUntil(const std::function<bool()>& done, Clock::time_point deadline) override;

    // Posted calls not yet run.
    size_t pending() const;

private:
    // Runs the calls posted so far; false when there were none.
    bool runPosted();

    mutable std::mutex lock_;
    std::condition_variable posted_;
    std::deque<std::function<void()>> calls_;
};

} // namespace tov::speech
