// The display's window over one line: a display of 40 cells shows columns 0 to 39, its
// right panning key columns 40 to 79, and a routing key names the column under it.
// Pure arithmetic, no display and no threads.
#pragma once

#include "braille/cells.h"

#include <cstddef>
#include <optional>
#include <vector>

namespace tov::braille {

class BrailleWindow {
public:
    // 0 cells: no display; nothing is shown and no key finds a column.
    void setWidth(size_t width);
    // The columns the line has (an input line one more than its text, for the cursor at
    // its end). The window never starts past them.
    void setLength(size_t length);
    // Back to the line's start, as for a newly printed line.
    void reset() { offset_ = 0; }
    // Moves the window by whole widths until it shows `column`; a visible column leaves
    // the window alone, so panning away from the cursor holds until the cursor moves.
    void follow(size_t column);
    // False, and nothing moves, at either end of the line.
    bool panLeft();
    bool panRight();
    // The line's column under the cell (0 is the display's leftmost), none past the
    // line's end or the display's.
    std::optional<size_t> columnOf(size_t cell) const;

    size_t width() const { return width_; }
    size_t offset() const { return offset_; }
    size_t length() const { return length_; }

private:
    void clamp();

    size_t width_ = 0;
    size_t length_ = 0;
    size_t offset_ = 0; //: the line's column in the display's leftmost cell
};

// The cells the display shows: the window's part of the line, blank cells after its end,
// and dots 7 and 8 added under the cursor column when the window shows it.
std::vector<Cell> windowCells(const std::vector<Cell>& line, const BrailleWindow& window,
                              std::optional<size_t> cursor);

} // namespace tov::braille
