// The answers of a session: everything the program prints from the end of one INPUT to
// the start of the next is one answer ("jsi na začátku širokého koridoru ..." after "v"),
// the opening being the first. The record keeps the last kKeptAnswers of them, each as the
// lines printed, and is the one place every output reads an answer from: the braille
// display starts on its first line, Alt+1 to Alt+9 say one again, the screen-reader
// announcer hands the latest to the input dialog, the transcript writes them down.
// It follows the console's print channel; subscribe it before the outputs that read it,
// since observers are told in order. Text stays Windows-1250, as the console prints it.
// No Qt here: every host links it as it is. All of this runs on the console's thread.
#pragma once

#include "runtime/console.h"

#include <cstddef>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

namespace tov::runtime {

//: how many answers a session keeps for hearing again
inline constexpr size_t kKeptAnswers = 100;

struct Answer {
    //: the lines as printed, blank ones included; a line continued with ";" or "," is one
    //: line ("Máš: " then "dopis" is "Máš: dopis"), a tab zone a single space
    std::vector<std::string> lines;

    // The lines that have text, without blanks around them: what is read out.
    std::vector<std::string> textLines() const;
    // The same lines as one text, a line end between two.
    std::string text() const;
    bool hasText() const;
};

class AnswerRecord final : public PrintObserver {
public:
    void printed(const PrintedText& printed) override;
    void inputStarted() override;
    void inputEnded(std::string_view line) override;

    // How many answers with text are kept.
    size_t count() const { return answers_.size(); }
    // The last answer with text when `back` is 1, the one before it when 2, and so on;
    // nullptr when there are fewer (or `back` is 0).
    const Answer* answer(size_t back) const;
    // The answer being printed, its ended lines so far (empty while INPUT waits).
    const Answer& current() const { return current_; }
    // What the wait that has just begun answered: nullptr when INPUT asked again with
    // nothing printed in between, or before the first INPUT.
    const Answer* justAnswered() const;

private:
    void endLine();

    std::deque<Answer> answers_;   //: oldest first, at most kKeptAnswers
    Answer current_;               //: printed since the last INPUT ended
    std::string line_;             //: the line being printed, not yet ended
    bool hasJustAnswered_ = false; //: the latest INPUT's start closed an answer with text
};

// What Alt+1 to Alt+9 say: the answer that far back, or in the interface language that
// there is none.
std::string answerToSay(const AnswerRecord& record, size_t back);

} // namespace tov::runtime
