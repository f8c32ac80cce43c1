// Braille cells for the display, from the program's own table ("czech.ebt"), so that what
// the user reads is what the six-key keyboard types. One character is one cell, so a
// column of the line is a cell of the display and a routing key finds its column.
//
// The display has eight dots; the table's prefixes become the two lower dots instead of
// a cell of their own:
// 1. A character of the plain section ([characters]) is its six-dot cell: "a" is dot 1.
// 2. A character found only in a capitals section ([#cap], [#caps]) is that cell with
//    dot 7: "A" is dots 1 7.
// 3. A character found only in another prefix's section ([#num]) is that cell with dot
//    8: "1" is dots 1 8.
// 4. A character the table has no cell for (a digit sign the table lacks, "@", a control
//    character) shows as all eight dots, which no character of the table makes.
// The space is the empty cell. Dots 7 and 8 are also the cursor (BrailleLine), as on
// most displays; a capital under the cursor reads as the cursor.
#pragma once

#include "input/brailletables.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

namespace tov::braille {

// One cell as ISO/TR 11548-1 codes it: bit 0 is dot 1, ..., bit 7 is dot 8.
using Cell = uint8_t;

inline constexpr Cell kDot7 = 0x40;
inline constexpr Cell kDot8 = 0x80;
inline constexpr Cell kCursorDots = kDot7 | kDot8;
//: what a character without a cell in the table shows
inline constexpr Cell kUnknownCell = 0xFF;
inline constexpr Cell kBlankCell = 0x00;

// The cell of a dots string ("145"), or none when it is not one: empty, a digit outside
// 1 to 6, anything else in it ("=1", "1 2").
std::optional<Cell> cellOfDots(std::string_view dots);
// The dots string of the six lower dots of a cell, as the chord keyboard writes a chord:
// dots 1 2 3 6 give "1236"; the empty cell gives "".
std::string dotsOfCell(Cell cell);

class CellTable {
public:
    // Every character unknown: what a display shows before the table is loaded.
    CellTable();
    explicit CellTable(const input::BrailleTables& tables);

    Cell cellOf(unsigned char character) const { return cells_[character]; }
    // One cell per character of a Windows-1250 line.
    std::vector<Cell> translate(std::string_view line) const;

private:
    std::array<Cell, 256> cells_;
};

} // namespace tov::braille
