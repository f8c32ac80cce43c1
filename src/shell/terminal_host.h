// The terminal host: the same runtime and program in a terminal, for terminal and
// braille-display users and for end-to-end tests. PRINT goes to standard output as UTF-8,
// INPUT reads a line from standard input, and the program starts at once and ends the
// process when it ends. End of input ends the process as the input dialog's exit button
// does: the memory image is saved and the exit status is 0.
#pragma once

#include "runtime/console.h"

#include <filesystem>

namespace tov::shell {

struct TerminalOptions {
    bool speak = false;         //: speak what is printed (off: a terminal user has a reader)
    bool dumpScreen = false;    //: print the 24 screen lines when the process ends
    runtime::FileLocator files; //: where each file is opened; empty: the working directory
    //: --transcript FILE: the game is kept there for this run, whatever the settings say
    std::filesystem::path transcript;
};

// Runs the built-in program once; returns the process's exit status.
int runTerminal(const std::filesystem::path& configFile, const TerminalOptions& options);

} // namespace tov::shell
