// Error reporting of the window host.
#include "shell/tovapplication.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "shell/processexit.h"

#include <QMessageBox>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

namespace tov::shell {

bool TovApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (const std::exception& error) {
        showErrorMessage(error.what());
    }
    return false;
}

namespace {

void showBox(QMessageBox::Icon icon, const std::string& text)
{
    // The same words on standard error: a user who started the program from a terminal,
    // and a test that started it, can read them there.
    std::fprintf(stderr, "tovana: %s\n", tov::text::toUtf8(text).c_str());
    std::fflush(stderr);
    constexpr int kTitleMessage = 1;
    QMessageBox box(icon, tov::text::toQString(message(kTitleMessage)), tov::text::toQString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    if (isUnattended()) {
        QTimer::singleShot(0, &box, &QMessageBox::accept);
    }
    box.exec();
}

} // namespace

bool isUnattended()
{
    static const bool unattended = qEnvironmentVariableIsSet(kUnattendedVariable);
    return unattended;
}

void postErrorMessage(const std::string& text)
{
    QMetaObject::invokeMethod(
        qApp, [text] { showErrorMessage(text); }, Qt::QueuedConnection);
}

void showErrorMessage(const std::string& text)
{
    showBox(QMessageBox::Critical, text);
}

void showInformation(const std::string& text)
{
    showBox(QMessageBox::Information, text);
}

void MessageBoxProcess::endProcess()
{
    endProcessNow(EXIT_FAILURE);
}

} // namespace tov::shell
