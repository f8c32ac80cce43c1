// Standard input and output as the console's dialog and screen.
#include "shell/terminal_host.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/text.h"
#include "runtime/soundcues.h"
#include "runtime/tovcommands.h"
#include "shell/settings.h"
#include "sound/sounddevice.h"
#include "shell/processexit.h"
#include "shell/runcontrol.h"
#include "shell/terminal_speech.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <string>
#include <unistd.h>

namespace tov::shell {
namespace {

// The longest line kept: an endless line (from /dev/zero, say) is cut here and the rest
// of it read and dropped, so memory stays bounded.
constexpr size_t kLongestLine = 64 * 1024;

enum class Read { Line, End, Failed };

// One line of standard input without its line end, at most kLongestLine bytes of it. The
// last line may lack its line end. A read error is Failed, not the end of input.
Read readLine(std::string& line)
{
    line.clear();
    bool any = false;
    while (true) {
        errno = 0;
        const int c = std::getchar();
        if (c == EOF) {
            if (std::ferror(stdin)) {
                return Read::Failed;
            }
            if (!any) {
                return Read::End;
            }
            break;
        }
        any = true;
        if (c == '\n') {
            break;
        }
        if (line.size() < kLongestLine) {
            line.push_back(static_cast<char>(c));
        }
    }
    if (!line.empty() && line.back() == '\r') {
        line.pop_back();
    }
    return Read::Line;
}

//: the errno of a failed read of standard input; 0 while reading has not failed
std::atomic<int> inputError{0};

// The next line of standard input, as UTF-8 without its line end; false at the end of
// input and after a read error, which is kept in `inputError` (the speaking terminal
// reads on a thread of its own, which cannot end the process itself).
bool readInputLine(std::string& utf8)
{
    switch (readLine(utf8)) {
    case Read::Line:
        return true;
    case Read::Failed:
        inputError = errno != 0 ? errno : EIO;
        return false;
    case Read::End:
        break;
    }
    return false;
}

// Writes every PRINT to standard output: mode 0 ends the line, mode 1 stays on it, mode 2
// pads to the screen's next tab zone.
class StdoutListener final : public runtime::PrintListener {
public:
    explicit StdoutListener(runtime::Console& console) : console_(console) {}

    void printed(std::string_view text, runtime::PrintMode mode) override
    {
        std::cout << text::toUtf8(text);
        switch (mode) {
        case runtime::PrintMode::EndLine:
            std::cout << '\n';
            break;
        case runtime::PrintMode::Stay:
            break;
        case runtime::PrintMode::NextZone:
            if (console_.cursor().column() == 0) {
                std::cout << '\n';
            } else {
                std::cout << ' ';
            }
            break;
        }
        std::cout.flush();
    }

private:
    runtime::Console& console_;
};

class TerminalDialog;

// The end of the process: the screen dump when asked for, the memory image saved.
class TerminalProcess final : public runtime::ProcessControl {
public:
    TerminalProcess(runtime::Console& console, const TerminalOptions& options)
        : console_(console), options_(options)
    {
    }

    void showMessage(const std::string& text) override
    {
        std::cout.flush();
        std::cerr << text::toUtf8(text) << std::endl;
    }
    [[noreturn]] void endProcess() override { finish(EXIT_FAILURE, Save::No); }

    enum class Save { Yes, No };
    [[noreturn]] void finish(int status, Save save)
    {
        if (options_.dumpScreen) {
            dumpScreen();
        }
        if (save == Save::Yes) {
            try {
                console_.savememoryimage();
            } catch (const std::exception& error) {
                showMessage(error.what());
                status = EXIT_FAILURE;
            }
        }
        endProcessNow(status);
    }

    void dumpScreen()
    {
        std::cout << "--- screen ---\n";
        for (const std::string& line : console_.screen().lines()) {
            std::cout << text::toUtf8(line) << '\n';
        }
        std::cout << "--- end ---\n";
        std::cout.flush();
    }

private:
    runtime::Console& console_;
    const TerminalOptions& options_;
};

// One line of standard input per new INPUT line; the end of input ends the process.
// While the terminal speaks, the lines come from the reader thread through the queue.
class TerminalDialog final : public runtime::InputDialog {
public:
    explicit TerminalDialog(TerminalProcess& process) : process_(process) {}

    void setEditText(const std::string& text) override { line_ = text; }
    void activateEdit() override {}
    runtime::DialogResult showModal() override
    {
        std::string utf8;
        const bool read = queued_ != nullptr ? queued_->next(utf8) : readInputLine(utf8);
        if (!read && inputError == 0) {
            process_.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes);
        }
        if (!read) {
            process_.showMessage("standard input cannot be read: " +
                                 text::fromUtf8(std::strerror(inputError)));
            process_.finish(EXIT_FAILURE, TerminalProcess::Save::Yes);
        }
        line_ = text::fromUtf8(utf8);
        return runtime::DialogResult::Ok;
    }
    std::string editText() const override { return line_; }
    void takeLinesFrom(QueuedLines& queued) { queued_ = &queued; }

private:
    TerminalProcess& process_;
    std::string line_;
    QueuedLines* queued_ = nullptr; //: the reader's lines while speaking; else stdin itself
};

// Speech for the run: the layer with its engines, and standard input read on a thread of
// its own so that a line typed at a terminal can stop the speech going on.
struct SpokenTerminal {
    SpokenTerminal(const Profile& profile, runtime::SoundStatement& sounds,
                   TerminalProcess& process)
        : speech(profile, sounds, process),
          lines(speech.queue(), ::isatty(STDIN_FILENO) ? Interrupts::Yes : Interrupts::No,
                [this] { speech.layer().stopspeech(); })
    {
    }
    void startReading()
    {
        reader = std::make_unique<LineReader>(
            speech.queue(), readInputLine, [this](std::string line) { lines.arrived(line); },
            [this] { lines.ended(); });
    }

    TerminalSpeech speech;
    QueuedLines lines;
    std::unique_ptr<LineReader> reader; //: never joined: the process ends without unwinding
};

} // namespace

int runTerminal(const std::filesystem::path& configFile, const TerminalOptions& options)
{
    const Profile profile(configFile);
    readlanguage(profile);
    runtime::Console console;
    console.setlocator(options.files);
    StdoutListener listener(console);
    TerminalProcess process(console, options);
    TerminalDialog dialog(process);

    runtime::ConsoleHost host;
    host.listener = &listener;
    host.dialog = &dialog;
    host.process = &process;
    console.setHost(host);
    console.loadmemoryimage();

    // Sounds play when an audio device opens; without one they are silent, but `sound`
    // still waits its durations so the program keeps its rhythm.
    sound::TSoundDevice device;
    try {
        device.initsound();
    } catch (const std::exception&) {
    }
    sound::TWaveList wavelist;
    wavelist.setdevice(&device);
    runtime::SoundCues cues(wavelist.Waves(), console.soundstate(), runtime::sleepingWait());
    cues.settings() = readsettings(profile).sounds;
    runtime::loadsounds(wavelist.Waves(), process,
                        console.locate(runtime::kSoundBankFile).parent_path());
    console.host().sounds = &cues;

    std::unique_ptr<SpokenTerminal> spoken;
    if (options.speak) {
        spoken = std::make_unique<SpokenTerminal>(profile, cues, process);
        try {
            if (spoken->speech.start()) {
                console.host().speech = &spoken->speech.layer();
            } else {
                std::cerr << "tovana: speech is off in the settings file ("
                          << settings::kVoiceAllowed.section << "/" << settings::kVoiceAllowed.key
                          << "); printing only\n";
            }
        } catch (const std::exception& error) {
            process.showMessage(error.what());
        }
        spoken->startReading();
        dialog.takeLinesFrom(spoken->lines);
    }

    try {
        runBuiltInProgram(console, [] {});
    } catch (const std::exception& error) {
        process.showMessage(error.what());
        process.finish(EXIT_FAILURE, TerminalProcess::Save::Yes);
    }
    process.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes);
}

} // namespace tov::shell
