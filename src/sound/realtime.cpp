// Finding the process's threads by name and raising them.
#include "sound/realtime.h"

#include <sched.h>
#include <sys/types.h>

#include <charconv>
#include <fstream>
#include <string>
#include <system_error>
#include <thread>

namespace tov::sound {
namespace {

// A thread's name as the kernel keeps it: at most 15 bytes, ended by a newline.
std::string nameOf(const std::filesystem::path& task)
{
    std::ifstream in(task / "comm");
    std::string name;
    std::getline(in, name);
    return name;
}

// `tid` 0 is the calling thread.
bool raise(pid_t tid)
{
    sched_param priority{};
    priority.sched_priority = sched_get_priority_min(SCHED_RR);
    return ::sched_setscheduler(tid, SCHED_RR | SCHED_RESET_ON_FORK, &priority) == 0;
}

// Calls `each` with the kernel id of every thread in `tasks` named `name`.
template <typename Each>
void forThreadsNamed(std::string_view name, const std::filesystem::path& tasks, Each each)
{
    std::error_code error;
    for (std::filesystem::directory_iterator it(tasks, error), end; !error && it != end;
         it.increment(error)) {
        const std::string tidText = it->path().filename().string();
        pid_t tid = 0;
        const auto [rest, parsed] =
            std::from_chars(tidText.data(), tidText.data() + tidText.size(), tid);
        if (parsed != std::errc{} || rest != tidText.data() + tidText.size() || tid <= 0 ||
            nameOf(it->path()) != name) {
            continue;
        }
        each(tid);
    }
}

} // namespace

int raiseThreadsNamed(std::string_view name, const std::filesystem::path& tasks)
{
    int raised = 0;
    forThreadsNamed(name, tasks, [&raised](pid_t tid) { raised += raise(tid) ? 1 : 0; });
    return raised;
}

int threadsNamed(std::string_view name, const std::filesystem::path& tasks)
{
    int found = 0;
    forThreadsNamed(name, tasks, [&found](pid_t) { ++found; });
    return found;
}

bool realtimeAllowed()
{
    bool allowed = false;
    std::thread probe([&allowed] { allowed = raise(0); });
    probe.join();
    return allowed;
}

} // namespace tov::sound
