// Choosing the line to show and acting on the display's keys.
#include "braille/view.h"

#include <algorithm>

namespace tov::braille {
namespace {

// A screen line is padded to 80 columns with spaces; panning stops at its text.
size_t textLength(std::string_view line)
{
    const size_t last = line.find_last_not_of(' ');
    return last == std::string_view::npos ? 0 : last + 1;
}

} // namespace

BrailleView::BrailleView(DisplayOutput& output, BrailleKeyTargets targets, ScreenLines screen)
    : output_(output), targets_(std::move(targets)), screen_(std::move(screen))
{
}

void BrailleView::setTable(CellTable table)
{
    table_ = table;
    render();
}

void BrailleView::setWidth(size_t width)
{
    window_.setWidth(width);
    shown_.clear(); // a display that comes back is written again, even with the same cells
    render();
}

BrailleView::Layer BrailleView::top() const
{
    if (reviewOpen_) {
        return Layer::Review;
    }
    return inputOpen_ ? Layer::Input : Layer::Printed;
}

BrailleView::Content& BrailleView::content(Layer layer)
{
    switch (layer) {
    case Layer::Review:
        return review_;
    case Layer::Input:
        return input_;
    case Layer::Printed:
        break;
    }
    return printed_;
}

void BrailleView::show(Layer layer, std::string text, std::optional<size_t> cursor, Line line)
{
    const bool newLine = line == Line::New;
    Content& target = content(layer);
    if (layer == top() && readingRow_ && (newLine || target.text != text || target.cursor != cursor)) {
        readingRow_.reset();
        window_.reset();
        shownLayer_ = layer;
    }
    const bool sameLine = !newLine && target.text == text && target.cursor == cursor;
    target.text = std::move(text);
    target.cursor = cursor;
    if (layer == top() && !sameLine) {
        if (newLine) {
            window_.reset();
        }
        render();
    }
}

void BrailleView::showPrinted(std::string_view line)
{
    show(Layer::Printed, std::string(line), std::nullopt, Line::New);
}

void BrailleView::showInput(std::string_view text, size_t cursor)
{
    const bool opening = !inputOpen_;
    inputOpen_ = true;
    show(Layer::Input, std::string(text), cursor, opening ? Line::New : Line::Same);
}

void BrailleView::endInput()
{
    inputOpen_ = false;
    readingRow_.reset();
    render();
}

void BrailleView::showReview(std::string_view line, size_t position)
{
    const bool newLine = !reviewOpen_ || review_.text != line;
    reviewOpen_ = true;
    show(Layer::Review, std::string(line), position, newLine ? Line::New : Line::Same);
}

void BrailleView::endReview()
{
    reviewOpen_ = false;
    readingRow_.reset();
    render();
}

void BrailleView::showRow(int row, Edge edge)
{
    readingRow_ = row;
    const std::string line = screen_.line(row);
    window_.setLength(std::max<size_t>(textLength(line), 1));
    window_.reset();
    if (edge == Edge::End) {
        while (window_.panRight()) {
        }
    }
    std::vector<Cell> cells = windowCells(table_.translate(line), window_, std::nullopt);
    shown_ = cells;
    output_.write(std::move(cells));
}

void BrailleView::pan(bool left)
{
    const Layer layer = top();
    const bool moved = left ? window_.panLeft() : window_.panRight();
    if (moved) {
        // Drawn without following the cursor: the user has panned away from it.
        const std::string text = readingRow_ ? screen_.line(*readingRow_) : content(layer).text;
        const std::optional<size_t> cursor =
            readingRow_ ? std::nullopt : content(layer).cursor;
        std::vector<Cell> cells = windowCells(table_.translate(text), window_, cursor);
        shown_ = cells;
        output_.write(std::move(cells));
        return;
    }
    if (!screen_.line || !screen_.lastRow || layer == Layer::Review || window_.width() == 0) {
        return; // the review window reads the screen itself
    }
    const int last = screen_.lastRow();
    if (left) {
        // From the input line up starts at the last line printed; a printed line's own
        // row is the one above the next.
        const int from = readingRow_ ? *readingRow_ : (layer == Layer::Input ? last + 1 : last);
        if (from > 0) {
            showRow(from - 1, Edge::End);
        }
    } else if (readingRow_) {
        if (*readingRow_ < last) {
            showRow(*readingRow_ + 1, Edge::Start);
        } else {
            readingRow_.reset(); // back down to what reading started from
            shownLayer_ = layer;
            window_.reset();
            shown_.clear();
            render();
        }
    }
}

void BrailleView::render()
{
    if (readingRow_) {
        return; // the user reads back; what changed underneath shows when reading ends
    }
    const Layer layer = top();
    const Content& current = content(layer);
    if (layer != shownLayer_) {
        shownLayer_ = layer;
        window_.reset();
    }
    // The input line has one more column than its text: the cursor after its last
    // character. A review position past the text is shown all the same.
    size_t length = layer == Layer::Input ? current.text.size() + 1 : textLength(current.text);
    if (current.cursor && *current.cursor >= length) {
        length = *current.cursor + 1;
    }
    window_.setLength(length);
    if (current.cursor) {
        window_.follow(*current.cursor);
    }
    if (window_.width() == 0) {
        return;
    }
    std::vector<Cell> cells = windowCells(table_.translate(current.text), window_, current.cursor);
    if (cells == shown_) {
        return;
    }
    shown_ = cells;
    output_.write(std::move(cells));
}

void BrailleView::key(const DisplayKey& key)
{
    const Layer layer = top();
    switch (key.kind) {
    case DisplayKey::Kind::PanLeft:
    case DisplayKey::Kind::PanRight:
        pan(key.kind == DisplayKey::Kind::PanLeft);
        return;
    case DisplayKey::Kind::Route: {
        const std::optional<size_t> column = window_.columnOf(key.cell);
        if (!column) {
            return;
        }
        if (readingRow_) {
            return; // a line read back is no line to edit
        }
        if (layer == Layer::Review && targets_.moveReviewPosition) {
            targets_.moveReviewPosition(*column);
        } else if (layer == Layer::Input && targets_.moveInputCursor) {
            targets_.moveInputCursor(*column);
        }
        return;
    }
    default:
        break;
    }
    if (layer != Layer::Input) {
        return; // typing needs a line to type into
    }
    if (readingRow_) {
        readingRow_.reset(); // typing brings the input line back
        shownLayer_ = layer;
        window_.reset();
        shown_.clear();
        render();
    }
    switch (key.kind) {
    case DisplayKey::Kind::Chord:
        if (targets_.typeChord) {
            targets_.typeChord(key.chord);
        }
        break;
    case DisplayKey::Kind::Enter:
        if (targets_.confirm) {
            targets_.confirm();
        }
        break;
    case DisplayKey::Kind::Backspace:
        if (targets_.deleteBack) {
            targets_.deleteBack();
        }
        break;
    default:
        break;
    }
}

} // namespace tov::braille
