// Handing a screen reader the lines printed since the input dialog last showed.
#include "shell/screenannouncer.h"

#include "common/qtext.h"

#include <QWidget>

namespace tov::shell {

void ScreenAnnouncer::inputStarted()
{
    const runtime::Answer* answer = answers_.justAnswered();
    dialog_.setAccessibleDescription(answer && !ownVoiceSpeaks() ? text::toQString(answer->text())
                                                                 : QString());
}

void ScreenAnnouncer::hand(const std::string& text)
{
    notice_.post(text::toQString(text));
}

} // namespace tov::shell
