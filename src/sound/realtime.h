// Real-time scheduling for the sound library's own threads. OpenAL Soft's pulse backend
// hands each update to the sound server through a PulseAudio client thread of its own
// ("threaded-ml"): the server's request for samples wakes that thread, which wakes the
// mixer. On a busy machine a normal-priority thread there waits behind every other
// process, and the server's buffer runs dry; OpenAL raises its mixer (its rt-prio key,
// sound/openalconfig.h) but not the client thread.
#pragma once

#include <filesystem>
#include <string_view>

namespace tov::sound {

// The thread name PulseAudio's client library gives its threaded main loop.
inline constexpr std::string_view kPulseClientThread = "threaded-ml";

// Puts every thread of this process named `name` (as in `tasks`/TID/comm) under SCHED_RR at
// the lowest priority, reset for anything it forks. Returns how many were raised; a
// thread the system refuses (no CAP_SYS_NICE, no RLIMIT_RTPRIO) keeps its scheduling,
// as does everything when `tasks` cannot be read.
int raiseThreadsNamed(std::string_view name,
                      const std::filesystem::path& tasks = "/proc/self/task");

// How many threads of this process are named `name`.
int threadsNamed(std::string_view name, const std::filesystem::path& tasks = "/proc/self/task");

// Whether a thread of this process may take SCHED_RR at the lowest priority. Tried on a
// short-lived thread of its own rather than read off the user id or RLIMIT_RTPRIO: root in
// a container without CAP_SYS_NICE or without a real-time budget is refused too.
bool realtimeAllowed();

} // namespace tov::sound
