// The notetaker's console screen: 24 lines of at most 80 Windows-1250 characters and the
// cursor. The screen is a model; the main window's memo and the review window observe it
// and never change it. Writing text at the cursor (wrapping, tab zones, scrolling) is the
// console's (console.h).
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

namespace tov::runtime {

inline constexpr int kScreenRows = 24;
inline constexpr int kScreenColumns = 80;

// The one cursor of the console. Its fields keep the notetaker's byte widths.
class tscrcursor {
public:
    uint8_t column() const { return column_; }
    uint8_t row() const { return row_; }
    void setcolumn(uint8_t column) { column_ = column; }
    void setrow(uint8_t row) { row_ = row; }

private:
    uint8_t column_ = 0; //: where the next text starts, 0 to 80; 80 means the line is full
    uint8_t row_ = 0;    //: the cursor's line, 0 to 23
};

// Told which lines now read differently, so a view redraws only those.
class ScreenObserver {
public:
    virtual ~ScreenObserver() = default;
    // Lines first to last (inclusive) changed; a scroll reports the whole screen.
    virtual void linesChanged(int first, int last) = 0;
};

// Always exactly 24 lines: a line never written is empty; a written line is 80 characters,
// its text followed by spaces.
class VirtualScreen {
public:
    VirtualScreen() { clear(); }

    // 24 empty lines, as the main window's creation leaves the screen.
    void clear();

    const std::string& line(int row) const { return lines_.at(static_cast<size_t>(row)); }
    const std::vector<std::string>& lines() const { return lines_; }

    void replaceLine(int row, std::string text);
    // Deletes line 0 and appends an empty line: the screen moves up by one line.
    void scrollUp();

    void setObserver(ScreenObserver* observer) { observer_ = observer; }

private:
    void notify(int first, int last);

    std::vector<std::string> lines_;
    ScreenObserver* observer_ = nullptr;
};

} // namespace tov::runtime
