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
    if (layer == top() && readingRow_ &&
        (newLine || target.text != text || target.cursor != cursor)) {
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

void BrailleView::showAnswer(std::vector<std::string> lines)
{
    answer_ = std::move(lines);
}

void BrailleView::showInput(std::string_view text, size_t cursor)
{
    const bool opening = !inputOpen_;
    inputOpen_ = true;
    if (opening && !answer_.empty() && top() == Layer::Input) {
        // The input line waits beneath the answer, never shown before it.
        input_ = {std::string(text), cursor};
        shownLayer_ = Layer::Input;
        readingFrom_ = Source::Answer;
        showRow(0, Edge::Start);
        return;
    }
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
    const std::string line = readLine(row);
    window_.setLength(std::max<size_t>(textLength(line), 1));
    window_.reset();
    if (edge == Edge::End) {
        while (window_.panRight()) {
        }
    }
    drawReading();
}

void BrailleView::drawReading()
{
    std::vector<Cell> cells =
        windowCells(table_.translate(readLine(*readingRow_)), window_, std::nullopt);
    shown_ = cells;
    output_.write(std::move(cells));
}

std::string BrailleView::readLine(int row) const
{
    if (readingFrom_ == Source::Answer) {
        return row >= 0 && static_cast<size_t>(row) < answer_.size() ? answer_[row] : std::string();
    }
    return screen_.line ? screen_.line(row) : std::string();
}

void BrailleView::stopReading(Layer layer)
{
    readingRow_.reset();
    shownLayer_ = layer;
    window_.reset();
    shown_.clear();
    render();
}

void BrailleView::panAnswer(bool left)
{
    if (left) {
        if (*readingRow_ > 0) {
            showRow(*readingRow_ - 1, Edge::End);
        }
    } else if (static_cast<size_t>(*readingRow_) + 1 < answer_.size()) {
        showRow(*readingRow_ + 1, Edge::Start);
    } else {
        stopReading(top());
    }
}

void BrailleView::pan(bool left)
{
    const Layer layer = top();
    const bool moved = left ? window_.panLeft() : window_.panRight();
    if (moved) {
        // Drawn without following the cursor: the user has panned away from it.
        const std::string text = readingRow_ ? readLine(*readingRow_) : content(layer).text;
        const std::optional<size_t> cursor = readingRow_ ? std::nullopt : content(layer).cursor;
        std::vector<Cell> cells = windowCells(table_.translate(text), window_, cursor);
        shown_ = cells;
        output_.write(std::move(cells));
        return;
    }
    if (layer == Layer::Review || window_.width() == 0) {
        return; // the review window reads the screen itself
    }
    if (readingRow_ && readingFrom_ == Source::Answer) {
        panAnswer(left);
        return;
    }
    if (!screen_.line || !screen_.lastRow) {
        return;
    }
    const int last = screen_.lastRow();
    if (left) {
        // From the input line up starts at the last line printed; a printed line's own
        // row is the one above the next.
        const int from = readingRow_ ? *readingRow_ : (layer == Layer::Input ? last + 1 : last);
        if (from > 0) {
            readingFrom_ = Source::Screen;
            showRow(from - 1, Edge::End);
        }
    } else if (readingRow_) {
        if (*readingRow_ < last) {
            showRow(*readingRow_ + 1, Edge::Start);
        } else {
            stopReading(layer); // back down to what reading started from
        }
    }
}

void BrailleView::render()
{
    if (readingRow_) {
        // The user reads back; what changed underneath shows when reading ends. A display
        // that has just come (or come back) is shown what is being read.
        if (window_.width() != 0 && shown_.empty()) {
            drawReading();
        }
        return;
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
        stopReading(layer); // typing brings the input line back
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
