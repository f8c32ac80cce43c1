// The review window: a read-only copy of the 24 screen lines, taken when it opens, read
// with speech by line, character and word; F2 tells where the caret stands.
//
// 1. Opening (Up or Down in the main window or the input line): nothing when byte 50730
//    of the memory image is 1. Otherwise the copy is made with the caret at its start,
//    the two-tone sound plays, "Screen" is said without waiting and the window is shown
//    modally. However it closes, the two tones play again and "end of screen" is said.
// 2. Key press: with a speech engine ready, speech stops and F2 speaks "line 3, column 5";
//    F3 echoes the character after the caret, and F3 again within half a second spells it
//    ("Karel" for k, spelling.h); Escape closes the window, with or without speech.
// 3. Key release, with a speech engine ready (the memo has already moved the caret): Up
//    and Down speak the caret's line, or "empty line"; Left, Right, Home and End echo the
//    character after the caret (at a line's end, its CR); Ctrl+Left and Ctrl+Right speak
//    the word there. The first arrival at the first line, the position after the last
//    line, or the start or end of the text is silent and sets the edge flag; each further
//    move against it plays click 16. The edge flag carries over to the next opening.
// All of this runs on the GUI thread; the modal loop and `say` serve the event queue.
#pragma once

#include "input/chordkeyboard.h"
#include "input/keyecho.h"
#include "input/qtkeys.h"
#include "input/reviewtext.h"
#include "input/spelling.h"
#include "runtime/host.h"

#include <QDialog>

class QKeyEvent;
class QPlainTextEdit;
class QPushButton;

namespace tov::runtime {
class Console;
}

namespace tov::input {

class TForm6 : public QDialog {
    Q_OBJECT
public:
    TForm6(runtime::Console& console, runtime::Speech& speech, runtime::SoundStatement& sounds,
           KeyboardState& keyboard = keyboardState(), QWidget* parent = nullptr);

    // Opens the window on a fresh copy of the screen, unless the memory image disables it.
    void Open();

    QPlainTextEdit* virtualscrmemo() const { return virtualscrmemo_; }
    QPushButton* closebitbtn() const { return closebitbtn_; }
    bool edgeflag() const { return edgeflag_; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void FormCreate();
    void playWindowSound();
    // True when the key closed the window.
    bool virtualscrmemoKeyDown(const QKeyEvent& event);
    void virtualscrmemoKeyUp(const QKeyEvent& event);
    void passBoundary(bool atBoundary);
    // F3: the character after the caret, spelled when it is the second press.
    void sayCharacter(const QKeyEvent& event);

    runtime::Console& console_;
    runtime::Speech& speech_;
    runtime::SoundStatement& sounds_;
    KeyStateTracker tracker_;
    QPlainTextEdit* virtualscrmemo_ = nullptr;
    QPushButton* closebitbtn_ = nullptr;
    ReviewText text_;          //: the copy of the screen the memo shows, with CR LF line breaks
    bool edgeflag_ = false;    //: the caret has already arrived at a boundary
    DoublePress characterKey_; //: F3's last press, which a second one turns into spelling
};

} // namespace tov::input
