// Qt keys as virtual keys, the held-key state, and the layout's echo character.
#include "input/qtkeys.h"

#include "common/text.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QKeyEvent>
#include <cstdlib>

#if defined(TOVANA_HAVE_XCB_XKB) && QT_CONFIG(xcb)
// The header names a field "explicit"; the C++ keyword must not see it.
#if defined(__clang__)
#pragma clang diagnostic push
#pragma clang diagnostic ignored "-Wkeyword-macro"
#endif
#define explicit xcb_explicit
#include <xcb/xkb.h>
#undef explicit
#if defined(__clang__)
#pragma clang diagnostic pop
#endif
#define TOVANA_ASK_XKB 1
#endif

namespace tov::input {
namespace {

// The spacing accent that a dead key types alone, and the combining mark of the letters it
// makes: dead caron and "r" give "ř", which decomposes into "r" and U+030C.
struct DeadKey {
    int key;
    char32_t accent;
    char32_t mark;
};
constexpr DeadKey kDeadKeys[] = {
    {Qt::Key_Dead_Grave, U'`', 0x0300},       {Qt::Key_Dead_Acute, 0x00B4, 0x0301},
    {Qt::Key_Dead_Circumflex, U'^', 0x0302},  {Qt::Key_Dead_Tilde, U'~', 0x0303},
    {Qt::Key_Dead_Macron, 0x00AF, 0x0304},    {Qt::Key_Dead_Breve, 0x02D8, 0x0306},
    {Qt::Key_Dead_Abovedot, 0x02D9, 0x0307},  {Qt::Key_Dead_Diaeresis, 0x00A8, 0x0308},
    {Qt::Key_Dead_Abovering, 0x00B0, 0x030A}, {Qt::Key_Dead_Doubleacute, 0x02DD, 0x030B},
    {Qt::Key_Dead_Caron, 0x02C7, 0x030C},     {Qt::Key_Dead_Cedilla, 0x00B8, 0x0327},
    {Qt::Key_Dead_Ogonek, 0x02DB, 0x0328},
};

bool isDeadKey(int key)
{
    return key >= Qt::Key_Dead_Grave && key <= Qt::Key_Dead_Longsolidusoverlay;
}

bool isModifierKey(int key)
{
    switch (key) {
    case Qt::Key_Shift:
    case Qt::Key_Control:
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
    case Qt::Key_Meta:
    case Qt::Key_CapsLock:
        return true;
    default:
        return false;
    }
}

} // namespace

int virtualKey(const QKeyEvent& event)
{
    const int key = event.key();
    const bool keypad = event.modifiers().testFlag(Qt::KeypadModifier);
    // Qt's codes of letters and digits are the virtual-key codes themselves.
    if (key >= Qt::Key_0 && key <= Qt::Key_9) {
        return keypad ? vk::kNumpad0 + (key - Qt::Key_0) : key;
    }
    if (key >= Qt::Key_A && key <= Qt::Key_Z) {
        return key;
    }
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) {
        return vk::kF1 + (key - Qt::Key_F1);
    }
    switch (key) {
    case Qt::Key_Backspace:
        return vk::kBack;
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
        return vk::kTab;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        return vk::kReturn;
    case Qt::Key_Shift:
        return vk::kShift;
    case Qt::Key_Control:
        return vk::kControl;
    case Qt::Key_Alt:
    case Qt::Key_AltGr:
        return vk::kMenu;
    case Qt::Key_Pause:
        return vk::kPause;
    case Qt::Key_CapsLock:
        return vk::kCapital;
    case Qt::Key_Escape:
        return vk::kEscape;
    case Qt::Key_Space:
        return vk::kSpace;
    case Qt::Key_PageUp:
        return vk::kPrior;
    case Qt::Key_PageDown:
        return vk::kNext;
    case Qt::Key_End:
        return vk::kEnd;
    case Qt::Key_Home:
        return vk::kHome;
    case Qt::Key_Left:
        return vk::kLeft;
    case Qt::Key_Up:
        return vk::kUp;
    case Qt::Key_Right:
        return vk::kRight;
    case Qt::Key_Down:
        return vk::kDown;
    case Qt::Key_Print:
        return vk::kSnapshot;
    case Qt::Key_Insert:
        return vk::kInsert;
    case Qt::Key_Delete:
        return vk::kDelete;
    case Qt::Key_Meta:
        return vk::kLWin;
    case Qt::Key_Menu:
        return vk::kApps;
    case Qt::Key_NumLock:
        return vk::kNumLock;
    case Qt::Key_ScrollLock:
        return vk::kScroll;
    case Qt::Key_Slash:
    case Qt::Key_Question:
        return vk::kOem2;
    default:
        return vk::kUnknown;
    }
}

Modifiers modifiersOf(const QKeyEvent& event)
{
    const Qt::KeyboardModifiers qt = event.modifiers();
    Modifiers m;
    if (qt.testFlag(Qt::ShiftModifier)) {
        m = m | Modifier::Shift;
    }
    if (qt.testFlag(Qt::ControlModifier)) {
        m = m | Modifier::Ctrl;
    }
    if (qt.testFlag(Qt::AltModifier)) {
        m = m | Modifier::Alt;
    }
    return m;
}

KeyStateTracker::KeyStateTracker(HeldKeys& held, QObject* parent) : QObject(parent), held_(held)
{
    if (QCoreApplication* app = QCoreApplication::instance()) {
        app->installEventFilter(this);
    }
}

bool KeyStateTracker::eventFilter(QObject* watched, QEvent* event)
{
    switch (event->type()) {
    case QEvent::KeyPress:
        held_.press(virtualKey(*static_cast<QKeyEvent*>(event)));
        break;
    case QEvent::KeyRelease: {
        const auto& key = *static_cast<QKeyEvent*>(event);
        if (!key.isAutoRepeat()) {
            held_.release(virtualKey(key));
        }
        break;
    }
    case QEvent::ApplicationStateChange:
        if (watched == QCoreApplication::instance() &&
            static_cast<QApplicationStateChangeEvent*>(event)->applicationState() !=
                Qt::ApplicationActive) {
            held_.clear();
        }
        break;
    default:
        break;
    }
    return false;
}

namespace {

bool askForDetectableAutoRepeat()
{
#ifdef TOVANA_ASK_XKB
    auto* app = qGuiApp;
    auto* x11 =
        app == nullptr ? nullptr : app->nativeInterface<QNativeInterface::QX11Application>();
    if (x11 == nullptr || x11->connection() == nullptr) {
        return false;
    }
    xcb_connection_t* connection = x11->connection();
    xcb_xkb_use_extension_reply_t* use = xcb_xkb_use_extension_reply(
        connection, xcb_xkb_use_extension(connection, XCB_XKB_MAJOR_VERSION, XCB_XKB_MINOR_VERSION),
        nullptr);
    const bool supported = use != nullptr && use->supported != 0;
    std::free(use);
    if (!supported) {
        return false;
    }
    const uint32_t flag = XCB_XKB_PER_CLIENT_FLAG_DETECTABLE_AUTO_REPEAT;
    xcb_xkb_per_client_flags_reply_t* flags = xcb_xkb_per_client_flags_reply(
        connection,
        xcb_xkb_per_client_flags(connection, XCB_XKB_ID_USE_CORE_KBD, flag, flag, 0, 0, 0),
        nullptr);
    const bool granted = flags != nullptr && (flags->value & flag) != 0;
    std::free(flags);
    return granted;
#else
    return false;
#endif
}

} // namespace

bool requestDetectableAutoRepeat()
{
    static const bool granted = askForDetectableAutoRepeat();
    return granted;
}

std::optional<char> LayoutEcho::character(const QKeyEvent& event)
{
    const int key = event.key();
    if (isDeadKey(key)) {
        pendingAccent_ = 0;
        pendingMark_ = 0;
        for (const DeadKey& dead : kDeadKeys) {
            if (dead.key == key) {
                pendingAccent_ = dead.accent;
                pendingMark_ = dead.mark;
            }
        }
        return std::nullopt;
    }
    if (isModifierKey(key)) {
        return std::nullopt; // Shift between a dead key and its capital letter
    }
    const char32_t accent = pendingAccent_;
    const char32_t mark = pendingMark_;
    pendingAccent_ = 0;
    pendingMark_ = 0;
    const QString produced = event.text();
    if (virtualKey(event) == vk::kOem2 || produced.isEmpty()) {
        return std::nullopt;
    }
    char32_t ch = produced.at(0).unicode();
    if (accent != 0 && !produced.at(0).decomposition().contains(QChar(mark))) {
        ch = accent;
    }
    return text::fromUnicode(ch);
}

} // namespace tov::input
