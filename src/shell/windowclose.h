// The window manager's close request for the main window while a modal dialog blocks it.
// Qt drops that request (a blocked window gets no close event), so the user who closes
// the main window while the input dialog waits for a command would see nothing happen.
// This watch catches the request below Qt, on X11, and ends the program instead. It
// holds no other window behaviour: an unblocked window closes through Qt as always.
//
// On Wayland the compositor's close reaches Qt as the same close event, dropped the same
// way, and Qt hands no raw Wayland event to a filter; there the request is lost and the
// window stays open, as before. Other platforms are left as they are.
// All of this runs on the GUI thread.
#pragma once

#include <QAbstractNativeEventFilter>
#include <QPointer>
#include <QWidget>
#include <cstdint>
#include <functional>

namespace tov::shell {

class WindowCloseWatch final : public QAbstractNativeEventFilter {
public:
    // Watches `window` (the main window); `onClose` runs on the GUI thread, after the
    // native event is handled, when the window manager asks to close the window while a
    // modal dialog blocks it. Installs itself only when the program runs on X11.
    WindowCloseWatch(QWidget& window, std::function<void()> onClose);
    ~WindowCloseWatch() override;
    WindowCloseWatch(const WindowCloseWatch&) = delete;
    WindowCloseWatch& operator=(const WindowCloseWatch&) = delete;

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    bool isDeleteRequest(const void* clientMessage);

    QPointer<QWidget> window_;
    std::function<void()> onClose_;
    bool installed_ = false; //: the filter is on the application (X11 only)
    //: the two atoms' intern requests, sent at start-up, answered by the first message
    std::uint32_t protocolsCookie_ = 0;
    std::uint32_t deleteCookie_ = 0;
    bool atomsKnown_ = false;         //: the replies below were read
    std::uint32_t protocolsAtom_ = 0; //: WM_PROTOCOLS, the type of the request
    std::uint32_t deleteAtom_ = 0;    //: WM_DELETE_WINDOW, the protocol it names
};

} // namespace tov::shell
