// The window host: every object of the windowed program, declared in the order the
// program creates them, so building a WindowHost is the start-up and destroying it takes
// them down in reverse. Also the main window's commands that open the windows made after
// it (WindowCommands), which the host joins to their menu items once those windows exist.
//
// 1. The settings file, the console, the record of its answers, the transcript and the
//    message boxes.
// 2. The sounds (silent until the main window opens them; a missing sound bank is said in
//    a box that ends the program) and the speech layer with the two queues its engine
//    threads post through.
// 3. The main window: its creation reads the language that every later caption reads.
// 4. The input dialog, the screen-reader announcer that describes it, the environment
//    dialog, the voice dialog with its two menu items, the sounds dialog, the review
//    window and the about box.
// 5. The menu commands that open them, the input dialog's hosts, the main window's keys,
//    the watch that ends the program when the main window is closed under a dialog, and
//    the braille display.
// 6. Last, the console gets its hosts, all at once: this is the only place that wires
//    them, and nothing runs the program before the message loop does. The transcript
//    starts as the settings say.
// All of this runs on the GUI thread.
#pragma once

#include "braille/qtbraille.h"
#include "common/profile.h"
#include "input/inputdialog.h"
#include "input/mainwindowkeys.h"
#include "input/reviewwindow.h"
#include "runtime/answers.h"
#include "runtime/console.h"
#include "runtime/transcript.h"
#include "shell/aboutbox.h"
#include "shell/environmentdialog.h"
#include "shell/mainwindow.h"
#include "shell/screenannouncer.h"
#include "shell/soundsdialog.h"
#include "shell/soundstack.h"
#include "shell/tovapplication.h"
#include "shell/windowclose.h"
#include "speech/qtguithread.h"
#include "speech/speechlayer.h"
#include "speech/speechmenu.h"
#include "speech/voicedialog.h"

#include <QObject>
#include <filesystem>

namespace tov::shell {

// What the main window's commands ask of the SAPI 4 voice: in the program the voice
// dialog's selection does it.
class VoiceChoice {
public:
    virtual bool voicesavailable() const = 0; //: SAPI 4 voices can be listed
    virtual void enablevoice() = 0;           //: speech was switched on: choose a voice
    virtual void preparevoice() = 0;          //: Start's preparation of the voice

protected:
    ~VoiceChoice() = default;
};

// The main window's Start, Sounds, Environment and About commands: each shows a window
// created after the main window, or reaches the voice dialog's selection.
class WindowCommands final : public QObject {
public:
    // Connects the four items of `form1` to the commands below.
    WindowCommands(TForm1& form1, TForm3& form3, TForm5& form5, TAboutbox& aboutbox,
                   VoiceChoice& voice, runtime::SoundSettings& sounds, const Profile& profile);

    void StartsubmenuClick();
    void environmentsubmenuClick();
    void soundssubmenuClick();
    void aboutsubmenuClick();
    void keyssubmenuClick();

private:
    TForm1& form1_;
    TForm3& form3_;
    TForm5& form5_;
    TAboutbox& aboutbox_;
    VoiceChoice& voice_;
    runtime::SoundSettings& sounds_;
    const Profile& profile_;
};

class WindowHost final : private VoiceChoice {
public:
    // `config` is the settings file, `files` finds the data files, `executable` names
    // the window.
    WindowHost(const std::filesystem::path& config, runtime::FileLocator files,
               const std::filesystem::path& executable);
    ~WindowHost();
    WindowHost(const WindowHost&) = delete;
    WindowHost& operator=(const WindowHost&) = delete;

    // Shows the main window; the message loop then runs it.
    void show();

private:
    // A start-up step between two members' creations, run where it is declared.
    struct Step {
        template <typename Action>
        explicit Step(Action&& action)
        {
            action();
        }
    };

    bool voicesavailable() const override;
    void enablevoice() override;
    void preparevoice() override;
    // Alt+1 to Alt+9 in the main window and the input dialog.
    void sayAnswer(size_t back);
    // Settings, Keep a transcript: on in the memory image's folder, or off.
    void keepTranscript(bool on);

    Profile profile_;
    runtime::Console console_;
    runtime::AnswerRecord answers_;
    runtime::Transcript transcript_;
    MessageBoxProcess process_;
    Step reportersSet_;
    SoundStack sounds_;
    speech::QtGuiPoster poster_;
    speech::QtEventQueue queue_;
    speech::SpeechLayer speech_;
    Step noticeSet_;
    TForm1 form1_;
    input::TForm2 form2_;
    ScreenAnnouncer announcer_;
    TForm3 form3_;
    speech::TForm4 form4_;
    speech::SpeechMenu speechMenu_;
    Step voiceItemsSet_;
    TForm5 form5_;
    input::TForm6 form6_;
    TAboutbox aboutbox_;
    WindowCommands commands_;
    Step dialogJoined_;
    input::MainWindowKeys keys_;
    Step keysJoined_;
    WindowCloseWatch closeWatch_;
    braille::QtBraille braille_;
    Step consoleJoined_;
};

} // namespace tov::shell
