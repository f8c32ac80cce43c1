// The input dialog: one line for the BASIC INPUT statement, typed by a user who may not
// see it. INPUT clears the line, gives it the focus and shows the dialog modally; OK (or
// Enter) hands the line over, the close box hands over nothing, Escape does nothing (the
// dialog has no cancel button), and the exit button ends the whole program after saving
// the memory image.
//
// 1. Focus: the first focus of each showing is silent and sets the focus flag; after it,
//    the line speaks its text (or "empty line") when it gets the focus back, and each
//    button speaks its caption. Closing clears the flag.
// 2. Key press in the line: speech stops; Backspace and Delete click and echo the
//    character they delete (or beep at the end of the line); Alt+Up speaks the line;
//    Alt+1 to Alt+9 say an answer again, and the line never sees them; with
//    braille mode off any other key echoes the character it types; then Up and Down open
//    the review window and Alt+F4 ends the program. With braille mode on, the press then
//    previews the chord and swallows printable characters (chordkeyboard.h).
// 3. Key release in the line (the cursor has already moved): braille mode commits the
//    chord; Left, Right, Home and End echo the character after the cursor, Ctrl+Left and
//    Ctrl+Right speak the word there, and the edge flag makes a second move past either
//    end beep. The edge flag and the braille prefix carry over to the next showing.
// 4. Order: speech and the review window run nested event loops, in which the next keys
//    are handled. So a key's effect on the line (insertion, deletion, cursor move, chord
//    commit) comes before anything of that key waits: what a key press says or opens is
//    decided before the line takes the key (Backspace echoes the character it deletes)
//    and done after it. Every handler begins with a reset, which also drops what the
//    previous key has not yet said.
// 5. Held chords: in braille mode a release that would commit a chord is held back until
//    the next key event or kRepeatPairWait, and forgotten when the next event is the press
//    of the same key at the same server time: X11's auto-repeat without XKB's help sends
//    release + press pairs, and a held chord must type once.
// All of this runs on the GUI thread.
#pragma once

#include "input/answerkeys.h"
#include "input/brailletables.h"
#include "input/chordkeyboard.h"
#include "input/keyecho.h"
#include "input/qtkeys.h"
#include "runtime/host.h"

#include <QDialog>
#include <QTimer>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>

class QLineEdit;
class QPushButton;

namespace tov::input {

//: how long a chord's release waits for the press that would make it an auto-repeat pair;
//: the pair leaves the X server together, so this only outlasts a busy machine's delays
inline constexpr std::chrono::milliseconds kRepeatPairWait{100};

// What the dialog speaks through, sounds through and types with.
struct InputDialogHosts {
    runtime::Speech* speech = &runtime::silentSpeech();
    runtime::SoundStatement* sounds = &runtime::silentSounds();
    KeyboardState* keyboard = &keyboardState();
    const BrailleTables* tables = &brailleTables();
    std::function<void()> openReview; //: TForm6::Open; while empty, Up and Down open nothing
    AnswerSayer sayAnswer;            //: Alt+1 to Alt+9; while empty, they say nothing
};

class TForm2 : public QDialog, public runtime::InputDialog {
    Q_OBJECT
public:
    // `exitProgram` saves what must be saved and ends the process; it does not return.
    // The exit button and Alt+F4 run it.
    TForm2(std::function<void()> exitProgram, QWidget* parent = nullptr);

    // Until this is called the dialog is silent and types with the process's keyboard.
    void setHosts(InputDialogHosts hosts);

    // runtime::InputDialog
    void setEditText(const std::string& text) override;
    void activateEdit() override;
    runtime::DialogResult showModal() override;
    // Where the dialog shows: below the main window's screen lines.
    void placeBelowScreen();
    std::string editText() const override;

    // A chord typed on a braille display ("1236", or " " for its space key): echoed and
    // committed as the six-key keyboard's chords are, whether braille mode is on or not.
    void typeChord(std::string_view chord);

    QLineEdit* inputedit() const { return inputedit_; }
    QPushButton* Enterbitbtn() const { return enterbitbtn_; }
    QPushButton* exitprogrambtn() const { return exitprogrambtn_; }
    bool focusflag() const { return focusflag_; }
    bool edgeflag() const { return edgeflag_; }
    // A chord's release is waiting to learn whether auto-repeat sent it.
    bool holdsRelease() const { return heldRelease_.has_value(); }

    void done(int result) override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

private:
    void FormCreate();
    void FormClose();
    void exitprogrambtnClick();
    void entered(QWidget* control);
    void inputeditEnter();
    void buttonEnter(const QPushButton& button);
    // True when the key is swallowed and the line must not see it.
    // `repeated`: the keyboard's auto-repeat sent the press, the key was down already.
    bool inputeditKeyPress(const QKeyEvent& event, bool repeated);
    // Braille mode's part of a key press or composed character; true when swallowed.
    bool previewInBraille(unsigned char code);
    void inputeditKeyDown(const QKeyEvent& event);
    void inputeditKeyRelease(const QKeyEvent& event);
    void inputeditKeyUp(int key, Modifiers modifiers);
    bool inputeditInputMethod(const QString& committed);
    // Stops speaking and drops what the previous key has not said yet.
    void reset();
    // Runs what the key being handled does once the line has taken it.
    void runAfterEdit();
    // Handles a held-back release now.
    void flushRelease();
    EditLine line() const;
    void commit();
    void sayLine();
    void echoAt(const EditLine& line, size_t offset);
    void sayWordAt(const EditLine& line);
    // The key echo of a typed or deleted character, over this dialog's hosts.
    void echokey(const std::string& text) const;

    std::function<void()> exitProgram_;
    InputDialogHosts hosts_;
    std::unique_ptr<KeyStateTracker> tracker_; //: made again when the keyboard changes
    LayoutEcho layoutecho_;
    QLineEdit* inputedit_ = nullptr;
    QPushButton* enterbitbtn_ = nullptr;
    QPushButton* exitprogrambtn_ = nullptr;
    bool focusflag_ = false; //: false: the next focus of the line is the silent first one
    bool edgeflag_ = false;  //: the cursor has already arrived at an end of the line
    //: the keys whose press the line has had and not yet their release
    HeldKeys linekeys_;
    //: what the key being handled says or opens once the line has taken it
    std::function<void()> afterEdit_;
    struct HeldRelease {
        int key = vk::kUnknown;
        Modifiers modifiers;
        uint64_t timestamp = 0;
    };
    //: a chord's release waiting to learn whether it was the first half of an auto-repeat
    std::optional<HeldRelease> heldRelease_;
    //: the latest release the line had, held back or not: the press completing its pair
    //: is a repeat even when the release had nothing to type
    HeldRelease lastRelease_;
    QTimer releaseTimer_; //: ends the wait of heldRelease_
    //: the control that last got the focus in this showing; the window coming back to the
    //: front gives the same control the focus again, which is no new entry
    QWidget* lastEntered_ = nullptr;
};

} // namespace tov::input
