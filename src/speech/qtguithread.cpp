// Posting to and waiting on Qt's event queue.
#include "speech/qtguithread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <chrono>

namespace tov::speech {

void QtGuiPoster::post(std::function<void()> call)
{
    QMetaObject::invokeMethod(&context_, std::move(call), Qt::QueuedConnection);
}

void QtEventQueue::processPending()
{
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void QtEventQueue::processUntil(const std::function<bool()>& done, Clock::time_point deadline)
{
    if (done()) {
        return;
    }
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now());
    if (left.count() <= 0) {
        return;
    }
    // The timer only wakes the sleeping queue when the deadline comes; nothing listens.
    QTimer deadlineTimer;
    deadlineTimer.setSingleShot(true);
    deadlineTimer.setTimerType(Qt::PreciseTimer);
    deadlineTimer.start(left);
    while (!done() && Clock::now() < deadline) {
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}

} // namespace tov::speech
