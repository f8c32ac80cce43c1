// The line the program has just printed, for the display: one observer of the console's
// print channel, told of every PRINT after the screen shows it, before it is spoken.
#pragma once

#include "braille/view.h"
#include "runtime/console.h"

namespace tov::braille {

class PrintedLines final : public runtime::PrintObserver {
public:
    // Gives the view the screen to pan back over: its lines, up from the last PRINT.
    PrintedLines(const runtime::VirtualScreen& screen, BrailleView& view);

    void printed(const runtime::PrintedText& printed) override;

private:
    const runtime::VirtualScreen& screen_;
    BrailleView& view_;
    int lastRow_ = 0; //: the row the last PRINT ended on; panning up starts there
};

} // namespace tov::braille
