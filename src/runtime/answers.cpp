// Collecting what is printed into answers, one per INPUT.
#include "runtime/answers.h"

#include "common/localizer.h"

#include <algorithm>

namespace tov::runtime {
namespace {

std::string withoutOuterBlanks(const std::string& line)
{
    const size_t first = line.find_first_not_of(' ');
    if (first == std::string::npos) {
        return {};
    }
    return line.substr(first, line.find_last_not_of(' ') + 1 - first);
}

} // namespace

std::vector<std::string> Answer::textLines() const
{
    std::vector<std::string> result;
    for (const std::string& line : lines) {
        std::string text = withoutOuterBlanks(line);
        if (!text.empty()) {
            result.push_back(std::move(text));
        }
    }
    return result;
}

std::string Answer::text() const
{
    std::string joined;
    for (const std::string& line : textLines()) {
        if (!joined.empty()) {
            joined += '\n';
        }
        joined += line;
    }
    return joined;
}

bool Answer::hasText() const
{
    return std::any_of(lines.begin(), lines.end(), [](const std::string& line) {
        return line.find_first_not_of(' ') != std::string::npos;
    });
}

void AnswerRecord::printed(const PrintedText& printed)
{
    line_ += printed.text;
    if (printed.mode == PrintMode::NextZone && !printed.endsLine) {
        line_ += ' ';
    }
    if (printed.endsLine) {
        endLine();
    }
}

void AnswerRecord::endLine()
{
    current_.lines.push_back(std::move(line_));
    line_.clear();
}

void AnswerRecord::inputStarted()
{
    if (!line_.empty()) {
        endLine(); // a prompt printed with ";" is the answer's last line
    }
    hasJustAnswered_ = current_.hasText();
    if (hasJustAnswered_) {
        answers_.push_back(std::move(current_));
        if (answers_.size() > kKeptAnswers) {
            answers_.pop_front();
        }
    }
    current_ = {};
}

void AnswerRecord::inputEnded(std::string_view /*line*/)
{
    // Whatever came before the wait belongs to the answer it closed; printing begins anew.
    current_ = {};
    line_.clear();
    hasJustAnswered_ = false;
}

const Answer* AnswerRecord::answer(size_t back) const
{
    if (back == 0 || back > answers_.size()) {
        return nullptr;
    }
    return &answers_[answers_.size() - back];
}

const Answer* AnswerRecord::justAnswered() const
{
    return hasJustAnswered_ ? &answers_.back() : nullptr;
}

std::string answerToSay(const AnswerRecord& record, size_t back)
{
    const Answer* answer = record.answer(back);
    return answer ? answer->text() : message(Message::NoAnswer);
}

} // namespace tov::runtime
