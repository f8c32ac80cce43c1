// The main window: the virtual screen in a read-only memo, the Program menu with Start
// and Exit, and the run of the built-in program inside the Start command.
//
// 1. Created first; its creation reads the language, sets the title and the captions,
//    fills the screen with 24 empty lines and loads the memory image.
// 2. Start disables the run's menu items, prepares the voice, runs the program to its end
//    on this thread (nested event loops inside `say`, `input` and `sound` keep the window
//    alive), prints "hotovo" and enables the items again; an error of the preparation or
//    of the program is shown in a box.
// 3. Exit and closing the window save the memory image; during a run they end the
//    process at once, since the program's statements cannot be unwound.
// The Start, Sounds, Environment and About items are joined to their commands by the
// window host (windowhost.h), once the windows they open exist.
// All of this runs on the GUI thread.
#pragma once

#include "runtime/console.h"
#include "runtime/screen.h"
#include "shell/settings.h"

#include <QMainWindow>
#include <filesystem>
#include <functional>
#include <memory>
#include <vector>

class QAction;
class QMenu;
class QPlainTextEdit;

namespace tov {
class Profile;
}
namespace tov::runtime {
class Console;
}
namespace tov::speech {
class SpeechLayer;
}

namespace tov::shell {

class SoundStack;
class TForm1 : public QMainWindow, private runtime::ScreenObserver {
    Q_OBJECT
public:
    // `speech` may be null (tests without a speech layer): speech is then not allowed.
    // The creation reads the sound settings into `sounds`, opens them after the memory
    // image, and the window's end frees them.
    TForm1(runtime::Console& console, const Profile& profile, SoundStack& sounds,
           const std::filesystem::path& executable, speech::SpeechLayer* speech = nullptr,
           QWidget* parent = nullptr);
    ~TForm1() override;

    QPlainTextEdit* printmemo() const { return printmemo_; }
    QMenu* Programmenu() const { return programmenu_; }
    QAction* Startsubmenu() const { return startsubmenu_; }
    QAction* exitsubmenu() const { return exitsubmenu_; }
    QMenu* settingsmenu() const { return settingsmenu_; }
    QAction* braillekeyboarditem() const { return braillekeyboarditem_; }
    //: a check item; its command and check mark come from the braille display's unit
    QAction* brailledisplayitem() const { return brailledisplayitem_; }
    //: a check item; the window host keeps the transcript by it
    QAction* transcriptitem() const { return transcriptitem_; }
    QAction* soundssubmenu() const { return soundssubmenu_; }
    QAction* Voicesubmenu() const { return voicesubmenu_; }
    QAction* usesapi5submenu() const { return usesapi5submenu_; }
    QAction* environmentsubmenu() const { return environmentsubmenu_; }
    QMenu* helpmenu() const { return helpmenu_; }
    QAction* aboutsubmenu() const { return aboutsubmenu_; }
    QAction* keyssubmenu() const { return keyssubmenu_; }

    bool programstarted() const { return programstarted_; }
    bool isRunning() const { return running_; }
    // The general settings as the window and the subsystems hold them now.
    GeneralSettings generalSettings() const;
    void writesettings() const;
    // "voiceallowed": the speech layer's, or the window's own when there is none.
    bool voiceallowed() const;
    // Speech allowed or not; the Voice item is enabled exactly when it is.
    void setvoiceallowed(bool allowed);

    // The Start command. `preparevoice` readies the SAPI 4 voice (nothing when SAPI 5 is in
    // use); it runs inside the run's error handling, so its error is shown in a box too.
    void StartsubmenuClick(const std::function<void()>& preparevoice);
    void exitsubmenuClick();
    // The ends that cannot wait for the window to close (the input dialog's exit button,
    // Alt+F4, Exit during a run): save the memory image, free the sounds, end at once.
    [[noreturn]] void endNow();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void FormCreate(const std::filesystem::path& executable);
    void FormClose();
    void setRunItemsEnabled(bool enabled);
    void saveMemoryImageReporting();
    void linesChanged(int first, int last) override;
    // "voiceallowed" where it is held (the speech layer, or the window when there is
    // none), without touching the Voice item.
    void setvoiceallowedquietly(bool allowed);

    runtime::Console& console_;
    const Profile& profile_;
    QPlainTextEdit* printmemo_ = nullptr;
    QMenu* programmenu_ = nullptr;
    QAction* startsubmenu_ = nullptr;
    QAction* exitsubmenu_ = nullptr;
    QMenu* settingsmenu_ = nullptr;
    QAction* braillekeyboarditem_ = nullptr;
    QAction* brailledisplayitem_ = nullptr;
    QAction* transcriptitem_ = nullptr;
    QAction* soundssubmenu_ = nullptr;
    QAction* voicesubmenu_ = nullptr;
    QAction* usesapi5submenu_ = nullptr;
    speech::SpeechLayer* speech_ = nullptr;
    bool voiceallowed_ = false; //: stands in for the speech layer's when there is none
    QAction* environmentsubmenu_ = nullptr;
    QMenu* helpmenu_ = nullptr;
    QAction* aboutsubmenu_ = nullptr;
    QAction* keyssubmenu_ = nullptr; //: Help, Keys: the keys that are no menu items
    SoundStack& sounds_;
    //: the items a run disables, so no second run or settings change starts inside it
    std::vector<QAction*> runDisabledItems_;
    bool programstarted_ = false; //: Start was chosen once; the review window may open
    bool running_ = false;        //: the built-in program is running inside Start
    bool imageSaved_ = false;     //: Exit saved the memory image just before closing
};

// The title: message 1, " - ", the executable's file name without its extension.
QString windowTitleFor(const std::filesystem::path& executable);

} // namespace tov::shell
