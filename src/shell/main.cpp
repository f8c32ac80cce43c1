// The program's entry: the window, or with --console the terminal host.
//
//   tovana [--config FILE]                         the main window
//   tovana --console [--speak] [--dump-screen] [--config FILE]
//
// Where the settings file and the data files are: shell/filelocations.h; --config FILE
// names another settings file.
#include "braille/qtbraille.h"
#include "common/localizer.h"
#include "common/profile.h"
#include "input/chordkeyboard.h"
#include "input/mainwindowkeys.h"
#include "input/tform2.h"
#include "input/tform6.h"
#include "shell/settings.h"
#include "shell/soundstack.h"
#include "speech/engines.h"
#include "speech/qtguithread.h"
#include "speech/speechlayer.h"
#include "speech/speechmenu.h"
#include "speech/tform4.h"
#include "common/qtext.h"
#include "common/text.h"
#include "runtime/soundcues.h"
#include "runtime/tovcommands.h"
#include "shell/filelocations.h"
#include "shell/processexit.h"
#include "shell/terminal_host.h"
#include "shell/programicon.h"
#include "shell/taboutbox.h"
#include "shell/tform1.h"
#include "shell/tform3.h"
#include "shell/tform5.h"
#include "shell/tovapplication.h"

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
               "       tovana --console [--speak] [--dump-screen] [--config FILE]\n",
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

// The window host, step by step in the order the windows are created.
int startWindows(const Options& options, const std::filesystem::path& executable)
{
    QApplication::setWindowIcon(tov::shell::programIcon());
    tov::Profile profile(options.config);
    // A settings file that cannot be stored is said once, over the main window; the
    // changes hold in memory until the end.
    profile.setWriteFailureReporter(tov::shell::postErrorMessage);
    tov::runtime::Console console;
    console.setlocator(options.terminal.files);
    tov::shell::MessageBoxProcess process;
    console.host().process = &process; // the main window's creation may already need it

    // The sounds first, silent until the main window opens them: speech plays its tones
    // through them. Then speech: its engine threads post to the GUI thread through these two.
    tov::shell::SoundStack sounds(console);
    tov::speech::QtGuiPoster poster;
    tov::speech::QtEventQueue queue;
    tov::speech::SpeechLayer speech({queue, sounds, profile}, tov::speech::espeakEngines(poster),
                                    tov::speech::speechDispatcherVoice(poster));
    speech.setNotice(tov::shell::postErrorMessage);
    console.host().speech = &speech;

    tov::shell::TForm1 form1(console, profile, sounds, executable, &speech);
    tov::input::TForm2 form2([&form1] { form1.endNow(); }, &form1);
    tov::shell::TForm3 form3(profile, &form1);
    tov::speech::TForm4 form4(speech, process, &form1);
    tov::speech::SpeechMenu speechMenu(
        speech, form4, form1.usesapi5submenu(), form1.Voicesubmenu(),
        [&form1] { return tov::text::fromQString(form1.windowTitle()); }, &form1);
    speechMenu.settingsread(form1.sapi5Setting());
    tov::shell::TForm5 form5(sounds.settings(), sounds, &form1);
    tov::input::TForm6 form6(console, speech, sounds, tov::input::keyboardState(), &form1);
    tov::shell::TAboutbox aboutbox(&form1);

    tov::shell::LaterForms later;
    later.form3 = &form3;
    later.form5 = &form5;
    later.aboutbox = &aboutbox;
    later.voicesavailable = [&speech] { return speech.voicesavailable(); };
    later.enablevoice = [&form4] { form4.voiceselection().enablevoice(); };
    later.preparevoice = [&form4] { form4.voiceselection().preparevoice(); };
    form1.setLaterForms(later);
    form2.setHosts({&speech, &sounds, &tov::input::keyboardState(), &tov::input::brailleTables(),
                    [&form6] { form6.Open(); }});
    console.host().dialog = &form2;

    tov::input::MainWindowKeys keys({&speech, &sounds, &tov::input::keyboardState(),
                                     [&sounds] { return sounds.timer().endwait(); },
                                     [&form1] { return form1.programstarted(); },
                                     [&form6] { form6.Open(); }, [&form1] { form1.endNow(); },
                                     [&form1] { form1.writesettings(); }},
                                    &form1);
    keys.attachbraillekeyboarditem(*form1.braillekeyboarditem());
    keys.watch(form1);

    // The braille display: nothing waits for it, and without BRLTTY nothing is shown.
    tov::braille::QtBraille braille(
        console, form2, form6, *form1.brailledisplayitem(),
        {[&poster](std::function<void()> call) { poster.post(std::move(call)); },
         [&profile] { return tov::shell::readbrailledisplay(profile); },
         [&profile](bool on) { tov::shell::writebrailledisplay(profile, on); },
         [](const std::string& text) { tov::shell::showInformation(text); },
         [&speech](const std::string& text) { speech.saynowait(text); }},
        &form1);

    form1.show();
    if (tov::shell::isUnattended()) {
        QMetaObject::invokeMethod(
            &form1,
            [] {
                std::fputs("tovana: main window shown\n", stderr);
                std::fflush(stderr);
            },
            Qt::QueuedConnection);
    }
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
