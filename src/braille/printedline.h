// The line the program has just printed, for the display: told of every PRINT after the
// screen shows it, before it is spoken.
#pragma once

#include "braille/view.h"
#include "runtime/tovcommands.h"

namespace tov::braille {

// The screen row on which a PRINT with `mode` ended, from the cursor it left: a PRINT
// that ended its line left the cursor at the start of the next one.
int printedRow(const runtime::tscrcursor& cursor, runtime::PrintMode mode);

// The console's screen for reading back: its lines, and the row of the last PRINT.
ScreenLines screenOf(runtime::Console& console);

class PrintedLines final : public runtime::PrintListener {
public:
    // `next` hears every PRINT too (the terminal's standard output); may be null.
    PrintedLines(runtime::Console& console, BrailleView& view,
                 runtime::PrintListener* next = nullptr)
        : console_(console), view_(view), next_(next)
    {
    }

    void printed(std::string_view text, runtime::PrintMode mode) override;

private:
    runtime::Console& console_;
    BrailleView& view_;
    runtime::PrintListener* next_;
};

} // namespace tov::braille
