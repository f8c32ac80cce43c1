// The program's entry: the window, or with --console the terminal host.
//
//   tovana [--config FILE]                         the main window
//   tovana --console [--speak] [--dump-screen] [--transcript FILE] [--config FILE]
//
// Where the settings file and the data files are: shell/filelocations.h; --config FILE
// names another settings file.
#include "common/atomic_file.h"
#include "common/localizer.h"
#include "common/text.h"
#include "shell/filelocations.h"
#include "shell/mainwindow.h"
#include "shell/processexit.h"
#include "shell/programicon.h"
#include "shell/terminal_host.h"
#include "shell/tovapplication.h"
#include "shell/windowhost.h"
#include "speech/engines.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

namespace {

struct Options {
    bool console = false;
    tov::shell::TerminalOptions terminal;
    std::filesystem::path config;
};

void usage(std::FILE* to)
{
    std::fputs("usage: tovana [--config FILE]\n"
               "       tovana --console [--speak] [--dump-screen] [--transcript FILE]"
               " [--config FILE]\n",
               to);
}

std::filesystem::path executablePath(const char* argv0)
{
    std::error_code error;
    const auto self = std::filesystem::read_symlink("/proc/self/exe", error);
    return error ? std::filesystem::absolute(argv0) : self;
}

Options parse(int argc, char** argv)
{
    Options options;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--console") {
            options.console = true;
        } else if (arg == "--speak") {
            options.terminal.speak = true;
        } else if (arg == "--dump-screen") {
            options.terminal.dumpScreen = true;
        } else if (arg == "--transcript" && options.console && i + 1 < argc) {
            options.terminal.transcript = argv[++i];
        } else if (arg == "--config" && i + 1 < argc) {
            options.config = argv[++i];
        } else if (arg == "--help" || arg == "-h") {
            usage(stdout);
            std::exit(EXIT_SUCCESS);
        } else if (!options.console) {
            continue; // Qt's own options (-platform, ...) are left to Qt
        } else {
            std::fprintf(stderr, "tovana: unknown option '%s'\n", arg.c_str());
            usage(stderr);
            std::exit(2);
        }
    }
    return options;
}

// An error that no handler caught: said in a box when the window host has its
// application object, on standard error otherwise, and the process ends with status 1.
[[noreturn]] void endWithError(const std::string& what)
{
    const std::string text = tov::message(tov::Message::EndedWithError) + " " + what;
    if (qApp != nullptr) {
        tov::shell::showErrorMessage(text);
    } else {
        std::fprintf(stderr, "tovana: %s\n", tov::text::toUtf8(text).c_str());
    }
    tov::shell::endProcessNow(EXIT_FAILURE);
}

// A desktop logout, a closed terminal or Ctrl+C: the main window's Exit, on the GUI
// thread, wherever its event loop is (a run's wait, the input dialog).
void exitOnSignals()
{
    tov::shell::endOnSignals([] {
        QMetaObject::invokeMethod(
            qApp,
            [] {
                for (QWidget* window : QApplication::topLevelWidgets()) {
                    if (auto* form1 = qobject_cast<tov::shell::TForm1*>(window)) {
                        form1->exitsubmenuClick();
                        return;
                    }
                }
                QApplication::quit(); // before the main window exists: nothing to save
            },
            Qt::QueuedConnection);
    });
}

// The window host: every window and what they share, in their creation order.
int startWindows(const Options& options, const std::filesystem::path& executable)
{
    QApplication::setWindowIcon(tov::shell::programIcon());
    tov::shell::WindowHost host(options.config, options.terminal.files, executable);
    host.show();
    exitOnSignals();
    return QApplication::exec();
}

int runWindow(int argc, char** argv, const Options& options,
              const std::filesystem::path& executable)
{
    // espeak-ng reads its data while Qt connects to the display and loads its fonts.
    tov::speech::prepareEngines();
    tov::shell::TovApplication app(argc, argv);
    try {
        return startWindows(options, executable);
    } catch (const std::exception& error) {
        endWithError(error.what()); // while the application object can still show a box
    }
}

} // namespace

int main(int argc, char** argv)
{
    try {
        Options options = parse(argc, argv);
        const std::filesystem::path executable = executablePath(argv[0]);
        const tov::shell::FileLocations files = tov::shell::locateFiles(executable);
        if (options.config.empty()) {
            options.config = files.settingsfile();
        }
        options.terminal.files = files.locator();
        // What a write killed half-way left behind; nothing else ever removes it.
        tov::files::removeLeftoverTemporaries(options.config);
        tov::files::removeLeftoverTemporaries(files.memoryimage());
        if (options.console) {
            return tov::shell::runTerminal(options.config, options.terminal);
        }
        return runWindow(argc, argv, options, executable);
    } catch (const std::exception& error) {
        endWithError(error.what());
    } catch (...) {
        endWithError("unknown error");
    }
}
