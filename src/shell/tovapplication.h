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

// Shows an error's text (Windows-1250) in a message box over the active window, and on
// standard error.
void showErrorMessage(const std::string& text);
// The same, once the event loop runs: over the main window at start-up, and never
// inside the call that found the problem.
void postErrorMessage(const std::string& text);

// Set in the environment, every message box closes itself with OK as soon as it is
// shown (its text is on standard error), and the main window says on standard error when
// it is shown: the start-up tests run the real program so, with no one to answer.
inline constexpr const char* kUnattendedVariable = "TOVANA_UNATTENDED";
bool isUnattended();
// Shows a notice (Windows-1250) in a message box over the active window.
void showInformation(const std::string& text);

// The window host's fatal stop: a message box, then the immediate end of the process.
class MessageBoxProcess final : public runtime::ProcessControl {
public:
    void showMessage(const std::string& text) override { showErrorMessage(text); }
    [[noreturn]] void endProcess() override;
};

} // namespace tov::shell
