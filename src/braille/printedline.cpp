// Following PRINT onto the display.
#include "braille/printedline.h"

#include <algorithm>

namespace tov::braille {

int printedRow(const runtime::tscrcursor& cursor, runtime::PrintMode mode)
{
    const int row = cursor.row();
    const bool endedLine = mode == runtime::PrintMode::EndLine ||
                           (mode == runtime::PrintMode::NextZone && cursor.column() == 0);
    // Ending the line on the last row scrolled the screen: the text moved up with it, so
    // it is one row above the cursor either way.
    return endedLine ? std::max(0, row - 1) : row;
}

ScreenLines screenOf(runtime::Console& console)
{
    return {[&console](int row) { return console.screen().line(row); },
            [&console] {
                // The cursor's row when text stands before the cursor, else the row above.
                const int row = console.cursor().row();
                return console.cursor().column() == 0 ? std::max(0, row - 1) : row;
            }};
}

void PrintedLines::printed(std::string_view text, runtime::PrintMode mode)
{
    if (next_ != nullptr) {
        next_->printed(text, mode);
    }
    view_.showPrinted(console_.screen().line(printedRow(console_.cursor(), mode)));
}

} // namespace tov::braille
