// The main window's keyboard, for a user who listens rather than looks. The main window
// hands every key press to FormKeyDown before its memo sees it (watch() arranges that),
// and runs braillekeyboarditemClick for its braille item (Ctrl+B).
//
// FormKeyDown, for every key, Alt combinations included:
// 1. Speech stops.
// 2. A `sound` waiting out its duration ends at once.
// 3. Up or Down opens the review window, once a program has been started, unless Shift,
//    Space or another arrow is held: Shift+Up selects in the memo instead.
// 4. Alt+F4 saves the memory image and ends the process at once.
// 5. Alt+1 to Alt+9 say the last answer again, or one before it (answerkeys.h).
// braillekeyboarditemClick switches braille mode: a rising pair of tones (400, 600) turns
// it on, a falling pair (600, 400) off; the setting is written at once.
// All of this runs on the GUI thread, nested inside the program's statements while it runs.
#pragma once

#include "input/answerkeys.h"
#include "input/chordkeyboard.h"
#include "input/qtkeys.h"

#include <QObject>
#include <functional>

class QAction;
class QKeyEvent;
class QWidget;

namespace tov::input {

struct MainWindowHosts {
    runtime::Speech* speech = &runtime::silentSpeech();
    runtime::SoundStatement* sounds = &runtime::silentSounds();
    KeyboardState* keyboard = &keyboardState();
    std::function<bool()> endwait;        //: ends a waiting `sound`; true if one was waiting
    std::function<bool()> programstarted; //: Start has been chosen since the launch
    std::function<void()> openReview;     //: TForm6::Open
    std::function<void()> exitProgram;    //: saves the memory image and ends the process
    std::function<void()> writesettings;  //: writes the general settings, braillekeys among them
    AnswerSayer sayAnswer;                //: Alt+1 to Alt+9; while empty, they say nothing
};

class MainWindowKeys : public QObject {
    Q_OBJECT
public:
    explicit MainWindowKeys(MainWindowHosts hosts, QObject* parent = nullptr);

    // The window's key preview: FormKeyDown sees each key press of the window and of
    // every control in it once, before the control does. Controls added later are not
    // watched. Dialogs that are children of the window are not part of it.
    void watch(QWidget& window);

    void FormKeyDown(int key, Modifiers modifiers);
    void FormKeyDown(const QKeyEvent& event);

    // Makes the item the braille keyboard's: checkable, Ctrl+B, message 46, its check
    // mark showing braille mode, and its command braillekeyboarditemClick.
    void attachbraillekeyboarditem(QAction& item);
    void braillekeyboarditemClick(QAction& item);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    MainWindowHosts hosts_;
    KeyStateTracker tracker_;
    QWidget* window_ = nullptr; //: the watched window
};

} // namespace tov::input
