// The sound statement's wait on the main window's timer.
#include "shell/soundtimer.h"

#include <QCoreApplication>
#include <QEventLoop>

#include <thread>

namespace tov::shell {

SoundTimer::SoundTimer()
{
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setSingleShot(false);
    QObject::connect(&timer_, &QTimer::timeout, [this] { TimerTimer(); });
}

void SoundTimer::waitout(std::chrono::milliseconds duration)
{
    waiting_ = true;
    if (QCoreApplication::instance() == nullptr) {
        // No event queue to serve (a tool or a test without an application): sleep it out.
        std::this_thread::sleep_for(duration);
        waiting_ = false;
        return;
    }
    // A timer of interval 0 is never started: such a wait lasts until a key ends it.
    if (duration.count() > 0) {
        timer_.start(duration);
    }
    while (waiting_) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

bool SoundTimer::endwait()
{
    if (!waiting_) {
        return false;
    }
    waiting_ = false;
    timer_.stop();
    return true;
}

void SoundTimer::TimerTimer()
{
    waiting_ = false;
    timer_.stop();
}

} // namespace tov::shell
