// Keys waiting in the window system's queue while speech is spoken: the real speech layer
// serves the queue while it waits, so keys typed meanwhile are handled inside the wait.
// A test queues its keys here and makes the speech double's wait call serve().
#pragma once

#include <QCoreApplication>
#include <QKeyEvent>
#include <QString>
#include <QWidget>
#include <algorithm>
#include <deque>
#include <functional>

namespace tov::testing {

class QueuedKeys {
public:
    void queue(QWidget* target, QEvent::Type type, Qt::Key key, const QString& text = {},
               Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        pending_.push_back([target, type, key, text, modifiers] {
            QKeyEvent event(type, key, modifiers, text);
            QCoreApplication::sendEvent(target, &event);
        });
    }
    void queueKey(QWidget* target, Qt::Key key, const QString& text = {},
                  Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        queue(target, QEvent::KeyPress, key, text, modifiers);
        queue(target, QEvent::KeyRelease, key, text, modifiers);
    }
    // Hands every queued key over; keys handled by a nested wait are gone by the time the
    // outer one looks again.
    void serve()
    {
        ++depth_;
        deepest_ = std::max(deepest_, depth_);
        while (!pending_.empty()) {
            const std::function<void()> next = pending_.front();
            pending_.pop_front();
            next();
        }
        --depth_;
    }
    // How deep the waits nested: a test of typing ahead means something only when the keys
    // really were handled inside the previous key's wait.
    int deepest() const { return deepest_; }

private:
    std::deque<std::function<void()>> pending_;
    int depth_ = 0;
    int deepest_ = 0;
};

} // namespace tov::testing
