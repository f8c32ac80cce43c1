// A screen reader beside the program, with the program's own voice off, must hear every
// printed line. Orca (43) speaks no text inserted into a memo that is not focused, and the
// memo never is while the program runs: the input dialog is back before Orca would look.
// What Orca does read is the dialog as it becomes active: its name, its role and its
// accessible description. So the lines printed since the dialog last showed become its
// description for the next showing ("vzal jsi dopis" after "vezmi dopis"), each line once
// and in order; with the program's own voice on nothing is collected, so nothing is said
// twice. It follows the console's print channel like every other output.
// All of this runs on the GUI thread.
#pragma once

#include "runtime/console.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tov::shell {

class ScreenAnnouncer final : public runtime::PrintObserver {
public:
    // `ownVoiceSpeaks` tells whether the program's own voice reads what is printed;
    // `dialog` is the input dialog's window, which carries the lines.
    ScreenAnnouncer(std::function<bool()> ownVoiceSpeaks, QWidget& dialog)
        : ownVoiceSpeaks_(std::move(ownVoiceSpeaks)), dialog_(dialog)
    {
    }

    void printed(const runtime::PrintedText& printed) override;
    void inputStarted() override;

private:
    void endLine();

    std::function<bool()> ownVoiceSpeaks_;
    QWidget& dialog_;
    QStringList pending_; //: printed since the dialog last showed, oldest first
    QString line_;        //: the line being printed, not yet ended
};

} // namespace tov::shell
