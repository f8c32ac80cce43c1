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

void showErrorMessage(const std::string& text)
{
    constexpr int kTitleMessage = 1;
    QMessageBox box(QMessageBox::Critical, tov::text::toQString(message(kTitleMessage)),
                    tov::text::toQString(text), QMessageBox::Ok, QApplication::activeWindow());
    box.setAccessibleName(box.windowTitle());
    box.setAccessibleDescription(box.text());
    box.exec();
}

void MessageBoxProcess::endProcess()
{
    endProcessNow(EXIT_FAILURE);
}

} // namespace tov::shell
