// The review window's text and the caret position it speaks.
#include "input/reviewtext.h"

#include "common/localizer.h"

#include <algorithm>

namespace tov::input {
namespace {

constexpr std::string_view kLineBreak = "\r\n";

} // namespace

ReviewText::ReviewText(const std::vector<std::string>& lines)
{
    for (const std::string& line : lines) {
        text_ += line;
        text_ += kLineBreak;
        starts_.push_back(text_.size());
    }
}

std::string_view ReviewText::line(int index) const
{
    if (index < 0 || index >= lineCount() - 1) {
        return {};
    }
    const size_t start = starts_[static_cast<size_t>(index)];
    const size_t end = starts_[static_cast<size_t>(index) + 1] - kLineBreak.size();
    return std::string_view(text_).substr(start, end - start);
}

size_t ReviewText::offsetOf(int line, int column) const
{
    const int last = lineCount() - 1;
    const size_t index = static_cast<size_t>(std::clamp(line, 0, last));
    const size_t length = line >= last ? 0 : this->line(static_cast<int>(index)).size();
    // The CR of the line break is a caret position of its own: column == length.
    return starts_[index] + std::min(static_cast<size_t>(std::max(column, 0)), length);
}

std::string caretPosition(int line, int column)
{
    return message(Message::Line) + " " + std::to_string(line + 1) + ", " +
           message(Message::Column) + " " + std::to_string(column + 1);
}

} // namespace tov::input
