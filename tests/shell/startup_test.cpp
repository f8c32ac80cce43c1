// The real program started as a new user would start it, in a working folder with one
// thing wrong each time: it must neither abort nor hang, show its window at once, and say
// what is wrong once. The window host runs on the offscreen platform, unattended: each
// message box closes itself and its text is read from standard error.
#include "doubles/brokenservice.h"
#include "doubles/doubles.h"
#include "doubles/unprivileged.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace std::chrono_literals;
using tov::testing::BrokenService;
using tov::testing::TempDir;
using Clock = std::chrono::steady_clock;

constexpr std::string_view kShown = "tovana: main window shown\n";
// Generous: the sanitizer build on a loaded machine starts many times slower.
constexpr auto kStartBound = 60s;

enum class User { Same, Unprivileged };

// One start of the window host with its standard error on a pipe.
class Started {
public:
    Started(const TempDir& dir, const std::string& speechdAddress, User user)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipe";
            return;
        }
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(dir.path().c_str()) != 0) {
                ::_exit(126);
            }
            ::dup2(ends[1], 2);
            const int null = ::open("/dev/null", O_RDWR);
            ::dup2(null, 0);
            ::dup2(null, 1);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("ALSOFT_DRIVERS", "null", 1);
            ::setenv("TOVANA_UNATTENDED", "1", 1);
            ::setenv("SPEECHD_ADDRESS", speechdAddress.c_str(), 1);
            if (user == User::Unprivileged) {
                tov::testing::dropRootInChild();
            }
            const std::string config = (dir.path() / "tovana.ini").string();
            ::execl(TOVANA_EXECUTABLE, TOVANA_EXECUTABLE, "--config", config.c_str(), nullptr);
            ::_exit(127);
        }
        ::close(ends[1]);
        pipe_ = ends[0];
    }
    ~Started()
    {
        if (pid_ > 0 && !status_) {
            ::kill(pid_, SIGKILL); // our own child, by its id
            ::waitpid(pid_, nullptr, 0);
        }
        if (pipe_ >= 0) {
            ::close(pipe_);
        }
    }
    Started(const Started&) = delete;
    Started& operator=(const Started&) = delete;

    // Reads standard error until it holds `text`, the process has ended or the bound has
    // passed. True when the text is there.
    bool waitFor(std::string_view text, Clock::duration bound = kStartBound)
    {
        const auto until = Clock::now() + bound;
        while (err_.find(text) == std::string::npos && readSome(until)) {
        }
        return err_.find(text) != std::string::npos;
    }
    // Waits (bounded) for the end of the process: its exit status, or nothing.
    std::optional<int> waitForEnd(Clock::duration bound = kStartBound)
    {
        const auto until = Clock::now() + bound;
        while (!closed_ && readSome(until)) {
        }
        if (!closed_) {
            return std::nullopt;
        }
        int status = 0;
        ::waitpid(pid_, &status, 0);
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }
    bool isRunning() const { return !status_ && ::waitpid(pid_, nullptr, WNOHANG) == 0; }
    const std::string& err() const { return err_; }
    int count(std::string_view text) const
    {
        int n = 0;
        for (size_t at = err_.find(text); at != std::string::npos; at = err_.find(text, at + 1)) {
            ++n;
        }
        return n;
    }

private:
    // One read before `until`; false once the pipe has closed or nothing came in time.
    bool readSome(Clock::time_point until)
    {
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(until - Clock::now());
        pollfd wait{pipe_, POLLIN, 0};
        if (left <= 0ms || ::poll(&wait, 1, static_cast<int>(left.count())) <= 0) {
            return false;
        }
        char buffer[4096];
        const ssize_t n = ::read(pipe_, buffer, sizeof buffer);
        if (n <= 0) {
            closed_ = true;
            return false;
        }
        err_.append(buffer, static_cast<size_t>(n));
        return true;
    }

    pid_t pid_ = -1;
    int pipe_ = -1;
    std::string err_;
    bool closed_ = false;
    std::optional<int> status_;
};

// The working folder of a fresh build: every data file, no settings, no memory image.
void copyWorkingFiles(const TempDir& dir)
{
    const std::filesystem::path from = std::filesystem::path(TOVANA_EXECUTABLE).parent_path();
    for (const char* name :
         {"data.dta", "sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky"}) {
        std::filesystem::copy_file(from / name, dir / name);
    }
}

enum class Service { Absent, Wedged, Garbage };

struct StartCase {
    const char* description;
    std::function<void(const TempDir&)> arrange;
    Service service = Service::Absent;
    User user = User::Same;
    std::optional<int> exitStatus; //: ends with it; none: runs on with its window
    std::vector<std::string> said; //: each said exactly once (UTF-8)
    //: said before the window showed, which must not happen
    std::vector<std::string> notBeforeWindow;
    std::function<void(const TempDir&)> check; //: the files afterwards
    bool chosen = false;                       //: the settings choose speech-dispatcher
};

std::string bytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

constexpr const char* kDamagedBank = "Soubor zvuků je poškozen: sounds.dat: ";
constexpr const char* kUnreachable = "speech-dispatcher není dostupný: ";

TEST(StartUp, EachThingWrongIsSaidOnceAndNeitherAbortsNorHangs)
{
    const std::vector<StartCase> cases = {
        {"sounds.dat cut to its first 5000 bytes",
         [](const TempDir& dir) { std::filesystem::resize_file(dir / "sounds.dat", 5000); },
         Service::Absent,
         User::Same,
         1,
         {kDamagedBank},
         {},
         {}},
        {"sounds.dat of random bytes",
         [](const TempDir& dir) {
             std::mt19937 random(11);
             std::string noise(14000, '\0');
             for (char& c : noise) {
                 c = static_cast<char>(random());
             }
             dir.write("sounds.dat", noise);
         },
         Service::Absent,
         User::Same,
         1,
         {kDamagedBank},
         {},
         {}},
        {"a folder where tovana.ini should be",
         [](const TempDir& dir) { std::filesystem::create_directory(dir / "tovana.ini"); },
         Service::Absent,
         User::Same,
         std::nullopt,
         {"tovana.ini\" is a folder. Změny platí do konce programu."},
         {},
         {}},
        {"a program folder the user cannot write",
         [](const TempDir& dir) { ::chmod(dir.path().c_str(), 0555); },
         Service::Absent,
         User::Unprivileged,
         std::nullopt,
         {"Nastavení nelze uložit: Cannot write the file"},
         {},
         [](const TempDir& dir) { EXPECT_FALSE(std::filesystem::exists(dir / "tovana.ini")); }},
        {"tovana.ini made read-only by its owner",
         [](const TempDir& dir) {
             dir.write("tovana.ini", "[voice]\nvoiceallowed=0\n[sounds]\nsndvolume=-20000\n");
             ::chmod((dir / "tovana.ini").c_str(), 0444);
         },
         Service::Absent,
         User::Same,
         std::nullopt,
         {},
         {},
         [](const TempDir& dir) {
             EXPECT_EQ(bytes(dir / "tovana.ini"),
                       "[voice]\nvoiceallowed=0\n[sounds]\nsndvolume=-20000\n");
         }},
        {"speech-dispatcher unreachable while espeak-ng speaks",
         [](const TempDir& dir) { dir.write("tovana.ini", "[voice]\nvoiceallowed=1\n"); },
         Service::Absent,
         User::Same,
         std::nullopt,
         {},
         {"speech-dispatcher"},
         {}},
        {"speech-dispatcher wedged while espeak-ng speaks",
         [](const TempDir& dir) { dir.write("tovana.ini", "[voice]\nvoiceallowed=1\n"); },
         Service::Wedged,
         User::Same,
         std::nullopt,
         {},
         {"speech-dispatcher"},
         {}},
        {"speech-dispatcher chosen and unreachable",
         [](const TempDir& dir) { dir.write("tovana.ini", "[Voice]\nsapi5=1\n"); },
         Service::Absent,
         User::Same,
         std::nullopt,
         {kUnreachable},
         {kUnreachable},
         {},
         true},
        {"speech-dispatcher chosen and wedged",
         [](const TempDir& dir) { dir.write("tovana.ini", "[Voice]\nsapi5=1\n"); },
         Service::Wedged,
         User::Same,
         std::nullopt,
         {std::string(kUnreachable) + "no answer within"},
         {kUnreachable},
         {},
         true},
        {"speech-dispatcher chosen and answering garbage",
         [](const TempDir& dir) { dir.write("tovana.ini", "[Voice]\nsapi5=1\n"); },
         Service::Garbage,
         User::Same,
         std::nullopt,
         {std::string(kUnreachable) + "the answer is not speech-dispatcher's protocol"},
         {kUnreachable},
         {},
         true},
    };
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.description);
        TempDir dir;
        copyWorkingFiles(dir);
        c.arrange(dir);
        const std::filesystem::path socket = dir / "speechd.sock";
        std::optional<BrokenService> service;
        if (c.service == Service::Wedged) {
            service.emplace(socket, BrokenService::Kind::Wedged);
        } else if (c.service == Service::Garbage) {
            service.emplace(socket, BrokenService::Kind::Garbage);
        }
        {
            Started run(dir, "unix_socket:" + socket.string(), c.user);
            if (c.exitStatus) {
                EXPECT_EQ(run.waitForEnd(), c.exitStatus) << run.err();
                EXPECT_EQ(run.count(kShown), 0) << run.err();
            } else {
                ASSERT_TRUE(run.waitFor(kShown)) << run.err();
                // Only what came before the window's line: a notice may follow it before
                // the output is read.
                const std::string err = run.err();
                const std::string beforeWindow = err.substr(0, err.find(kShown));
                for (const std::string& early : c.notBeforeWindow) {
                    EXPECT_EQ(beforeWindow.find(early), std::string::npos) << run.err();
                }
                if (service && !c.chosen) {
                    EXPECT_EQ(service->connections(), 0); // not chosen: never even asked
                }
            }
            for (const std::string& words : c.said) {
                EXPECT_TRUE(run.waitFor(words)) << run.err();
                EXPECT_EQ(run.count(words), 1) << run.err();
            }
            if (!c.exitStatus) {
                EXPECT_TRUE(run.isRunning()) << run.err(); // the program goes on
                EXPECT_EQ(run.err().find("Fatal error"), std::string::npos) << run.err();
            }
        }
        ::chmod(dir.path().c_str(), 0700);
        if (c.check) {
            c.check(dir);
        }
    }
}

} // namespace
