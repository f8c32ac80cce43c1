// The window manager's close request for a blocked main window, caught on X11.
#include "shell/windowclose.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QMetaObject>
#include <QWindow>
#include <cstdlib>
#include <cstring>
#include <utility>

#if defined(TOVANA_HAVE_XCB) && QT_CONFIG(xcb)
#include <xcb/xcb.h>
#define TOVANA_WATCH_XCB 1
#endif

namespace tov::shell {
namespace {

#ifdef TOVANA_WATCH_XCB
xcb_connection_t* x11Connection()
{
    auto* app = qGuiApp;
    auto* x11 =
        app == nullptr ? nullptr : app->nativeInterface<QNativeInterface::QX11Application>();
    return x11 == nullptr ? nullptr : x11->connection();
}

// Sends the intern request only: the reply is read when a client message first arrives,
// so start-up does not wait for the X server.
std::uint32_t askAtom(xcb_connection_t* connection, const char* name)
{
    return xcb_intern_atom(connection, 1, static_cast<uint16_t>(std::strlen(name)), name).sequence;
}

std::uint32_t readAtom(xcb_connection_t* connection, std::uint32_t sequence)
{
    xcb_intern_atom_reply_t* reply =
        xcb_intern_atom_reply(connection, xcb_intern_atom_cookie_t{sequence}, nullptr);
    const xcb_atom_t atom = reply == nullptr ? xcb_atom_t{XCB_ATOM_NONE} : reply->atom;
    std::free(reply);
    return atom;
}

// Qt blocks every other window while an application-modal dialog runs, and a
// window-modal one's parent; every modal dialog of this program belongs to the main
// window, so a modal window other than the main window itself blocks it.
bool isBlockedByModal(const QWidget& window)
{
    const QWindow* modal = QGuiApplication::modalWindow();
    return modal != nullptr && modal != window.windowHandle();
}
#endif

} // namespace

WindowCloseWatch::WindowCloseWatch(QWidget& window, std::function<void()> onClose)
    : window_(&window), onClose_(std::move(onClose))
{
#ifdef TOVANA_WATCH_XCB
    xcb_connection_t* connection = x11Connection();
    if (connection == nullptr) {
        return; // Wayland, offscreen or another platform: see the header
    }
    protocolsCookie_ = askAtom(connection, "WM_PROTOCOLS");
    deleteCookie_ = askAtom(connection, "WM_DELETE_WINDOW");
    QCoreApplication::instance()->installNativeEventFilter(this);
    installed_ = true;
#endif
}

WindowCloseWatch::~WindowCloseWatch()
{
    if (installed_ && QCoreApplication::instance() != nullptr) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
    }
}

bool WindowCloseWatch::nativeEventFilter(const QByteArray& eventType, void* message,
                                         qintptr* /*result*/)
{
#ifdef TOVANA_WATCH_XCB
    if (eventType != "xcb_generic_event_t" || message == nullptr) {
        return false;
    }
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    if ((event->response_type & ~0x80) != XCB_CLIENT_MESSAGE || !isDeleteRequest(event)) {
        return false;
    }
    // Ended from the filter itself, the program would stop inside Qt's event dispatch;
    // queued, it ends from the dialog's own loop a moment later.
    QMetaObject::invokeMethod(window_.data(), onClose_, Qt::QueuedConnection);
    return true; // Qt would drop it anyway
#else
    (void)eventType;
    (void)message;
    return false;
#endif
}

bool WindowCloseWatch::isDeleteRequest(const void* clientMessage)
{
#ifdef TOVANA_WATCH_XCB
    if (window_ == nullptr || !isBlockedByModal(*window_)) {
        return false; // an unblocked window closes through Qt's own close event
    }
    const QWindow* handle = window_->windowHandle();
    const auto* event = static_cast<const xcb_client_message_event_t*>(clientMessage);
    if (handle == nullptr || event->window != handle->winId() || event->format != 32) {
        return false;
    }
    if (!atomsKnown_) {
        xcb_connection_t* connection = x11Connection();
        if (connection == nullptr) {
            return false;
        }
        protocolsAtom_ = readAtom(connection, protocolsCookie_);
        deleteAtom_ = readAtom(connection, deleteCookie_);
        atomsKnown_ = true;
    }
    return protocolsAtom_ != XCB_ATOM_NONE && event->type == protocolsAtom_ &&
           event->data.data32[0] == deleteAtom_;
#else
    (void)clientMessage;
    return false;
#endif
}

} // namespace tov::shell
