// The main window's timer as the sound statement waits on it: `sound` starts it for its
// duration and serves the event queue until the waiting flag is clear; the timer's tick
// (`TimerTimer`) or a key press in the main window (`endwait`) clears it. The queue is
// served with a blocking wait for the next event, so a waiting statement uses no CPU,
// and the timer is a precise one, so a 100 ms tone lasts 100 ms and not 95 or 120.
//
// Waits nest: a key handler that plays its own `sound` while the program waits restarts
// the one timer, and its tick ends both waits (there is one flag).
// The main window owns this object; everything here runs on the GUI thread.
#pragma once

#include "runtime/soundcues.h"

#include <QTimer>

#include <chrono>

namespace tov::shell {

class SoundTimer final : public runtime::SoundWait {
public:
    SoundTimer();
    SoundTimer(const SoundTimer&) = delete;
    SoundTimer& operator=(const SoundTimer&) = delete;

    void waitout(std::chrono::milliseconds duration) override;
    bool endwait() override;
    bool iswaiting() const override { return waiting_; }

    // The timer's tick: clears the waiting flag and stops the timer.
    void TimerTimer();
    const QTimer& Timer() const { return timer_; }

private:
    QTimer timer_;
    bool waiting_ = false; //: set while `sound` waits out its duration
};

} // namespace tov::shell
