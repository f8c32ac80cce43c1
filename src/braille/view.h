// What the display shows, by what the program is doing, and what its keys do there.
//
// 1. While the program prints, the first line of the answer it prints (from the line's
//    start); the lines after it do not replace it, so a display fed faster than anyone
//    reads settles on where the answer begins instead of flashing through it.
// 2. When INPUT starts to wait, the first line of the answer just printed ("jsi na
//    začátku širokého koridoru" after "v"); the right panning key reads on through the
//    answer, line by line, and past its last line reaches the input line. Any braille key
//    goes straight to the input line, as does an answer with no text.
// 3. While INPUT waits, the input line with dots 7 and 8 under its cursor; the window
//    follows the cursor. Braille keys type through the chord keyboard, Enter confirms,
//    Backspace deletes, a routing key moves the input cursor to the column under it.
// 4. While the review window is open, the line under review with the review position
//    marked; a routing key moves the review position.
// The review window covers the input line, which covers the printed line; closing one
// shows what it covered. The panning keys move the window on whatever is shown; past the
// start of the input line or of a printed line, the left key goes on up the screen (the
// end of the line above first), and the right key comes back down, so a user with no
// speech reads what was printed before INPUT asked. Typing, a new PRINT or the review
// window end this reading. A key with nothing to act on is dropped.
// All of this runs on the GUI thread (or the terminal host's one thread).
#pragma once

#include "braille/cells.h"
#include "braille/display.h"
#include "braille/window.h"

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace tov::braille {

// What the display's keys reach; the shell wires them to the input dialog and the
// review window. An empty function ignores its key.
struct BrailleKeyTargets {
    std::function<void(std::string_view chord)> typeChord;
    std::function<void()> confirm;
    std::function<void()> deleteBack;
    std::function<void(size_t column)> moveInputCursor;
    std::function<void(size_t column)> moveReviewPosition;
};

// The screen, for reading back: its lines and the last one PRINT has reached.
struct ScreenLines {
    std::function<std::string(int row)> line;
    std::function<int()> lastRow;
};

class BrailleView {
public:
    BrailleView(DisplayOutput& output, BrailleKeyTargets targets, ScreenLines screen = {});

    void setTable(CellTable table);
    // Where panning reads the screen back from.
    void setScreen(ScreenLines screen) { screen_ = std::move(screen); }
    // The connection found a display of this many cells; 0: it has none now.
    void setWidth(size_t width);

    void showPrinted(std::string_view line);
    // The answer's lines with text, shown first by the next input line; empty for none.
    void showAnswer(std::vector<std::string> lines);
    void showInput(std::string_view text, size_t cursor);
    void endInput();
    void showReview(std::string_view line, size_t position);
    void endReview();

    void key(const DisplayKey& key);

    // What was last written, for the tests and the terminal's dump.
    const std::vector<Cell>& shown() const { return shown_; }

private:
    enum class Layer { Printed, Input, Review };
    enum class Line { Same, New };  //: does `show` bring another line, or the same one?
    enum class Edge { Start, End }; //: where on a row the window opens
    struct Content {
        std::string text;
        std::optional<size_t> cursor;
    };
    Layer top() const;
    Content& content(Layer layer);
    void show(Layer layer, std::string text, std::optional<size_t> cursor, Line line);
    void render();
    void pan(bool left);
    void showRow(int row, Edge edge);
    // Panning on through the answer; past its last line back to the input line.
    void panAnswer(bool left);
    // Ends a reading: the layer below shows again from its start.
    void stopReading(Layer layer);
    std::string readLine(int row) const;
    void drawReading();

    DisplayOutput& output_;
    BrailleKeyTargets targets_;
    ScreenLines screen_;
    enum class Source { Screen, Answer };
    std::optional<int> readingRow_; //: the row read (of the screen or the answer), over the rest
    Source readingFrom_ = Source::Screen; //: what readingRow_ counts the rows of
    std::vector<std::string> answer_;     //: the answer the next input line opens on
    CellTable table_;
    BrailleWindow window_;
    Content printed_;
    Content input_;
    Content review_;
    bool inputOpen_ = false;            //: INPUT waits for its line
    bool reviewOpen_ = false;           //: the review window is open
    Layer shownLayer_ = Layer::Printed; //: what the window's position belongs to
    std::vector<Cell> shown_;
};

} // namespace tov::braille
