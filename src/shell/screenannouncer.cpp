// Handing a screen reader the lines printed since the input dialog last showed.
#include "shell/screenannouncer.h"

#include "common/qtext.h"

#include <QWidget>

namespace tov::shell {

void ScreenAnnouncer::printed(const runtime::PrintedText& printed)
{
    if (ownVoiceSpeaks_ && ownVoiceSpeaks_()) {
        return;
    }
    // A line continued with ";" or "," is still one line for the listener's ear.
    line_ += text::toQString(std::string(printed.text));
    if (printed.mode == runtime::PrintMode::NextZone) {
        line_ += QLatin1Char(' ');
    }
    if (printed.mode == runtime::PrintMode::EndLine) {
        endLine();
    }
}

void ScreenAnnouncer::inputStarted()
{
    endLine(); // a prompt printed with ";" belongs to this showing
    dialog_.setAccessibleDescription(pending_.join(QLatin1Char('\n')));
    pending_.clear();
}

void ScreenAnnouncer::endLine()
{
    if (!line_.trimmed().isEmpty()) {
        pending_ << line_.trimmed();
    }
    line_.clear();
}

} // namespace tov::shell
