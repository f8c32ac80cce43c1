// Where the program's files live, decided once at start-up. Qt-free: the terminal host and
// the window share it, and its rule is tested without a display.
//
// Two layouts, told apart by where the executable is, never by the working directory (a
// download folder holding a file named "sounds.dat" must not change where an installed
// program reads and writes):
//   1. Portable: the executable's folder holds the sound bank "sounds.dat" (as build/
//      does). The program is run from a folder of its own files: the data files,
//      "ram.dat" and "data.dta" are those of the working directory, and the settings file
//      is the executable's path with ".ini".
//   2. Installed: any other executable (/usr/bin/tovana). Each data file ("sounds.dat",
//      "czech.ebt", the ".eky" files, "data.dta") is read from the user's data folder
//      $XDG_DATA_HOME/tovana/ (default ~/.local/share) when it is there, so a user may
//      replace one, else from the data folder; the working directory is never looked at.
//      The settings file is $XDG_CONFIG_HOME/tovana/tovana.ini (default ~/.config) and
//      "ram.dat" lives in the user's data folder; both folders are created when missing.
// The data folder is <executable's folder>/../share/tovana when that holds the sound bank
// (an install tree unpacked anywhere), else the folder compiled in at build time
// (/usr/share/tovana for the Debian package). "data.dta" is read-only data of the program,
// so it belongs with the other data files.
// --config FILE overrides the settings file in both layouts; main.cpp applies it.
#pragma once

#include "runtime/console.h"

#include <filesystem>
#include <string>

namespace tov::shell {

enum class Layout { Portable, Installed };

// What the rule looks at. `forThisProcess` reads it from the running process; tests build
// their own.
struct FileEnvironment {
    std::filesystem::path workdir;          //: the working directory, absolute
    std::filesystem::path executable;       //: the running executable, absolute
    std::filesystem::path installeddatadir; //: the data folder compiled in
    std::string xdgConfigHome;              //: $XDG_CONFIG_HOME, empty when unset
    std::string xdgDataHome;                //: $XDG_DATA_HOME, empty when unset
    std::string home;                       //: $HOME, else the password database's home

    static FileEnvironment forThisProcess(const std::filesystem::path& executable);
};

class FileLocations {
public:
    static FileLocations decide(const FileEnvironment& environment);

    Layout layout() const { return layout_; }
    // The settings file when --config names none.
    const std::filesystem::path& settingsfile() const { return settingsfile_; }
    // Where "ram.dat" is read and written.
    std::filesystem::path memoryimage() const;
    // Where a read-only data file is opened: "sounds.dat", "czech.ebt", "czech.eky", ...
    std::filesystem::path datafile(const std::string& name) const;
    // Either of the two above, by name: what the console and the main window open.
    std::filesystem::path locate(const std::string& name) const;
    // `locate` for the console, which keeps a copy of these locations.
    runtime::FileLocator locator() const;
    // Makes the folders of the settings file and the memory image (installed layout
    // only: a portable folder is the user's own). Failures are left to the first write,
    // which reports them with the file's name.
    void createfolders() const;

private:
    Layout layout_ = Layout::Portable;
    std::filesystem::path userdatadir_; //: installed: the user's own data files, may be empty
    std::filesystem::path datadir_;
    std::filesystem::path statedir_;
    std::filesystem::path settingsfile_;
};

// The file locations of this process: its environment, decided, folders made.
FileLocations locateFiles(const std::filesystem::path& executable);

} // namespace tov::shell
