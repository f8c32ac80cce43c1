// Ending the process at once, from inside nested event loops: flush what is buffered and
// leave without unwinding the program's statements.
#pragma once

namespace tov::shell {

[[noreturn]] void endProcessNow(int status);

} // namespace tov::shell
