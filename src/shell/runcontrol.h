// One run of the built-in program, as the Start command and the terminal host perform it:
// open "data.dta" when it exists, reset the runtime, run the adventure, print "hotovo"
// (message 25) and close the data file, also when an error escapes the program.
#pragma once

#include <functional>

namespace tov::runtime {
class Console;
}

namespace tov::shell {

// `started` runs once the data file is open and before the runtime is reset (it sets the
// main window's `programstarted`). Errors of the program propagate to the caller.
void runBuiltInProgram(runtime::Console& console, const std::function<void()>& started);

} // namespace tov::shell
