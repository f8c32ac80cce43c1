// What the runtime needs from the layers above it. The runtime never includes a header of
// the speech layer, the input dialog or the shell; the shell wires real implementations
// at start-up, a terminal host wires its own, and tests wire recording doubles.
// Everything here is called on the GUI thread.
#pragma once

#include <chrono>
#include <span>
#include <string>

namespace tov::runtime {

// The speech layer, as the runtime and the keyboard's windows use it. The speech layer
// implements it; the key names and the capital cue of a typed character are the keyboard's
// own, so by the time a name arrives here it is only text to speak.
class Speech {
public:
    virtual ~Speech() = default;
    // Speaks a Windows-1250 text and returns when it has been spoken, serving the event
    // queue meanwhile; an empty text returns at once.
    virtual void say(const std::string& text) = 0;
    // Hands the text to the engine and returns at once.
    virtual void saynowait(const std::string& text) = 0;
    // Silences the engine: what it is saying and everything queued.
    virtual void stopspeech() = 0;
    // Speaks a typed character's name ("velké a"), the way a key echo is spoken: it waits
    // as `say` does where the engine's echo waits, and speaks even where `say` would not
    // (the keys are heard before the user allows speech of the screen).
    virtual void saykeyname(const std::string& name) = 0;
    // A speech engine is ready to speak: a voice is selected, or the system's voice is in use.
    virtual bool engineready() const = 0;
};

enum class DialogResult { Ok, Closed };

// The input dialog, as INPUT uses it: an edit field whose text can be set and read, shown
// modally until the user confirms the line (Ok) or closes the dialog.
class InputDialog {
public:
    virtual ~InputDialog() = default;
    virtual void setEditText(const std::string& text) = 0;
    virtual void activateEdit() = 0;
    virtual DialogResult showModal() = 0;
    virtual std::string editText() const = 0;
};

// Message boxes and the immediate end of the process, for the runtime's fatal stops.
class ProcessControl {
public:
    virtual ~ProcessControl() = default;
    virtual void showMessage(const std::string& text) = 0;
    // Ends the process at once, without unwinding the program's nested loops.
    [[noreturn]] virtual void endProcess() = 0;
};

// A blocking pause of the GUI thread that does not serve the event queue (the steps of
// `print`, the program's pauses).
class Pauser {
public:
    virtual ~Pauser() = default;
    virtual void pause(std::chrono::milliseconds duration) = 0;
};

// The notetaker's sound statement and key cues. The built-in program's tones (the falling
// tone, the death tune) and the interface's cues all go through here. `sound` plays the
// tones together for the duration and returns when the duration is over (or a key in the
// main window ended it early), serving the event queue meanwhile; `beep` and `click`
// block until their sound has ended. Arguments are the BASIC's reals, truncated inside.
class SoundStatement {
public:
    virtual ~SoundStatement() = default;
    virtual void sound(std::span<const double> tones, double soundnumber, double duration) = 0;
    virtual void beep() = 0;
    virtual void click(double n) = 0;
};

// Hosts that do nothing, for a console that has not been wired yet: silence, a dialog
// that is closed at once, real sleeps, no sounds (and no waits), and a process end that
// reports on stderr.
Speech& silentSpeech();
InputDialog& closedDialog();
ProcessControl& stderrProcess();
Pauser& sleepingPauser();
SoundStatement& silentSounds();

} // namespace tov::runtime
