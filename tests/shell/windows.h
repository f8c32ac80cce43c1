// The main window and the windows its menu commands open, built as the window host
// builds them, in a test's own folder holding the files a started program finds. The
// voice is a double: whether voices exist is the test's to say, and what the commands
// asked of it is counted.
#pragma once

#include "common/localizer.h"
#include "common/profile.h"
#include "doubles/doubles.h"
#include "runtime/console.h"
#include "shell/aboutbox.h"
#include "shell/environmentdialog.h"
#include "shell/mainwindow.h"
#include "shell/soundsdialog.h"
#include "shell/soundstack.h"
#include "shell/windowhost.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>

namespace tov::testing {

class CountingVoice final : public shell::VoiceChoice {
public:
    bool voicesavailable() const override { return available; }
    void enablevoice() override { ++enabled; }
    void preparevoice() override { ++prepared; }

    bool available = false;
    int enabled = 0;  //: a voice was chosen because speech was switched on
    int prepared = 0; //: Start prepared the voice
};

class WindowsTest : public ::testing::Test {
protected:
    WindowsTest() : console(dir.path()), profile(dir / "tovana.ini")
    {
        languageSettings().languagebase = kCzechBase;
        const std::filesystem::path from(TOVANA_WORKDIR);
        for (const char* name :
             {"sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky"}) {
            std::filesystem::copy_file(from / name, dir / name,
                                       std::filesystem::copy_options::overwrite_existing);
        }
    }
    ~WindowsTest() override { languageSettings().languagebase = kCzechBase; }

    // The main window first (its creation reads the language), then the later windows
    // and the commands that open them.
    void createWindows()
    {
        window = std::make_unique<shell::TForm1>(console, profile, soundstack, dir / "tovana");
        form3 = std::make_unique<shell::TForm3>(profile, window.get());
        form5 = std::make_unique<shell::TForm5>(soundstack.settings(), played, window.get());
        about = std::make_unique<shell::TAboutbox>(window.get());
        commands = std::make_unique<shell::WindowCommands>(*window, *form3, *form5, *about, voice,
                                                           soundstack.settings(), profile);
    }

    TempDir dir;
    runtime::Console console;
    Profile profile;
    RecordingProcess process; //: message boxes and the end of the process
    shell::SoundStack soundstack{console, process};
    RecordingSounds played; //: the sounds dialog's preview, and the console's sounds in a run
    CountingVoice voice;
    std::unique_ptr<shell::TForm1> window;
    std::unique_ptr<shell::TForm3> form3;
    std::unique_ptr<shell::TForm5> form5;
    std::unique_ptr<shell::TAboutbox> about;
    std::unique_ptr<shell::WindowCommands> commands;
};

} // namespace tov::testing
