// An answer asked for again (Alt+1 to Alt+9) with the program's own voice off goes to the
// screen reader as a notification: a window of the notification role, a pixel in size,
// that shows for a moment with the answer as its accessible name. Orca (43) speaks a
// notification as it shows ("notification vzal jsi dopis"), and the focus stays where the
// player types. A changed name or description of the focused control Orca does not speak:
// Qt 6.4's bridge sends such a change without the new text, and Qt has no announcement
// of its own before 6.8.
// The window has no parent: of a notification inside the input dialog Orca would first
// speak the dialog's title and role. All of this runs on the GUI thread.
#pragma once

#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

class QAccessibleEvent;
class QWidget;

namespace tov::shell {

class ScreenNotice final {
public:
    // How long after the key the notification shows. Orca echoes the pressed key and the
    // echo cuts off what it is saying; the key reaches Orca's queue after the program has
    // reacted to it (some 35 ms measured on an idle machine), so the notification waits.
    static constexpr int kAfterKeyEchoMs = 200;

    // Tells the accessibility bridge of an event; QAccessible::updateAccessibility unless
    // a test listens in its place (without a screen reader Qt drops the events).
    using Teller = std::function<void(QAccessibleEvent&)>;

    explicit ScreenNotice(Teller tell = {});
    ~ScreenNotice();
    ScreenNotice(const ScreenNotice&) = delete;
    ScreenNotice& operator=(const ScreenNotice&) = delete;

    // Shows `text` as a notification once the key that asked for it has been echoed. A
    // text posted before the last one showed replaces it: the newer key cut it off anyway.
    // An empty text shows nothing.
    void post(const QString& text);

    // The notification's window, hidden between notifications.
    const QWidget& window() const { return *window_; }

private:
    void show();

    Teller tell_;
    std::unique_ptr<QWidget> window_;
    QTimer delay_;
    QString pending_;
};

} // namespace tov::shell
