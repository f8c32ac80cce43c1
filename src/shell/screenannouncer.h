// A screen reader beside the program, with the program's own voice off, must hear every
// printed line. Orca (43) speaks no text inserted into a memo that is not focused, and the
// memo never is while the program runs: the input dialog is back before Orca would look.
// What Orca does read is the dialog as it becomes active: its name, its role and its
// accessible description. So the answer printed since the dialog last showed becomes its
// description for the next showing ("vzal jsi dopis" after "vezmi dopis"), each line once
// and in order, read from the session's answer record; with the program's own voice on
// the description stays empty, so nothing is said twice. It follows the console's print
// channel after the record. Alt+1 to Alt+9 hand an answer over as a notification
// (screennotice.h): the dialog is not shown anew for them, and the focus stays put.
// All of this runs on the GUI thread.
#pragma once

#include "runtime/answers.h"
#include "runtime/console.h"
#include "shell/screennotice.h"

#include <QString>
#include <QStringList>
#include <functional>

class QWidget;

namespace tov::shell {

class ScreenAnnouncer final : public runtime::PrintObserver {
public:
    // `ownVoiceSpeaks` tells whether the program's own voice reads what is printed;
    // `dialog` is the input dialog's window, which carries the lines; `answers` is the
    // record told of each print before this announcer; `tell` is the notification's
    // (screennotice.h).
    ScreenAnnouncer(std::function<bool()> ownVoiceSpeaks, QWidget& dialog,
                    const runtime::AnswerRecord& answers, ScreenNotice::Teller tell = {})
        : ownVoiceSpeaks_(std::move(ownVoiceSpeaks)), dialog_(dialog), answers_(answers),
          notice_(std::move(tell))
    {
    }

    void printed(const runtime::PrintedText& /*printed*/) override {}
    void inputStarted() override;

    // Whether the program's own voice reads what is printed.
    bool ownVoiceSpeaks() const { return ownVoiceSpeaks_ && ownVoiceSpeaks_(); }
    // Hands the screen reader an answer asked for again (Windows-1250, lines apart) as a
    // notification; the focused control keeps the focus and its description.
    void hand(const std::string& text);

private:
    std::function<bool()> ownVoiceSpeaks_;
    QWidget& dialog_;
    const runtime::AnswerRecord& answers_;
    ScreenNotice notice_;
};

} // namespace tov::shell
