// The notification that hands a screen reader an answer asked for again.
#include "shell/screennotice.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QWidget>
#include <mutex>

namespace tov::shell {

namespace {

// The notification's window; its own class, so the accessibility factory knows it.
class NoticeWindow final : public QWidget {
public:
    NoticeWindow()
    {
        // A tool tip bypasses the window manager: it neither takes the focus nor shows
        // in a task bar.
        setWindowFlags(Qt::ToolTip | Qt::FramelessWindowHint | Qt::WindowDoesNotAcceptFocus);
        setAttribute(Qt::WA_ShowWithoutActivating);
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        setGeometry(0, 0, 1, 1);
    }
};

QAccessibleInterface* noticeAccessible(const QString& className, QObject* object)
{
    // The window has no Q_OBJECT of its own: Qt asks by its base's class name.
    if (className == QLatin1String("QWidget") && dynamic_cast<NoticeWindow*>(object)) {
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Notification);
    }
    return nullptr;
}

} // namespace

ScreenNotice::ScreenNotice(Teller tell)
    : tell_(tell ? std::move(tell)
                 : [](QAccessibleEvent& event) { QAccessible::updateAccessibility(&event); })
{
    static std::once_flag factoryInstalled;
    std::call_once(factoryInstalled, [] { QAccessible::installFactory(noticeAccessible); });
    window_ = std::make_unique<NoticeWindow>();
    delay_.setSingleShot(true);
    delay_.setInterval(kAfterKeyEchoMs);
    QObject::connect(&delay_, &QTimer::timeout, [this] { show(); });
}

ScreenNotice::~ScreenNotice() = default;

void ScreenNotice::post(const QString& text)
{
    if (text.isEmpty()) {
        return;
    }
    pending_ = text;
    delay_.start();
}

void ScreenNotice::show()
{
    window_->hide();
    window_->setAccessibleName(pending_);
    window_->show();
    // Qt's own showing event leaves tool-tip windows out, and Orca speaks a notification
    // only as it shows.
    QAccessibleEvent shown(window_.get(), QAccessible::ObjectShow);
    tell_(shown);
    // Gone again at once: Orca asks the object, which stays, not the screen.
    QTimer::singleShot(0, window_.get(), [window = window_.get()] { window->hide(); });
}

} // namespace tov::shell
