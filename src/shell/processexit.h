// Ending the process at once, from inside nested event loops: flush what is buffered and
// leave without unwinding the program's statements. And the ends the desktop asks for:
// SIGTERM (a logout), SIGHUP (a closed terminal), SIGINT (Ctrl+C) are the user ending the
// program, so the memory image is saved as Exit saves it.
#pragma once

#include <functional>

namespace tov::shell {

[[noreturn]] void endProcessNow(int status);

// From the first call on, SIGTERM, SIGHUP and SIGINT no longer kill the process: each is
// handed to `onSignal`, which runs on a thread of its own (never inside the signal
// handler) and ends the process as the host's Exit does. A second signal while that is
// still going on ends the process at once with 128 + its number. Call once, early.
void endOnSignals(std::function<void()> onSignal);

} // namespace tov::shell
