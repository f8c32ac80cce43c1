// Building the display's cells from the braille table.
#include "braille/cells.h"

namespace tov::braille {
namespace {

bool isCapitalsPrefix(std::string_view prefix)
{
    return prefix == input::kCapitalPrefix || prefix == "#caps";
}

} // namespace

std::optional<Cell> cellOfDots(std::string_view dots)
{
    if (dots.empty()) {
        return std::nullopt;
    }
    Cell cell = kBlankCell;
    for (const char digit : dots) {
        if (digit < '1' || digit > '6') {
            return std::nullopt;
        }
        cell |= static_cast<Cell>(1u << (digit - '1'));
    }
    return cell;
}

std::string dotsOfCell(Cell cell)
{
    std::string dots;
    for (int dot = 0; dot < 6; ++dot) {
        if ((cell & (1u << dot)) != 0) {
            dots.push_back(static_cast<char>('1' + dot));
        }
    }
    return dots;
}

CellTable::CellTable()
{
    cells_.fill(kUnknownCell);
    cells_[static_cast<unsigned char>(' ')] = kBlankCell;
}

CellTable::CellTable(const input::BrailleTables& tables) : CellTable()
{
    std::array<bool, 256> known{};
    known[static_cast<unsigned char>(' ')] = true;
    // The plain section first, whatever the file's order: "a" is dot 1 even when a prefix
    // section that also lists "a" came earlier.
    const auto take = [&](const input::brlchartype& entry, Cell marker) {
        if (entry.character.size() != 1) {
            return; // "12" typed by a chord is no single cell
        }
        const auto character = static_cast<unsigned char>(entry.character[0]);
        const std::optional<Cell> cell = cellOfDots(entry.dots);
        if (known[character] || !cell) {
            return;
        }
        known[character] = true;
        cells_[character] = static_cast<Cell>(*cell | marker);
    };
    for (const input::brlchartype& entry : tables.characters()) {
        if (entry.prefix.empty()) {
            take(entry, kBlankCell);
        }
    }
    for (const input::brlchartype& entry : tables.characters()) {
        if (!entry.prefix.empty()) {
            take(entry, isCapitalsPrefix(entry.prefix) ? kDot7 : kDot8);
        }
    }
}

std::vector<Cell> CellTable::translate(std::string_view line) const
{
    std::vector<Cell> out;
    out.reserve(line.size());
    for (const char character : line) {
        out.push_back(cellOf(static_cast<unsigned char>(character)));
    }
    return out;
}

} // namespace tov::braille
