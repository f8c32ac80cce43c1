// How speech reaches the GUI thread and how the GUI thread waits for speech.
//
// Engine threads (synthesis, the speech service's callbacks) never touch the system's
// state: they post a call, and the GUI thread runs it while it serves its event queue.
// That is how an engine's "audio has started" arrives on the GUI thread.
//
// `say` waits by serving the event queue until a flag clears. The queue sleeps while
// nothing happens (no CPU is burnt) and every flag change arrives as a posted call, so
// the wait wakes, re-checks and goes on. The Qt implementation is in qtguithread.h; a
// plain-thread one (threadqueue.h) serves programs and tests without Qt.
#pragma once

#include <chrono>
#include <functional>

namespace tov::speech {

class GuiPoster {
public:
    virtual ~GuiPoster() = default;
    // Any thread: runs `call` on the GUI thread later, in the order posted.
    virtual void post(std::function<void()> call) = 0;
};

class EventQueue {
public:
    using Clock = std::chrono::steady_clock;

    virtual ~EventQueue() = default;
    // Handles every event that is pending now, without waiting for more.
    virtual void processPending() = 0;
    // Handles events, sleeping while there are none, until `done()` holds after an event
    // or `deadline` has passed. Nested waits may run inside the events it handles.
    virtual void processUntil(const std::function<bool()>& done, Clock::time_point deadline) = 0;
    // The clock the deadlines are measured on.
    virtual Clock::time_point now() const { return Clock::now(); }
};

} // namespace tov::speech
