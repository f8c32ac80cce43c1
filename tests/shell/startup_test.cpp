// The real program started as a new user would start it, in a working folder with one
// thing wrong each time (a bad or hostile file, a dead service, a signal, a stranger's
// files): it must neither abort nor hang, say what is wrong once, lose none of the user's
// files and read none of a stranger's. The window host runs on the offscreen platform,
// unattended: each message box closes itself and its text is read from standard error.
#include "doubles/brokenservice.h"
#include "doubles/doubles.h"
#include "doubles/unprivileged.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
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
enum class Host { Window, Console };

// How a run is started. The console reads "stdin.txt" of its folder; both hosts' standard
// error (and the console's output) come back on one pipe.
struct Launch {
    Host host = Host::Window;
    User user = User::Same;
    std::filesystem::path executable = TOVANA_EXECUTABLE;
    bool config = true;         //: --config <folder>/tovana.ini; else the layout's own
    std::filesystem::path home; //: HOME when set, with the XDG variables unset
    std::string speechdAddress;
};

// One start of the program with its standard error on a pipe.
class Started {
public:
    Started(const TempDir& dir, const Launch& launch)
    {
        int ends[2];
        if (::pipe2(ends, O_CLOEXEC) != 0) {
            ADD_FAILURE() << "no pipe";
            return;
        }
        const std::string executable = launch.executable.string();
        const std::string config = (dir.path() / "tovana.ini").string();
        std::vector<const char*> argv = {executable.c_str()};
        if (launch.host == Host::Console) {
            argv.push_back("--console");
        }
        if (launch.config) {
            argv.push_back("--config");
            argv.push_back(config.c_str());
        }
        argv.push_back(nullptr);
        std::fflush(nullptr);
        pid_ = ::fork();
        if (pid_ == 0) {
            if (::chdir(dir.path().c_str()) != 0) {
                ::_exit(126);
            }
            ::dup2(ends[1], 2);
            const int null = ::open("/dev/null", O_RDWR);
            if (launch.host == Host::Console) {
                ::dup2(::open("stdin.txt", O_RDONLY), 0);
                ::dup2(ends[1], 1);
            } else {
                ::dup2(null, 0);
                ::dup2(null, 1);
            }
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::setenv("ALSOFT_DRIVERS", "null", 1);
            ::setenv("TOVANA_UNATTENDED", "1", 1);
            ::setenv("SPEECHD_ADDRESS", launch.speechdAddress.c_str(), 1);
            if (!launch.home.empty()) {
                ::setenv("HOME", launch.home.c_str(), 1);
                ::unsetenv("XDG_CONFIG_HOME");
                ::unsetenv("XDG_DATA_HOME");
            }
            if (launch.user == User::Unprivileged) {
                tov::testing::dropRootInChild();
            }
            ::execv(argv[0], const_cast<char* const*>(argv.data()));
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
        rusage usage{};
        ::wait4(pid_, &status, 0, &usage);
        peakKilobytes_ = usage.ru_maxrss;
        status_ = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        return status_;
    }
    void signal(int number) const { ::kill(pid_, number); } // our own child, by its id
    long peakKilobytes() const { return peakKilobytes_; }
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
    long peakKilobytes_ = 0;
};

// The working folder of a fresh build (every data file, no settings, no memory image), or
// the data folder of an install tree.
void copyWorkingFiles(const std::filesystem::path& to)
{
    const std::filesystem::path from = std::filesystem::path(TOVANA_EXECUTABLE).parent_path();
    for (const char* name :
         {"data.dta", "sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky"}) {
        std::filesystem::copy_file(from / name, to / name);
    }
}

// The executable inside the test's own folder, linked (or copied) there: the build tree
// may lie in a folder that only its owner can enter (a clone in a mode-700 home), and an
// unprivileged run must still reach what it runs. Beside the copied data files it runs
// in the portable layout, as the one in the build tree does.
std::filesystem::path executableIn(const std::filesystem::path& folder)
{
    const std::filesystem::path to = folder / "tovana";
    std::error_code error;
    std::filesystem::create_hard_link(TOVANA_EXECUTABLE, to, error);
    if (error) {
        std::filesystem::copy_file(TOVANA_EXECUTABLE, to);
    }
    return to;
}

// Whether "nobody" (or the user running the tests) can run `executable`: the folder the
// system gives for temporary files may itself be private.
bool reachableUnprivileged(const std::filesystem::path& executable)
{
    return tov::testing::runUnprivileged(
               [&] { return ::access(executable.c_str(), X_OK) == 0 ? 0 : 1; }) == 0;
}

enum class Service { Absent, Wedged, Garbage };

std::string bytes(const std::filesystem::path& file)
{
    std::ifstream in(file, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

std::string repeated(char c, size_t n)
{
    return std::string(n, c);
}

using Arrange = std::function<void(const TempDir&)>;

Arrange writing(const char* name, std::string content)
{
    return [name, content = std::move(content)](const TempDir& dir) { dir.write(name, content); };
}

void makeOld(const std::filesystem::path& file)
{
    std::filesystem::last_write_time(file, std::filesystem::file_time_type::clock::now() -
                                               std::chrono::minutes(5));
}

struct StartCase {
    const char* description;
    Host host = Host::Window;
    Arrange arrange{};
    Service service = Service::Absent;
    User user = User::Same;
    bool installed = false;          //: run from an install tree, settings where it puts them
    int signal = 0;                  //: sent once the window shows or the console has died
    std::optional<int> exitStatus{}; //: ends with it; none: runs on with its window
    std::vector<std::string> said{}; //: each said exactly once (UTF-8)
    std::vector<std::string> unsaid{};
    //: said before the window showed, which must not happen
    std::vector<std::string> notBeforeWindow{};
    std::function<void(const TempDir&, const Started&)> check{}; //: the files afterwards
    bool chosen = false; //: the settings choose speech-dispatcher
};

constexpr const char* kDamagedBank = "Soubor zvuků je poškozen: sounds.dat: ";
constexpr const char* kUnreachable = "speech-dispatcher není dostupný: ";
// The console's run: die among the spiders, decline another game, end (saving ram.dat).
constexpr const char* kDieAndEnd = "v\ns\ns\nne\n";
constexpr const char* kDead = "jsi mrtev.";
constexpr size_t kImageSize = 65536;
constexpr const char* kNoCharacters =
    "No braille characters (a [characters] section with entries): czech.ebt";

TEST(StartUp, EachThingWrongIsSaidOnceAndNeitherAbortsNorHangs)
{
    std::string noise(14000, '\0');
    std::generate(noise.begin(), noise.end(), std::mt19937(11));
    const auto inTree = [](const TempDir& dir) {
        std::filesystem::create_directories(dir / "tree/share");
        std::filesystem::rename(dir.path() / "data", dir / "tree/share/tovana");
        std::filesystem::create_directory(dir / "tree/bin");
        executableIn(dir / "tree/bin");
    };
    // One case to a few lines: the table reads as one.
    // clang-format off
    const std::vector<StartCase> cases = {
        {.description = "sounds.dat cut to its first 5000 bytes", .arrange =
             [](const TempDir& dir) { std::filesystem::resize_file(dir / "sounds.dat", 5000); },
         .exitStatus = 1, .said = {kDamagedBank}},
        {.description = "sounds.dat of random bytes", .arrange = writing("sounds.dat", noise),
         .exitStatus = 1, .said = {kDamagedBank}},
        {.description = "a folder where tovana.ini should be", .arrange =
             [](const TempDir& dir) { std::filesystem::create_directory(dir / "tovana.ini"); },
         .said = {"tovana.ini\" is a folder. Změny platí do konce programu."}},
        {.description = "a program folder the user cannot write",
         .arrange = [](const TempDir& dir) { ::chmod(dir.path().c_str(), 0555); },
         .user = User::Unprivileged, .said = {"Nastavení nelze uložit: Cannot write the file"},
         .check = [](const TempDir& dir, const Started&) {
                 EXPECT_FALSE(std::filesystem::exists(dir / "tovana.ini"));
             }},
        {.description = "tovana.ini made read-only by its owner", .arrange =
             [](const TempDir& dir) {
                 dir.write("tovana.ini", "[voice]\nvoiceallowed=0\n[sounds]\nsndvolume=-20000\n");
                 ::chmod((dir / "tovana.ini").c_str(), 0444);
             }, .check = [](const TempDir& dir, const Started&) {
                 EXPECT_EQ(bytes(dir / "tovana.ini"),
                           "[voice]\nvoiceallowed=0\n[sounds]\nsndvolume=-20000\n");
             }},
        {.description = "speech-dispatcher unreachable while espeak-ng speaks",
         .arrange = writing("tovana.ini", "[voice]\nvoiceallowed=1\n"),
         .notBeforeWindow = {"speech-dispatcher"}},
        {.description = "speech-dispatcher wedged while espeak-ng speaks",
         .arrange = writing("tovana.ini", "[voice]\nvoiceallowed=1\n"),
         .service = Service::Wedged, .notBeforeWindow = {"speech-dispatcher"}},
        {.description = "speech-dispatcher chosen and unreachable",
         .arrange = writing("tovana.ini", "[Voice]\nsapi5=1\n"), .said = {kUnreachable},
         .notBeforeWindow = {kUnreachable}, .chosen = true},
        {.description = "speech-dispatcher chosen and wedged",
         .arrange = writing("tovana.ini", "[Voice]\nsapi5=1\n"), .service = Service::Wedged,
         .said = {std::string(kUnreachable) + "no answer within"},
         .notBeforeWindow = {kUnreachable}, .chosen = true},
        {.description = "speech-dispatcher chosen and answering garbage",
         .arrange = writing("tovana.ini", "[Voice]\nsapi5=1\n"), .service = Service::Garbage,
         .said = {std::string(kUnreachable) + "the answer is not speech-dispatcher's protocol"},
         .notBeforeWindow = {kUnreachable}, .chosen = true},
        // Bad and hostile files, signals, layouts: nothing lost, nothing planted.
        {.description = "ram.dat the user cannot read", .host = Host::Console, .arrange =
             [](const TempDir& dir) {
                 dir.write("ram.dat", repeated('\x07', kImageSize));
                 ::chmod((dir / "ram.dat").c_str(), 0200); // root's file to nobody, or write-only
                 ::chmod(dir.path().c_str(), 0777);        // a rename over it would succeed
             }, .user = User::Unprivileged, .exitStatus = 0,
         .said = {"ram.dat\": Permission denied. The memory starts empty and the file is left"},
         .check = [](const TempDir& dir, const Started&) {
                 ::chmod((dir / "ram.dat").c_str(), 0600);
                 EXPECT_EQ(bytes(dir / "ram.dat"), repeated('\x07', kImageSize));
             }},
        {.description = "a death-tune tone of 1e7 ms, then SIGTERM", .host = Host::Console,
         .arrange = writing("data.dta", "440,0,0,0,1e7\r\n-1,0,0,0,0\r\n"), .signal = SIGTERM,
         .exitStatus = 0, .said = {kDead}, .unsaid = {"bad_alloc"}, .check =
             [](const TempDir&, const Started& run) {
                 EXPECT_LT(run.peakKilobytes(), 1024 * 1024); // not gigabytes of tone
             }},
        {.description = "a 10 MB number in data.dta", .host = Host::Console,
         .arrange = writing("data.dta", repeated('1', 10'000'000) + "\r\n"), .exitStatus = 1,
         .said = {"data.dta\": '" + repeated('1', 40) + "...' is too long to be a number"},
         .check = [](const TempDir&, const Started& run) { EXPECT_LT(run.err().size(), 4000u); }},
        {.description = "a value that is no number in data.dta", .host = Host::Console,
         .arrange = writing("data.dta", "abc,0,0,0,900\r\n-1,0,0,0,0\r\n"), .exitStatus = 1,
         .said = {"data.dta\": 'abc' is not a valid floating point value"}},
        {.description = "an unknown language reads as the default one", .host = Host::Console,
         .arrange = writing("tovana.ini", "[environment]\nlanguage=999\n"), .exitStatus = 0,
         .said = {"hotovo\n"}, .unsaid = {"czech\n"}},
        {.description = "czech.ebt cut short", .arrange =
             [](const TempDir& dir) { std::filesystem::resize_file(dir / "czech.ebt", 200); },
         .said = {kNoCharacters}},
        {.description = "czech.ebt cut inside an entry", .arrange = [](const TempDir& dir) {
                 const std::string table = bytes(dir / "czech.ebt");
                 dir.write("czech.ebt", table.substr(0, table.find("d=145") + 2));
             }, .said = {"'d=' has no valid dots: czech.ebt"}},
        {.description = "czech.ebt of random bytes", .arrange = writing("czech.ebt", noise),
         .said = {kNoCharacters}},
        {.description = "czech.ebt empty", .arrange = writing("czech.ebt", ""),
         .said = {kNoCharacters}},
        {.description = "czech.ebt of 1 MB",
         .arrange = writing("czech.ebt", "[characters]\r\n" + repeated('a', 1 << 20)),
         .said = {"Too large for a table (over 65536 bytes): czech.ebt"}},
        {.description = "czech.ebt a folder", .arrange = [](const TempDir& dir) {
                 std::filesystem::remove(dir / "czech.ebt");
                 std::filesystem::create_directory(dir / "czech.ebt");
             }, .said = {"Is a folder: czech.ebt"}},
        {.description = "ram.dat a symbolic link: the target replaced, the link kept",
         .host = Host::Console, .arrange = [](const TempDir& dir) {
                 std::filesystem::create_directory(dir / "notes");
                 dir.write("notes/ram.dat", repeated('\x03', kImageSize));
                 ::chmod((dir / "notes/ram.dat").c_str(), 0666);
                 std::filesystem::create_symlink("notes/ram.dat", dir / "ram.dat");
             }, .exitStatus = 0, .unsaid = {"ram.dat"}, .check =
             [](const TempDir& dir, const Started&) {
                 EXPECT_TRUE(std::filesystem::is_symlink(dir / "ram.dat"));
                 EXPECT_EQ(bytes(dir / "notes/ram.dat"), repeated('\x03', kImageSize));
                 struct stat info {};
                 ASSERT_EQ(::stat((dir / "notes/ram.dat").c_str(), &info), 0);
                 EXPECT_EQ(info.st_mode & 0777, 0664u) << "never writable by everyone";
             }},
        {.description = "SIGTERM to the window", .signal = SIGTERM, .exitStatus = 0},
        {.description = "SIGHUP to the window", .signal = SIGHUP, .exitStatus = 0},
        {.description = "SIGINT to the window", .signal = SIGINT, .exitStatus = 0},
        {.description = "leftovers of writes killed half-way", .arrange =
             [](const TempDir& dir) {
                 for (const char* name :
                      {".tovana.ini.Ab12Cd", ".ram.dat.Zz99Yy", ".ram.dat.Fresh1"}) {
                     dir.write(name, "half");
                 }
                 makeOld(dir / ".tovana.ini.Ab12Cd");
                 makeOld(dir / ".ram.dat.Zz99Yy");
             }, .check = [](const TempDir& dir, const Started&) {
                 EXPECT_FALSE(std::filesystem::exists(dir / ".tovana.ini.Ab12Cd"));
                 EXPECT_FALSE(std::filesystem::exists(dir / ".ram.dat.Zz99Yy"));
                 // Another instance may be writing this one right now.
                 EXPECT_TRUE(std::filesystem::exists(dir / ".ram.dat.Fresh1"));
             }},
        {.description = "an installed program in a folder of a stranger's data files",
         .host = Host::Console, .arrange = [inTree](const TempDir& dir) {
                 inTree(dir);
                 dir.write("sounds.dat", "not a bank");
                 dir.write("data.dta", "abc\r\n");
                 dir.write("czech.eky", "x=y\r\n");
             }, .installed = true, .exitStatus = 0, .said = {"hotovo\n"},
         .unsaid = {"sounds.dat", "data.dta", "czech.eky"}, .check =
             [](const TempDir& dir, const Started&) {
                 EXPECT_FALSE(std::filesystem::exists(dir / "tree/bin/tovana.ini"));
                 EXPECT_FALSE(std::filesystem::exists(dir / "ram.dat"));
                 EXPECT_EQ(std::filesystem::file_size(dir / "home/.local/share/tovana/ram.dat"),
                           kImageSize);
             }},
    };
    // clang-format on
    for (const StartCase& c : cases) {
        SCOPED_TRACE(c.description);
        TempDir dir;
        std::filesystem::create_directory(dir / "data");
        copyWorkingFiles(c.installed ? dir / "data" : dir.path());
        dir.write("stdin.txt", kDieAndEnd);
        Launch launch;
        launch.host = c.host;
        launch.user = c.user;
        if (c.user == User::Unprivileged) {
            launch.executable = executableIn(dir.path());
        }
        if (c.installed) {
            launch.executable = dir / "tree/bin/tovana";
            launch.config = false;
            launch.home = dir / "home";
        }
        if (c.arrange) {
            c.arrange(dir);
        }
        if (c.user == User::Unprivileged && !reachableUnprivileged(launch.executable)) {
            std::printf("not checked: \"%s\": an unprivileged user cannot reach %s\n",
                        c.description, launch.executable.c_str());
            ::chmod(dir.path().c_str(), 0700);
            continue;
        }
        const std::filesystem::path socket = dir / "speechd.sock";
        launch.speechdAddress = "unix_socket:" + socket.string();
        std::optional<BrokenService> service;
        if (c.service != Service::Absent) {
            service.emplace(socket, c.service == Service::Wedged ? BrokenService::Kind::Wedged
                                                                 : BrokenService::Kind::Garbage);
        }
        Started run(dir, launch);
        if (c.signal != 0) {
            ASSERT_TRUE(run.waitFor(c.host == Host::Console ? kDead : kShown)) << run.err();
            // The console's tone follows the text: give it time to start (and, were it laid
            // out whole, to fill memory), then see the run is still in it.
            EXPECT_FALSE(c.host == Host::Console && run.waitFor("chceš hrát znovu", 3s));
            run.signal(c.signal);
        } else if (c.host == Host::Window && !c.exitStatus) {
            ASSERT_TRUE(run.waitFor(kShown)) << run.err();
            // Only what came before the window's line: a notice may follow it before the
            // output is read.
            const std::string beforeWindow = run.err().substr(0, run.err().find(kShown));
            for (const std::string& early : c.notBeforeWindow) {
                EXPECT_EQ(beforeWindow.find(early), std::string::npos) << run.err();
            }
            if (service && !c.chosen) {
                EXPECT_EQ(service->connections(), 0); // not chosen: never even asked
            }
        }
        for (const std::string& words : c.said) {
            EXPECT_TRUE(run.waitFor(words)) << run.err();
        }
        if (c.exitStatus) {
            EXPECT_EQ(run.waitForEnd(), c.exitStatus) << run.err();
            EXPECT_EQ(run.count(kShown), c.signal != 0 && c.host == Host::Window ? 1 : 0)
                << run.err();
        } else {
            EXPECT_TRUE(run.isRunning()) << run.err(); // the program goes on
            EXPECT_EQ(run.err().find("Fatal error"), std::string::npos) << run.err();
        }
        for (const std::string& words : c.said) {
            EXPECT_EQ(run.count(words), 1) << run.err();
        }
        for (const std::string& words : c.unsaid) {
            EXPECT_EQ(run.count(words), 0) << words << " in: " << run.err();
        }
        if (c.signal != 0) {
            EXPECT_EQ(std::filesystem::file_size(dir / "ram.dat"), kImageSize) << "not saved";
        }
        ::chmod(dir.path().c_str(), 0700);
        if (c.check) {
            c.check(dir, run);
        }
    }
}

} // namespace
