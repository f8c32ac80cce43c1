// Panning and routing over one line.
#include "braille/window.h"

#include <algorithm>

namespace tov::braille {

void BrailleWindow::setWidth(size_t width)
{
    width_ = width;
    // A new width starts from a whole multiple of itself, so panning stays on its grid.
    offset_ = width_ == 0 ? 0 : offset_ / width_ * width_;
    clamp();
}

void BrailleWindow::setLength(size_t length)
{
    length_ = length;
    clamp();
}

void BrailleWindow::clamp()
{
    while (width_ != 0 && offset_ != 0 && offset_ >= length_) {
        offset_ -= std::min(width_, offset_);
    }
}

void BrailleWindow::follow(size_t column)
{
    if (width_ == 0) {
        return;
    }
    if (column < offset_ || column >= offset_ + width_) {
        offset_ = column / width_ * width_;
    }
}

bool BrailleWindow::panLeft()
{
    if (width_ == 0 || offset_ == 0) {
        return false;
    }
    offset_ -= std::min(width_, offset_);
    return true;
}

bool BrailleWindow::panRight()
{
    if (width_ == 0 || offset_ + width_ >= length_) {
        return false;
    }
    offset_ += width_;
    return true;
}

std::optional<size_t> BrailleWindow::columnOf(size_t cell) const
{
    if (cell >= width_ || offset_ + cell >= length_) {
        return std::nullopt;
    }
    return offset_ + cell;
}

std::vector<Cell> windowCells(const std::vector<Cell>& line, const BrailleWindow& window,
                              std::optional<size_t> cursor)
{
    std::vector<Cell> cells(window.width(), kBlankCell);
    for (size_t cell = 0; cell < cells.size(); ++cell) {
        const size_t column = window.offset() + cell;
        if (column < line.size()) {
            cells[cell] = line[column];
        }
        if (cursor && *cursor == column) {
            cells[cell] |= kCursorDots;
        }
    }
    return cells;
}

} // namespace tov::braille
