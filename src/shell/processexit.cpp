#include "shell/processexit.h"

#include <cstdio>
#include <cstdlib>

namespace tov::shell {

void endProcessNow(int status)
{
    std::fflush(nullptr);
    std::_Exit(status);
}

} // namespace tov::shell
