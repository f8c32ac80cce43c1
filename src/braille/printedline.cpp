// Following PRINT onto the display.
#include "braille/printedline.h"

namespace tov::braille {

PrintedLines::PrintedLines(const runtime::VirtualScreen& screen,
                           const runtime::AnswerRecord& answers, BrailleView& view)
    : screen_(screen), answers_(answers), view_(view)
{
    view_.setScreen({[this](int row) { return screen_.line(row); }, [this] { return lastRow_; }});
}

void PrintedLines::printed(const runtime::PrintedText& printed)
{
    lastRow_ = printed.row;
    if (answerStartEnded_) {
        return;
    }
    const std::string line = screen_.line(printed.row);
    if (!hasAnswerStart_ && line.find_first_not_of(' ') == std::string::npos) {
        return; // blank lines before the answer's text
    }
    // "Máš: " then "dopis" on the same line: the start grows until its line ends.
    hasAnswerStart_ = true;
    answerStartEnded_ = printed.endsLine;
    view_.showPrinted(line);
}

void PrintedLines::inputStarted()
{
    const runtime::Answer* answer = answers_.justAnswered();
    view_.showAnswer(answer ? answer->textLines() : std::vector<std::string>{});
}

void PrintedLines::inputEnded(std::string_view /*line*/)
{
    hasAnswerStart_ = false;
    answerStartEnded_ = false;
}

} // namespace tov::braille
