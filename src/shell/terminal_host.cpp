// Standard input and output as the console's dialog and screen, and the braille display
// beside them; the speech is in terminal_speech.h.
#include "shell/terminal_host.h"

#include "braille/brlapidisplay.h"
#include "braille/printedline.h"
#include "braille/view.h"
#include "common/localizer.h"
#include "common/profile.h"
#include "common/text.h"
#include "input/chordkeyboard.h"
#include "input/tableloaders.h"
#include "runtime/answers.h"
#include "runtime/console.h"
#include "runtime/soundcues.h"
#include "runtime/transcript.h"
#include "shell/processexit.h"
#include "shell/runcontrol.h"
#include "shell/settings.h"
#include "shell/terminal_speech.h"
#include "sound/audiodevice.h"
#include "sound/sounddevice.h"

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iostream>
#include <memory>
#include <optional>
#include <string>
#include <unistd.h>
#include <utility>

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
class StdoutPrinter final : public runtime::PrintObserver {
public:
    void printed(const runtime::PrintedText& printed) override
    {
        std::cout << text::toUtf8(printed.text);
        switch (printed.mode) {
        case runtime::PrintMode::EndLine:
            std::cout << '\n';
            break;
        case runtime::PrintMode::Stay:
            break;
        case runtime::PrintMode::NextZone:
            std::cout << (printed.endsLine ? '\n' : ' ');
            break;
        }
        std::cout.flush();
    }
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

// Standard input read on a thread of its own, its lines arriving on an event queue: the
// speaking terminal's queue, which its speech serves while it waits, or a queue of the
// input's own. The braille display posts its keys to the same queue, so the one wait for
// the next line also takes the display's keys, and a line typed at a terminal cuts the
// line being spoken.
class QueuedInput {
public:
    QueuedInput(speech::ThreadEventQueue& queue, Interrupts interrupts, std::function<void()> stop)
        : queue_(queue), stop_(stop), lines_(queue, interrupts, std::move(stop))
    {
    }

    void startReading()
    {
        reader_ = std::make_unique<LineReader>(
            queue_, readInputLine, [this](std::string line) { lines_.arrived(std::move(line)); },
            [this] { lines_.ended(); });
    }
    speech::ThreadEventQueue& queue() { return queue_; }
    QueuedLines& lines() { return lines_; }
    // Cuts the speech going on, as a key does in the window; nothing without speech.
    void stopSpeech() const
    {
        if (stop_) {
            stop_();
        }
    }

private:
    speech::ThreadEventQueue& queue_;
    std::function<void()> stop_;
    QueuedLines lines_;
    std::unique_ptr<LineReader> reader_; //: never joined: the process ends without unwinding
};

// One line of standard input per new INPUT line, or one typed on the braille display;
// the end of input ends the process. While the lines come through the queue (the
// terminal speaks or has a display), the display's keys edit the line as it waits.
class TerminalDialog final : public runtime::InputDialog {
public:
    explicit TerminalDialog(TerminalProcess& process) : process_(process) {}

    void setEditText(const std::string& text) override
    {
        line_.text = text;
        line_.cursor = text.size();
    }
    void activateEdit() override {}
    runtime::DialogResult showModal() override
    {
        showLine();
        std::string utf8;
        waiting_ = true;
        const bool read = input_ != nullptr ? input_->lines().next(utf8) : readInputLine(utf8);
        waiting_ = false;
        if (view_ != nullptr) {
            view_->endInput();
        }
        if (!read && inputError == 0) {
            process_.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes);
        }
        if (!read) {
            process_.showMessage("standard input cannot be read: " +
                                 text::fromUtf8(std::strerror(inputError)));
            process_.finish(EXIT_FAILURE, TerminalProcess::Save::Yes);
        }
        setEditText(text::fromUtf8(utf8));
        return runtime::DialogResult::Ok;
    }
    std::string editText() const override { return line_.text; }
    void takeLinesFrom(QueuedInput& input) { input_ = &input; }
    void showOn(braille::BrailleView& view) { view_ = &view; }

    // --- the display's keys, run from the queue on this thread ---
    // The chord typed with the six-key keyboard's table and prefixes; the terminal echoes
    // no keys, so nothing is said.
    void typeChord(std::string_view chord)
    {
        cutSpeech();
        input::KeyboardState& keyboard = input::keyboardState();
        keyboard.chordbuffer = std::string(chord);
        input::commitChord(keyboard, input::brailleTables(), line_);
        showLine();
    }
    // Hands the line over as if it had been typed at the terminal. Only a waiting INPUT
    // takes it: an Enter while the program prints has no line to confirm.
    void confirm()
    {
        if (waiting_ && input_ != nullptr) {
            input_->lines().arrived(text::toUtf8(line_.text));
        }
    }
    void deleteBack()
    {
        cutSpeech();
        if (line_.cursor > 0) {
            line_.text.erase(--line_.cursor, 1);
            showLine();
        }
    }
    void moveCursor(size_t column)
    {
        cutSpeech();
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
    void cutSpeech() const
    {
        if (input_ != nullptr) {
            input_->stopSpeech();
        }
    }

    TerminalProcess& process_;
    input::EditLine line_;         //: the line being typed on the display; a read line after
    bool waiting_ = false;         //: showModal waits for the next line
    QueuedInput* input_ = nullptr; //: the reader's lines through the queue; else stdin itself
    braille::BrailleView* view_ = nullptr;
};

// The display while the terminal host runs: it is taken at once and given back when the
// process ends (BRLTTY notices the connection close). Its news (a display found, its
// keys) arrives on the input's queue, which the wait for a line serves, and which each
// PRINT serves too, so a display found late follows the printing at once. The braille
// table is read when the first display is found, so a terminal without one reads nothing
// more than before.
class TerminalBraille {
public:
    TerminalBraille(runtime::Console& console, const runtime::AnswerRecord& answers,
                    TerminalDialog& dialog, speech::ThreadEventQueue& queue)
        : console_(console), queue_(queue),
          view_(display_, {[&dialog](std::string_view chord) { dialog.typeChord(chord); },
                           [&dialog] { dialog.confirm(); },
                           [&dialog] { dialog.deleteBack(); },
                           [&dialog](size_t column) { dialog.moveCursor(column); },
                           {}}),
          printed_(console.screen(), answers, view_)
    {
        connection_ = std::make_unique<braille::BrlapiDisplay>(
            braille::BrlapiDisplay::Hooks{
                [this](std::function<void()> call) { queue_.post(std::move(call)); },
                [this](size_t width) { widthChanged(width); },
                [this](const braille::DisplayKey& key) { view_.key(key); },
                [this](bool) { attempted_ = true; }},
            braille::BrlapiDisplay::Place::Terminal);
        display_.to = connection_.get();
        connection_->setActive(true);
        connection_->setEnabled(true);
        dialog.showOn(view_);
        waitForFirstAttempt();
    }

    // Follows PRINT onto the display; the terminal host hands it to the console.
    runtime::PrintObserver& printObserver() { return observer_; }

private:
    // The program prints its first lines at once: they reach the display only if it is
    // found first. A refused connection (no BRLTTY) answers at once, so nothing waits
    // then; a BRLTTY that does not answer holds up the start by kFirstAttemptWait at most.
    static constexpr std::chrono::milliseconds kFirstAttemptWait{500};
    void waitForFirstAttempt()
    {
        queue_.processUntil([this] { return attempted_; }, queue_.now() + kFirstAttemptWait);
    }

    void widthChanged(size_t width)
    {
        if (width != 0 && !tableRead_) {
            tableRead_ = true;
            input::BrailleTables& tables = input::brailleTables();
            tables.brailletablefile = console_.locate(input::kBrailleTableFile);
            try {
                input::LoadBrailleTable();
                view_.setTable(braille::CellTable(tables));
            } catch (const std::exception& error) {
                std::cerr << error.what() << ": " << tables.brailletablefile.filename().string()
                          << std::endl;
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

    runtime::Console& console_;
    speech::ThreadEventQueue& queue_;
    Forward display_;
    braille::BrailleView view_;
    braille::PrintedLines printed_;
    // Serves the display's news before each line is shown, so a display found late follows
    // the printing at once.
    struct Observer final : runtime::PrintObserver {
        TerminalBraille& owner;
        explicit Observer(TerminalBraille& owner) : owner(owner) {}
        void printed(const runtime::PrintedText& printed) override
        {
            owner.queue_.processPending();
            owner.printed_.printed(printed);
        }
        void inputStarted() override { owner.printed_.inputStarted(); }
        void inputEnded(std::string_view line) override { owner.printed_.inputEnded(line); }
    } observer_{*this};
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
    console.setlocator(options.files);
    StdoutPrinter printer;
    runtime::AnswerRecord answers;
    TerminalProcess process(console, options);
    TerminalDialog dialog(process);
    console.loadmemoryimage();
    // A logout, a closed terminal or Ctrl+C ends the run as its end does: image saved.
    endOnSignals([&process] { process.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes); });

    // Sounds play when an audio device opens; without one they are silent, but `sound`
    // still waits its durations so the program keeps its rhythm.
    // A sound server that goes away is told once on standard error, from whichever thread
    // found it (the voice's, for an utterance): stdio locks each line, the streams do not.
    sound::AudioDevice::onLoss([](const std::string& output) {
        const std::string said =
            text::toUtf8(message(Message::SoundLost) + " " + text::fromUtf8(output));
        std::fprintf(stderr, "%s\n", said.c_str());
        std::fflush(stderr);
    });
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

    // Speech for the run: the layer with its engines on the terminal's own event queue.
    std::unique_ptr<TerminalSpeech> spoken;
    runtime::Speech* speech = &runtime::silentSpeech();
    if (options.speak) {
        spoken = std::make_unique<TerminalSpeech>(profile, cues, process);
        try {
            if (spoken->start()) {
                speech = &spoken->layer();
            } else {
                std::cerr << "tovana: speech is off in the settings file ("
                          << settings::kVoiceAllowed.section << "/" << settings::kVoiceAllowed.key
                          << "); printing only\n";
            }
        } catch (const std::exception& error) {
            process.showMessage(error.what());
        }
    }

    // Lines come through a queue when something else must be heard while one is awaited:
    // the speech's notifications, or the display's keys. Otherwise INPUT reads stdin itself.
    const bool wantsDisplay = readbrailledisplay(profile);
    std::optional<speech::ThreadEventQueue> inputQueue;
    std::unique_ptr<QueuedInput> input;
    if (spoken) {
        input = std::make_unique<QueuedInput>(
            spoken->queue(), ::isatty(STDIN_FILENO) ? Interrupts::Yes : Interrupts::No,
            [&spoken] { spoken->layer().stopspeech(); });
    } else if (wantsDisplay) {
        input = std::make_unique<QueuedInput>(inputQueue.emplace(), Interrupts::No, nullptr);
    }
    std::optional<TerminalBraille> braille;
    if (wantsDisplay) {
        braille.emplace(console, answers, dialog, input->queue());
    }

    // Everything the console talks to, handed over at once: standard output hears each
    // PRINT first, then the display.
    runtime::ConsoleHost host;
    host.speech = speech;
    host.dialog = &dialog;
    host.process = &process;
    host.sounds = &cues;
    host.observers.push_back(&printer);
    host.observers.push_back(&answers); // before the outputs that read its answers
    if (braille) {
        host.observers.push_back(&braille->printObserver());
    }
    // The settings' transcript beside the memory image, or the one named for this run.
    runtime::Transcript transcript(
        answers, [&process](const std::string& text) { process.showMessage(text); });
    if (!options.transcript.empty()) {
        transcript.keepIn(options.transcript);
    } else if (readtranscript(profile)) {
        transcript.keepIn(console.locate(runtime::kMemoryImageFile).parent_path() /
                          runtime::kTranscriptFile);
    }
    host.observers.push_back(&transcript);
    console.setHost(std::move(host));

    if (input) {
        input->startReading();
        dialog.takeLinesFrom(*input);
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
