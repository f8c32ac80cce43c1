// Choosing the line to show and acting on the display's keys.
#include "braille/view.h"

namespace tov::braille {
namespace {

// A screen line is padded to 80 columns with spaces; panning stops at its text.
size_t textLength(std::string_view line)
{
    const size_t last = line.find_last_not_of(' ');
    return last == std::string_view::npos ? 0 : last + 1;
}

} // namespace

BrailleView::BrailleView(DisplayOutput& output, BrailleKeyTargets targets)
    : output_(output), targets_(std::move(targets))
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

void BrailleView::show(Layer layer, std::string text, std::optional<size_t> cursor,
                       bool newLine)
{
    Content& target = content(layer);
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
    show(Layer::Printed, std::string(line), std::nullopt, true);
}

void BrailleView::showInput(std::string_view text, size_t cursor)
{
    const bool opening = !inputOpen_;
    inputOpen_ = true;
    show(Layer::Input, std::string(text), cursor, opening);
}

void BrailleView::endInput()
{
    inputOpen_ = false;
    render();
}

void BrailleView::showReview(std::string_view line, size_t position)
{
    const bool newLine = !reviewOpen_ || review_.text != line;
    reviewOpen_ = true;
    show(Layer::Review, std::string(line), position, newLine);
}

void BrailleView::endReview()
{
    reviewOpen_ = false;
    render();
}

void BrailleView::render()
{
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
    case DisplayKey::Kind::PanRight: {
        const bool moved = key.kind == DisplayKey::Kind::PanLeft ? window_.panLeft()
                                                                  : window_.panRight();
        if (moved) {
            // Drawn without following the cursor: the user has panned away from it.
            std::vector<Cell> cells =
                windowCells(table_.translate(content(layer).text), window_, content(layer).cursor);
            shown_ = cells;
            output_.write(std::move(cells));
        }
        return;
    }
    case DisplayKey::Kind::Route: {
        const std::optional<size_t> column = window_.columnOf(key.cell);
        if (!column) {
            return;
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
