// Starting and stopping the private sound and speech services.
#include "private_services.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace tov::speech::testing {
namespace {

using namespace std::chrono_literals;

constexpr auto kStartLimit = 15s;
constexpr auto kPoll = 20ms;
constexpr auto kStopLimit = 2s;

bool exited(pid_t pid)
{
    int status = 0;
    return waitpid(pid, &status, WNOHANG) == pid;
}

} // namespace

PrivateSpeechServices::PrivateSpeechServices(Start what)
{
    char pattern[] = "/tmp/tovana-speech-XXXXXX";
    if (mkdtemp(pattern) == nullptr) {
        problem_ = "no temporary folder";
        return;
    }
    dir_ = pattern; // mode 700, as PulseAudio wants its runtime folder
    std::filesystem::create_directory(dir_ / "home");
    std::filesystem::create_directory(dir_ / "log");
    setenv("XDG_RUNTIME_DIR", dir_.c_str(), 1);
    setenv("PULSE_SERVER", pulseServer().c_str(), 1);
    setenv("HOME", (dir_ / "home").c_str(), 1);

    const std::string native = (dir_ / "native").string();
    pulse_ =
        start("pulse.log",
              {"pulseaudio", "-n", "--daemonize=no", "--exit-idle-time=-1", "--use-pid-file=no",
               "-L", "module-native-protocol-unix socket=" + native + " auth-anonymous=1", "-L",
               "module-null-sink sink_name=null rate=44100", "-L", "module-always-sink"});
    if (pulse_ < 0 || !waitForSocket(native, pulse_)) {
        problem_ =
            "pulseaudio did not start (is it installed? see " + (dir_ / "pulse.log").string() + ")";
        return;
    }
    if (what == Start::SoundOnly) {
        return;
    }
    const std::string socket = (dir_ / "speechd.sock").string();
    speechd_ = start("speechd.log", {"speech-dispatcher", "-s", "-t", "0", "-c", "unix_socket",
                                     "-S", socket, "-L", (dir_ / "log").string(), "-l", "1"});
    if (speechd_ < 0 || !waitForSocket(socket, speechd_)) {
        problem_ = "speech-dispatcher did not start (is it installed? see " +
                   (dir_ / "speechd.log").string() + ")";
        return;
    }
    setenv("SPEECHD_ADDRESS", ("unix_socket:" + socket).c_str(), 1);
}

std::string PrivateSpeechServices::pulseServer() const
{
    return "unix:" + (dir_ / "native").string();
}

pid_t PrivateSpeechServices::start(const std::string& log, const std::vector<std::string>& argv)
{
    const std::string logPath = (dir_ / log).string();
    std::vector<char*> args;
    for (const std::string& a : argv) {
        args.push_back(const_cast<char*>(a.c_str()));
    }
    args.push_back(nullptr);
    const pid_t pid = fork();
    if (pid == 0) {
        setpgid(0, 0); // its own group: its helpers are stopped with it
        const int out = open(logPath.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        if (out >= 0) {
            dup2(out, STDOUT_FILENO);
            dup2(out, STDERR_FILENO);
        }
        const int in = open("/dev/null", O_RDONLY);
        if (in >= 0) {
            dup2(in, STDIN_FILENO);
        }
        execvp(args[0], args.data());
        _exit(127);
    }
    if (pid > 0) {
        setpgid(pid, pid); // also here, so the group exists before the child runs
    }
    return pid;
}

bool PrivateSpeechServices::waitForSocket(const std::filesystem::path& socket, pid_t owner)
{
    const auto until = std::chrono::steady_clock::now() + kStartLimit;
    while (std::chrono::steady_clock::now() < until) {
        struct stat info {};
        if (stat(socket.c_str(), &info) == 0 && S_ISSOCK(info.st_mode)) {
            return true;
        }
        if (exited(owner)) {
            return false;
        }
        std::this_thread::sleep_for(kPoll);
    }
    return false;
}

void PrivateSpeechServices::stop(pid_t group, int signal)
{
    if (group <= 0) {
        return;
    }
    kill(-group, signal);
    const auto until = std::chrono::steady_clock::now() + kStopLimit;
    while (std::chrono::steady_clock::now() < until) {
        if (exited(group)) {
            return;
        }
        std::this_thread::sleep_for(kPoll);
    }
    kill(-group, SIGKILL);
    waitpid(group, nullptr, 0);
}

void PrivateSpeechServices::killSound()
{
    stop(pulse_, SIGKILL);
    pulse_ = -1;
}

PrivateSpeechServices::~PrivateSpeechServices()
{
    stop(speechd_, SIGKILL);
    stop(pulse_, SIGTERM);
    unsetenv("SPEECHD_ADDRESS");
    std::error_code ignored;
    std::filesystem::remove_all(dir_, ignored);
}

} // namespace tov::speech::testing
