// Qt's key events in the terms of the key handlers: the one translation of Qt's keys into
// virtual-key codes, the shift state, the held-key state fed from every key event of the
// application, and the character an ordinary key echoes under the keyboard layout.
#pragma once

#include "input/heldkeys.h"
#include "input/virtualkeys.h"

#include <QObject>
#include <optional>

class QKeyEvent;

namespace tov::input {

// The virtual-key code of the key; vk::kUnknown for a key none of the handlers names.
int virtualKey(const QKeyEvent& event);
Modifiers modifiersOf(const QKeyEvent& event);

// Keeps a HeldKeys up to date from every key press and release that reaches any object of
// the application, before the object itself sees it: the handler of a key event reads a
// state that already includes that event. Releases of the keyboard's auto-repeat are not
// releases (the key is still down). When the application loses the keyboard every key
// counts as released, since the releases will go to another program.
class KeyStateTracker : public QObject {
    Q_OBJECT
public:
    // Installs itself on the application; `held` must outlive it.
    explicit KeyStateTracker(HeldKeys& held, QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    HeldKeys& held_;
};

// Asks the X server to send a held key's auto-repeat as presses only (XKB's detectable
// auto-repeat, a flag of this client's connection), as the keyboards of the notetaker's
// platform did; without it X11 sends release + press pairs, and a release taken as real
// types a held chord again. Asked once per process; true when the server granted it.
// False on any other display server (Wayland repeats presses in the client already).
bool requestDetectableAutoRepeat();

// The character that an ordinary key press echoes: the first character the key produces
// with the current layout and modifiers, in Windows-1250. A dead key echoes nothing but is
// remembered: when the next key combines with it (dead acute, then "a") the combined "á"
// is echoed; when it does not (dead acute, then "x") the two give "´x" and the first of
// them, the accent, is echoed. The "/ ?" key of the US layout echoes nothing.
class LayoutEcho {
public:
    std::optional<char> character(const QKeyEvent& event);

private:
    char32_t pendingAccent_ = 0; //: the spacing accent of a dead key waiting for its letter
    char32_t pendingMark_ = 0;   //: the combining mark that letter would carry
};

} // namespace tov::input
