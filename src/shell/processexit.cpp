#include "shell/processexit.h"

#include <cstdio>
#include <cstdlib>

namespace tov::shell {

void endProcessNow(int status)
{
    // Only our own streams: fflush(nullptr) would wait for every FILE's lock, and the
    // speech service's reader thread holds one while it blocks reading its socket.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

} // namespace tov::shell
