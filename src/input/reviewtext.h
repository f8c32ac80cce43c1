// The review window's copy of the screen as a text: each screen line followed by a line
// break of CR LF, so the caret can stand on every character, on the CR that ends each
// line (which the echo names like any character) and on the empty position after the
// last line. Lines and columns are counted from 0 here and spoken from 1.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace tov::input {

class ReviewText {
public:
    ReviewText() = default;
    explicit ReviewText(const std::vector<std::string>& lines);

    const std::string& text() const { return text_; }
    // The lines and the position after the last one: 25 for a screen of 24 lines.
    int lineCount() const { return static_cast<int>(starts_.size()); }
    // The line's characters without its line break; empty past the last screen line.
    std::string_view line(int index) const;
    // The offset in text() of the column of a line; each earlier line counts its length
    // plus 2 for its line break. Out-of-range places are held to the nearest one.
    size_t offsetOf(int line, int column) const;
    // The very start or the very end of the whole text.
    bool isTextBoundary(size_t offset) const { return offset == 0 || offset >= text_.size(); }

private:
    std::string text_;
    std::vector<size_t> starts_{0}; //: offset of each line's first character
};

// What F2 speaks: message 31, the line, message 32, the column, both counted from 1:
// "line 3, column 5" in English.
std::string caretPosition(int line, int column);

} // namespace tov::input
