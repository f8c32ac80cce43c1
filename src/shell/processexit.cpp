#include "shell/processexit.h"

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <thread>
#include <unistd.h>

namespace tov::shell {
namespace {

constexpr int kEndingSignals[] = {SIGTERM, SIGHUP, SIGINT};

// The handler's only work is one write to this pipe, which is async-signal-safe; the
// listening thread does the rest. A pipe rather than a blocked-signal mask: a mask would
// be inherited by every helper the program starts (a speech service spawned on demand),
// which could then no longer be stopped.
int signalPipe[2] = {-1, -1};

void onEndingSignal(int number)
{
    const int saved = errno;
    const unsigned char byte = static_cast<unsigned char>(number);
    [[maybe_unused]] const ssize_t ignored = ::write(signalPipe[1], &byte, 1);
    errno = saved;
}

} // namespace

void endProcessNow(int status)
{
    // Only our own streams: fflush(nullptr) would wait for every FILE's lock, and the
    // speech service's reader thread holds one while it blocks reading its socket.
    std::fflush(stdout);
    std::fflush(stderr);
    std::_Exit(status);
}

void endOnSignals(std::function<void()> onSignal)
{
    if (signalPipe[0] >= 0 || ::pipe2(signalPipe, O_CLOEXEC) != 0) {
        return; // without a pipe the signals keep their default: the process still ends
    }
    std::thread([onSignal = std::move(onSignal)] {
        bool ending = false;
        for (;;) {
            unsigned char number = 0;
            const ssize_t got = ::read(signalPipe[0], &number, 1);
            if (got < 0 && errno == EINTR) {
                continue;
            }
            if (got != 1) {
                return;
            }
            if (ending) {
                endProcessNow(128 + number); // the first end is stuck: the user insists
            }
            ending = true;
            onSignal();
        }
    }).detach();
    struct sigaction action {};
    action.sa_handler = onEndingSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    for (const int number : kEndingSignals) {
        ::sigaction(number, &action, nullptr);
    }
}

} // namespace tov::shell
