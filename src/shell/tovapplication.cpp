// Error reporting of the window host.
#include "shell/tovapplication.h"

#include "common/localizer.h"
#include "common/qtext.h"
#include "shell/processexit.h"

#include <QMessageBox>
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
    constexpr int kTitleMessage = 1;
    QMessageBox box(icon, tov::text::toQString(message(kTitleMessage)), tov::text::toQString(text),
                    QMessageBox::Ok, QApplication::activeWindow());
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    box.exec();
}

} // namespace

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
