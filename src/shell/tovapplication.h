// The application object. An error that escapes a menu command or key handler ends that
// command only: its text is shown in a message box and the process goes on.
#pragma once

#include "runtime/host.h"

#include <QApplication>

namespace tov::shell {

class TovApplication : public QApplication {
public:
    TovApplication(int& argc, char** argv) : QApplication(argc, argv) {}
    bool notify(QObject* receiver, QEvent* event) override;
};

// Shows an error's text (Windows-1250) in a message box over the active window.
void showErrorMessage(const std::string& text);
// Shows a notice (Windows-1250) in a message box over the active window.
void showInformation(const std::string& text);

// The window host's fatal stop: a message box, then the immediate end of the process.
class MessageBoxProcess final : public runtime::ProcessControl {
public:
    void showMessage(const std::string& text) override { showErrorMessage(text); }
    [[noreturn]] void endProcess() override;
};

} // namespace tov::shell
