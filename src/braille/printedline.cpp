// Following PRINT onto the display.
#include "braille/printedline.h"

namespace tov::braille {

PrintedLines::PrintedLines(const runtime::VirtualScreen& screen, BrailleView& view)
    : screen_(screen), view_(view)
{
    view_.setScreen({[this](int row) { return screen_.line(row); }, [this] { return lastRow_; }});
}

void PrintedLines::printed(const runtime::PrintedText& printed)
{
    lastRow_ = printed.row;
    view_.showPrinted(screen_.line(printed.row));
}

} // namespace tov::braille
