// The browser edition's composition root: the third host beside the window and the
// terminal. It builds the console's hosts over the page (pagebridge.h), hands them to the
// console in one piece, and runs the built-in program each time the player starts it.
// The page reaches the running host through `current()` (its exported functions).
#pragma once

#include "common/profile.h"
#include "runtime/answers.h"
#include "runtime/console.h"
#include "runtime/soundcues.h"

#include <filesystem>

namespace tov::web {

// Where the browser edition keeps its files, in emscripten's file system: the player's
// files (settings, memory image), which the page stores between visits, and the data
// files, which come with the site.
inline constexpr const char* kUserFolder = "/user";
inline constexpr const char* kDataFolder = "/data";
inline constexpr const char* kSettingsFile = "/user/tovana.ini";

// Each file the program opens: the memory image and the transcript are the player's, the
// rest (sound bank, braille table, key names, data file) are the site's.
std::filesystem::path locateFile(const std::string& name);

class WebHost {
public:
    WebHost();
    WebHost(const WebHost&) = delete;
    WebHost& operator=(const WebHost&) = delete;
    ~WebHost();

    // Starts the program now and again each time the player chooses Start; never returns.
    [[noreturn]] void run();

    runtime::Console& console() { return console_; }
    const runtime::AnswerRecord& answers() const { return answers_; }
    const Profile& profile() const { return profile_; }
    // The cues the program and the page play; their settings are the ones the Sounds
    // dialog changes.
    runtime::SoundCues& soundCues();
    // Saves the memory image and hands the player's files to the page's storage. An image
    // that cannot be written is shown; the old one stays.
    void saveMemoryImage();
    // A key ends the sound statement's wait, as in the desktop's main window.
    void endSoundWait();

private:
    struct Hosts;
    Profile profile_;
    runtime::Console console_;
    runtime::AnswerRecord answers_;
    std::unique_ptr<Hosts> hosts_;
};

// The host of this page, or nullptr before it is made.
WebHost* current();

} // namespace tov::web
