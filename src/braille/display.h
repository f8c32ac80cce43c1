// The display as the rest of the program sees it: cells go out, keys come in. The
// BrlAPI connection (brlapidisplay.h) is the real one; tests record.
#pragma once

#include "braille/cells.h"

#include <cstddef>
#include <string>
#include <vector>

namespace tov::braille {

// A key of the display, as the program acts on it.
struct DisplayKey {
    enum class Kind {
        Chord,     //: braille keys: `chord` is a dots string ("1236") or " " for the space
        Enter,     //: confirms the input line
        Backspace, //: deletes before the input cursor
        PanLeft,   //: the window one width to the left
        PanRight,  //: the window one width to the right
        Route,     //: the routing key over cell `cell` (0 is the leftmost)
    };
    Kind kind = Kind::Chord;
    std::string chord;
    size_t cell = 0;
    bool operator==(const DisplayKey&) const = default;
};

// Where the view writes. `write` returns at once: the cells reach the display later, on
// the connection's own thread.
class DisplayOutput {
public:
    virtual ~DisplayOutput() = default;
    virtual void write(std::vector<Cell> cells) = 0;
};

} // namespace tov::braille
