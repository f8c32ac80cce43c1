// The main window's keys and its braille keyboard item.
#include "input/mainwindowkeys.h"

#include "common/qcaptions.h"
#include "runtime/switchtones.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

namespace tov::input {
namespace {

} // namespace

MainWindowKeys::MainWindowKeys(MainWindowHosts hosts, QObject* parent)
    : QObject(parent), hosts_(std::move(hosts)), tracker_(hosts_.keyboard->held)
{
}

void MainWindowKeys::watch(QWidget& window)
{
    window_ = &window;
    window.installEventFilter(this);
    for (QWidget* child : window.findChildren<QWidget*>()) {
        if (child->window() == &window) {
            child->installEventFilter(this);
        }
    }
}

bool MainWindowKeys::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() != QEvent::KeyPress) {
        return false;
    }
    // A key the focused control does not take travels on to its parents; the window saw
    // it already at the control, so only the control's own delivery counts.
    const auto* widget = static_cast<QWidget*>(watched);
    const QWidget* focused = QApplication::focusWidget();
    if (focused != widget && widget->isAncestorOf(focused) && focused->window() == window_) {
        return false;
    }
    FormKeyDown(*static_cast<QKeyEvent*>(event));
    return false;
}

void MainWindowKeys::FormKeyDown(const QKeyEvent& event)
{
    FormKeyDown(virtualKey(event), modifiersOf(event));
}

void MainWindowKeys::FormKeyDown(int key, Modifiers modifiers)
{
    hosts_.speech->stopspeech();
    if (hosts_.endwait) {
        hosts_.endwait();
    }
    const HeldKeys& held = hosts_.keyboard->held;
    if (key == vk::kUp || key == vk::kDown) {
        bool otherArrow = false;
        for (int arrow = vk::kLeft; arrow <= vk::kDown; ++arrow) {
            otherArrow = otherArrow || (arrow != key && held.isHeld(arrow));
        }
        const bool shift = modifiers.has(Modifier::Shift) || held.isHeld(vk::kShift);
        if (!otherArrow && !shift && !held.isHeld(vk::kSpace) && hosts_.programstarted &&
            hosts_.programstarted() && hosts_.openReview) {
            hosts_.openReview();
        }
    }
    if (key == vk::kF4 && modifiers.has(Modifier::Alt) && hosts_.exitProgram) {
        hosts_.exitProgram();
    }
    if (const size_t back = answerKeyBack(key, modifiers); back != 0 && hosts_.sayAnswer) {
        hosts_.sayAnswer(back);
    }
}

void MainWindowKeys::attachbraillekeyboarditem(QAction& item)
{
    item.setCheckable(true);
    item.setChecked(hosts_.keyboard->braillekeys);
    item.setShortcut(QKeySequence(Qt::CTRL | Qt::Key_B));
    item.setText(caption(Message::BrailleKeyboard));
    item.setToolTip(withoutAccelerator(caption(Message::BrailleKeyboard)));
    connect(&item, &QAction::triggered, this, [this, &item] { braillekeyboarditemClick(item); });
}

void MainWindowKeys::braillekeyboarditemClick(QAction& item)
{
    // Braille mode is the truth: a checkable action has already flipped its own mark by
    // the time its command runs.
    if (hosts_.keyboard->braillekeys) {
        item.setChecked(false);
        runtime::playSwitchTones(*hosts_.sounds, runtime::Switched::Off);
    } else {
        runtime::playSwitchTones(*hosts_.sounds, runtime::Switched::On);
        item.setChecked(true);
    }
    hosts_.keyboard->braillekeys = item.isChecked();
    if (hosts_.writesettings) {
        hosts_.writesettings();
    }
}

} // namespace tov::input
