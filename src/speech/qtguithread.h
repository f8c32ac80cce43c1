// The GUI thread's side of speech under Qt: engine threads post through a QObject that
// lives on the GUI thread (a queued call), and waits serve Qt's event queue, sleeping in
// processEvents(WaitForMoreEvents) until a posted call, a key or a timer arrives.
#pragma once

#include "speech/guithread.h"

#include <QObject>

namespace tov::speech {

// Create it on the GUI thread, before anything that posts through it, and let it go
// after them: calls still queued when it goes are dropped.
class QtGuiPoster final : public GuiPoster {
public:
    void post(std::function<void()> call) override;

private:
    QObject context_; //: lives on the GUI thread; queued calls run in its thread
};

class QtEventQueue final : public EventQueue {
public:
    void processPending() override;
    void processUntil(const std::function<bool()>& done, Clock::time_point deadline) override;
};

} // namespace tov::speech
