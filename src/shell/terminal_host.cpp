// Standard input and output as the console's dialog and screen.
#include "shell/terminal_host.h"

#include "braille/brlapidisplay.h"
#include "braille/callqueue.h"
#include "braille/printedline.h"
#include "braille/view.h"
#include "common/localizer.h"
#include "common/profile.h"
#include "common/text.h"
#include "runtime/soundcues.h"
#include "runtime/tovcommands.h"
#include "input/chordkeyboard.h"
#include "input/tableloaders.h"
#include "shell/settings.h"
#include "sound/sounddevice.h"
#include "shell/processexit.h"
#include "shell/runcontrol.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <utility>

namespace tov::shell {
namespace {

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

// Standard input, read line by line straight from its file, so that a wait for the next
// line can also wake for the braille display's keys.
class StdinLines {
public:
    // The next line without its end; none at the end of input. While it waits, calls
    // posted to `calls` run; a call may set `*interrupt`, which ends the wait with none.
    std::optional<std::string> next(braille::CallQueue* calls, const bool* interrupt)
    {
        for (;;) {
            const size_t end = buffer_.find('\n');
            if (end != std::string::npos) {
                std::string line = buffer_.substr(0, end);
                buffer_.erase(0, end + 1);
                return line;
            }
            if (eof_) {
                if (buffer_.empty()) {
                    return std::nullopt;
                }
                return std::exchange(buffer_, {});
            }
            pollfd fds[2] = {{0, POLLIN, 0}, {calls ? calls->fd() : -1, POLLIN, 0}};
            if (::poll(fds, calls ? 2 : 1, -1) < 0) {
                if (errno == EINTR) {
                    continue;
                }
                eof_ = true;
                continue;
            }
            if (calls && (fds[1].revents & POLLIN) != 0) {
                calls->runPending();
                if (interrupt && *interrupt) {
                    return std::nullopt;
                }
            }
            if (fds[0].revents != 0) {
                char chunk[4096];
                const ssize_t got = ::read(0, chunk, sizeof chunk);
                if (got > 0) {
                    buffer_.append(chunk, static_cast<size_t>(got));
                } else if (got == 0 || errno != EINTR) {
                    eof_ = true;
                }
            }
        }
    }

private:
    std::string buffer_;
    bool eof_ = false;
};

// One line of standard input per new INPUT line, or one typed on the braille display;
// the end of input ends the process.
class TerminalDialog final : public runtime::InputDialog {
public:
    explicit TerminalDialog(TerminalProcess& process) : process_(process) {}

    // The display's keys edit `line_` while a line is awaited.
    void attachBraille(braille::BrailleView* view, braille::CallQueue* calls)
    {
        view_ = view;
        calls_ = calls;
    }

    void setEditText(const std::string& text) override
    {
        line_.text = text;
        line_.cursor = text.size();
    }
    void activateEdit() override {}
    runtime::DialogResult showModal() override
    {
        confirmed_ = false;
        showLine();
        std::optional<std::string> utf8 = stdin_.next(calls_, &confirmed_);
        if (view_ != nullptr) {
            view_->endInput();
        }
        if (confirmed_) {
            return runtime::DialogResult::Ok; // Enter on the display
        }
        if (!utf8) {
            process_.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes);
        }
        if (!utf8->empty() && utf8->back() == '\r') {
            utf8->pop_back();
        }
        setEditText(text::fromUtf8(*utf8));
        return runtime::DialogResult::Ok;
    }
    std::string editText() const override { return line_.text; }

    // --- the display's keys, on this thread while showModal waits ---
    void typeChord(std::string_view chord)
    {
        input::KeyboardState& keyboard = input::keyboardState();
        keyboard.chordbuffer = std::string(chord);
        input::commitChord(keyboard, input::brailleTables(), line_);
        showLine();
    }
    void confirm() { confirmed_ = true; }
    void deleteBack()
    {
        if (line_.cursor > 0) {
            line_.text.erase(--line_.cursor, 1);
            showLine();
        }
    }
    void moveCursor(size_t column)
    {
        line_.cursor = std::min(column, line_.text.size());
        showLine();
    }

private:
    void showLine()
    {
        if (view_ != nullptr) {
            view_->showInput(line_.text, line_.cursor);
        }
    }

    TerminalProcess& process_;
    input::EditLine line_;
    StdinLines stdin_;
    braille::BrailleView* view_ = nullptr;
    braille::CallQueue* calls_ = nullptr;
    bool confirmed_ = false; //: Enter on the display ended this wait
};

// The display while the terminal host runs: it is taken at once and given back when the
// process ends (BRLTTY notices the connection close). The braille table is read when the
// first display is found, so a terminal without one reads nothing more than before.
class TerminalBraille {
public:
    TerminalBraille(runtime::Console& console, StdoutListener& stdoutListener,
                    TerminalDialog& dialog)
        : view_(display_, {[&dialog](std::string_view chord) { dialog.typeChord(chord); },
                           [&dialog] { dialog.confirm(); }, [&dialog] { dialog.deleteBack(); },
                           [&dialog](size_t column) { dialog.moveCursor(column); },
                           {}},
                braille::screenOf(console)),
          printed_(console, view_, &stdoutListener)
    {
        connection_ = std::make_unique<braille::BrlapiDisplay>(
            braille::BrlapiDisplay::Hooks{
                [this](std::function<void()> call) { calls_.post(std::move(call)); },
                [this](size_t width) { widthChanged(width); },
                [this](const braille::DisplayKey& key) { view_.key(key); },
                [this](bool) { attempted_ = true; }},
            braille::BrlapiDisplay::Place::Terminal);
        display_.to = connection_.get();
        connection_->setActive(true);
        connection_->setEnabled(true);
        dialog.attachBraille(&view_, &calls_);
        waitForFirstAttempt();
    }

    // PRINT runs between the waits for input: the display's news (a display found, its
    // keys) is taken at each one, so a display found late follows the printing at once.
    runtime::PrintListener& listener() { return listener_; }

private:
    // The program prints its first lines at once: they reach the display only if it is
    // found first. A refused connection (no BRLTTY) answers at once, so nothing waits
    // then; a BRLTTY that does not answer holds up the start by kFirstAttemptWait at most.
    static constexpr int kFirstAttemptWaitMs = 500;
    void waitForFirstAttempt()
    {
        const auto deadline =
            std::chrono::steady_clock::now() + std::chrono::milliseconds(kFirstAttemptWaitMs);
        while (!attempted_) {
            const auto left = std::chrono::ceil<std::chrono::milliseconds>(
                deadline - std::chrono::steady_clock::now());
            if (left.count() <= 0) {
                return;
            }
            pollfd fd{calls_.fd(), POLLIN, 0};
            if (::poll(&fd, 1, static_cast<int>(left.count())) > 0) {
                calls_.runPending();
            }
        }
    }

    void widthChanged(size_t width)
    {
        if (width != 0 && !tableRead_) {
            tableRead_ = true;
            try {
                input::brailleTables().brailletablefile = input::kBrailleTableFile;
                input::LoadBrailleTable();
                view_.setTable(braille::CellTable(input::brailleTables()));
            } catch (const std::exception& error) {
                std::cerr << error.what() << ": " << input::kBrailleTableFile << std::endl;
            }
        }
        view_.setWidth(width);
    }

    // The view is made before the connection it writes to.
    struct Forward final : braille::DisplayOutput {
        braille::DisplayOutput* to = nullptr;
        void write(std::vector<braille::Cell> cells) override
        {
            if (to != nullptr) {
                to->write(std::move(cells));
            }
        }
    };

    braille::CallQueue calls_;
    Forward display_;
    braille::BrailleView view_;
    braille::PrintedLines printed_;
    struct Listener final : runtime::PrintListener {
        TerminalBraille& owner;
        explicit Listener(TerminalBraille& owner) : owner(owner) {}
        void printed(std::string_view text, runtime::PrintMode mode) override
        {
            owner.calls_.runPending();
            owner.printed_.printed(text, mode);
        }
    } listener_{*this};
    std::unique_ptr<braille::BrlapiDisplay> connection_;
    bool tableRead_ = false;
    bool attempted_ = false; //: the first connection attempt has answered
};

} // namespace

int runTerminal(const std::filesystem::path& configFile, const TerminalOptions& options)
{
    const Profile profile(configFile);
    readlanguage(profile);
    runtime::Console console;
    StdoutListener listener(console);
    TerminalProcess process(console, options);
    TerminalDialog dialog(process);

    std::optional<TerminalBraille> braille;
    if (readbrailledisplay(profile)) {
        braille.emplace(console, listener, dialog);
    }

    runtime::ConsoleHost host;
    host.listener = braille ? &braille->listener() : &listener;
    host.dialog = &dialog;
    host.process = &process;
    if (options.speak) {
        std::cerr << "tovana: this build has no speech engine yet; printing only\n";
    }
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
    readsettings(profile, {.sounds = &cues.settings()}, false);
    runtime::loadsounds(wavelist.Waves(), process);
    console.host().sounds = &cues;

    try {
        runBuiltInProgram(console, [] {});
    } catch (const std::exception& error) {
        process.showMessage(error.what());
        process.finish(EXIT_FAILURE, TerminalProcess::Save::Yes);
    }
    process.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes);
}

} // namespace tov::shell
