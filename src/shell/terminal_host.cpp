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

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <cstdlib>
#include <iostream>
#include <string>

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
            return any ? Read::Line : Read::End;
        }
        any = true;
        if (c == '\n') {
            return Read::Line;
        }
        if (line.size() < kLongestLine) {
            line.push_back(static_cast<char>(c));
        }
    }
}

// One line of standard input per new INPUT line; the end of input ends the process.
class TerminalDialog final : public runtime::InputDialog {
public:
    explicit TerminalDialog(TerminalProcess& process) : process_(process) {}

    void setEditText(const std::string& text) override { line_ = text; }
    void activateEdit() override {}
    runtime::DialogResult showModal() override
    {
        std::string utf8;
        switch (readLine(utf8)) {
        case Read::Line:
            break;
        case Read::End:
            process_.finish(EXIT_SUCCESS, TerminalProcess::Save::Yes);
        case Read::Failed:
            process_.showMessage("standard input cannot be read: " +
                                 text::fromUtf8(std::strerror(errno)));
            process_.finish(EXIT_FAILURE, TerminalProcess::Save::Yes);
        }
        if (!utf8.empty() && utf8.back() == '\r') {
            utf8.pop_back();
        }
        line_ = text::fromUtf8(utf8);
        return runtime::DialogResult::Ok;
    }
    std::string editText() const override { return line_; }

private:
    TerminalProcess& process_;
    std::string line_;
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
    runtime::loadsounds(wavelist.Waves(), process,
                        console.locate(runtime::kSoundBankFile).parent_path());
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
