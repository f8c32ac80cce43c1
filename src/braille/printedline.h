// What the program prints, for the display: one observer of the console's print channel,
// told of every PRINT after the screen shows it, before it is spoken. It shows where each
// answer begins, and hands the view the answer INPUT waits after, from the session's
// answer record (told of each print before this observer).
#pragma once

#include "braille/view.h"
#include "runtime/answers.h"
#include "runtime/console.h"

namespace tov::braille {

class PrintedLines final : public runtime::PrintObserver {
public:
    // Gives the view the screen to pan back over: its lines, up from the last PRINT.
    PrintedLines(const runtime::VirtualScreen& screen, const runtime::AnswerRecord& answers,
                 BrailleView& view);

    void printed(const runtime::PrintedText& printed) override;
    void inputStarted() override;
    void inputEnded(std::string_view line) override;

private:
    const runtime::VirtualScreen& screen_;
    const runtime::AnswerRecord& answers_;
    BrailleView& view_;
    int lastRow_ = 0; //: the row the last PRINT ended on; panning up starts there
    //: the answer's first line with text has been shown ...
    bool hasAnswerStart_ = false;
    //: ... and has ended since: what follows it is left for panning
    bool answerStartEnded_ = false;
};

} // namespace tov::braille
