// The whole program in the terminal host, run as a user would run it: commands on
// standard input, the text on standard output, the files in the working directory.
#include "doubles/doubles.h"
#include "doubles/walkthrough.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using tov::testing::TempDir;

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
    double seconds = 0;
    long peakKilobytes = 0; //: the process's largest resident size
};

using Environment = std::vector<std::pair<std::string, std::string>>;

// Which program a run starts and the home it gets: its own, so no run writes into the
// home folder of whoever runs the tests.
struct Launch {
    std::filesystem::path executable = TOVANA_EXECUTABLE;
    std::filesystem::path home; //: empty: the run's own folder
    std::string xdgDataHome;    //: set when not empty; the variable is unset otherwise
    Environment env;            //: further variables of the run
};

// Starts tovana in `dir`: standard input from `in` (or "stdin.txt" when -1), standard
// output into `out` (or "stdout.txt" when -1), errors into "stderr.txt".
pid_t startTovana(const TempDir& dir, std::vector<std::string> args, const Launch& launch,
                  int in = -1, int out = -1)
{
    const std::string executable = launch.executable.string();
    const pid_t pid = ::fork();
    if (pid == 0) {
        if (::chdir(dir.path().c_str()) != 0) {
            ::_exit(126);
        }
        ::setenv("HOME", (launch.home.empty() ? dir.path() : launch.home).c_str(), 1);
        ::unsetenv("XDG_CONFIG_HOME");
        ::unsetenv("XDG_DATA_HOME");
        if (!launch.xdgDataHome.empty()) {
            ::setenv("XDG_DATA_HOME", launch.xdgDataHome.c_str(), 1);
        }
        if (in < 0) {
            in = ::open("stdin.txt", O_RDONLY);
        }
        if (out < 0) {
            out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        }
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        for (const auto& [name, value] : launch.env) {
            ::setenv(name.c_str(), value.c_str(), 1);
        }
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(executable.c_str()));
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(executable.c_str(), argv.data());
        ::_exit(127);
    }
    return pid;
}

// Waits for the end of `pid`; its exit status, or 128 + the signal that ended it.
int exitStatusOf(pid_t pid, long* peakKilobytes = nullptr)
{
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    if (peakKilobytes != nullptr) {
        *peakKilobytes = usage.ru_maxrss;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

// Starts tovana in `dir` reading standard input from `input` (a file, or anything open()
// accepts) and waits for its end.
ProcessRun runTovanaReading(const TempDir& dir, const std::filesystem::path& input,
                            std::vector<std::string> args, const Launch& launch = {})
{
    const int in = ::open(input.c_str(), O_RDONLY);
    const auto start = std::chrono::steady_clock::now();
    const pid_t pid = startTovana(dir, std::move(args), launch, in);
    ::close(in);
    ProcessRun run;
    run.status = exitStatusOf(pid, &run.peakKilobytes);
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.out = dir.read("stdout.txt");
    run.err = dir.read("stderr.txt");
    return run;
}

// Starts tovana in `dir` with `input` as its standard input and waits for its end.
ProcessRun runTovana(const TempDir& dir, const std::string& input, std::vector<std::string> args,
                     const Launch& launch = {})
{
    dir.write("stdin.txt", input);
    return runTovanaReading(dir, dir / "stdin.txt", std::move(args), launch);
}

std::vector<std::string> lines(const std::string& text)
{
    std::vector<std::string> out;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) {
        out.push_back(line);
    }
    return out;
}

// Characters, not bytes: the screen holds one Windows-1250 byte per column.
size_t utf8Length(const std::string& s)
{
    size_t count = 0;
    for (const char c : s) {
        count += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    }
    return count;
}

class TerminalTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // The build's working directory: the shipped data files and the generated bank.
        const std::filesystem::path workdir =
            std::filesystem::path(TOVANA_EXECUTABLE).parent_path();
        for (const char* name :
             {"data.dta", "sounds.dat", "czech.ebt", "czech.eky", "english.eky"}) {
            std::filesystem::copy_file(workdir / name, dir / name);
        }
    }
    std::vector<std::string> args(bool dump = true) const
    {
        std::vector<std::string> a = {"--console", "--config", (dir / "tovana.ini").string()};
        if (dump) {
            a.push_back("--dump-screen");
        }
        return a;
    }
    TempDir dir;
};

TEST_F(TerminalTest, WinningOrderPlaysToTheEnd)
{
    std::string input;
    for (std::string_view command : tov::testing::walkthrough::winningCommands()) {
        input += std::string(command) + "\n";
    }
    const ProcessRun run = runTovana(dir, input, args());
    std::printf("winning run in the terminal host: %.2f s\n", run.seconds);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");

    const std::vector<std::string> out = lines(run.out);
    const auto dump = std::find(out.begin(), out.end(), "--- screen ---");
    ASSERT_NE(dump, out.end());
    ASSERT_NE(dump, out.begin());
    EXPECT_EQ(*(dump - 1), "hotovo"); // the program ended, then Start's word
    ASSERT_EQ(out.end() - dump, 26);  // the marker, 24 lines, the end marker
    EXPECT_EQ(out.back(), "--- end ---");
    for (auto line = dump + 1; line != out.end() - 1; ++line) {
        const size_t width = utf8Length(*line);
        EXPECT_TRUE(width == 0 || width == 80) << *line;
    }
    EXPECT_EQ(std::filesystem::file_size(dir / "ram.dat"), 65536u);
}

// A whole winning game kept in the file named for the run: under its session's heading,
// every line printed to the terminal, in order, and every command after "> ", as UTF-8.
TEST_F(TerminalTest, AWinningGameIsKeptInTheTranscriptNamedForTheRun)
{
    std::string input;
    std::vector<std::string> expected; // the terminal's lines with text, then the commands
    for (std::string_view command : tov::testing::walkthrough::winningCommands()) {
        input += std::string(command) + "\n";
    }
    std::vector<std::string> arguments = args(false);
    arguments.insert(arguments.end(), {"--transcript", (dir / "game.txt").string()});
    const ProcessRun run = runTovana(dir, input, arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    std::vector<std::string> kept;
    for (const auto& [text, into] :
         {std::pair{run.out, &expected}, {dir.read("game.txt"), &kept}}) {
        for (std::string line : lines(text)) {
            line.erase(line.find_last_not_of(' ') + 1);
            if (!line.empty() && !line.starts_with("> ")) {
                into->push_back(line);
            }
        }
    }
    for (std::string_view command : tov::testing::walkthrough::winningCommands()) {
        expected.push_back(std::string(command));
    }
    for (const std::string& line : lines(dir.read("game.txt"))) {
        if (line.starts_with("> ")) {
            kept.push_back(line.substr(2));
        }
    }
    ASSERT_FALSE(kept.empty());
    EXPECT_TRUE(kept.front().starts_with("--- 20")) << kept.front();
    EXPECT_EQ(std::vector<std::string>(kept.begin() + 1, kept.end()), expected);
}

// The setting keeps it beside the memory image; one that cannot be written is said once,
// naming the file, and the game goes on.
TEST_F(TerminalTest, TheTranscriptSettingAndAFileThatCannotBeWritten)
{
    dir.write("tovana.ini", "[history]\ntranscript=1\n");
    EXPECT_EQ(runTovana(dir, "v\n", args(false)).status, 0);
    EXPECT_NE(dir.read("transcript.txt").find("\n> v\njsi na začátku širokého koridoru"),
              std::string::npos);

    dir.write("plain", "a file, not a folder");
    const std::string file = (dir / "plain" / "game.txt").string();
    std::vector<std::string> arguments = args(false);
    arguments.insert(arguments.end(), {"--transcript", file});
    const ProcessRun run = runTovana(dir, "v\ns\n", arguments);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(lines(run.err).size(), 1u) << run.err;
    EXPECT_NE(run.err.find(file), std::string::npos) << run.err;
    EXPECT_NE(run.out.find("koridoru"), std::string::npos) << "the game went on";
}

TEST_F(TerminalTest, EndOfInputSavesTheMemoryImageAndEndsWithStatusZero)
{
    const ProcessRun run = runTovana(dir, "v\n", args(false));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(dir / "ram.dat"), 65536u);
    EXPECT_EQ(run.out.find("hotovo"), std::string::npos); // the program did not end itself
}

// The two ways INPUT gets its line without speech: from standard input itself, or,
// while the braille display may be taken, from the reader thread through the queue that
// also carries the display's keys. No BRLTTY answers on the port named here.
struct InputPath {
    const char* description;
    const char* settings; //: the settings file's text
};
constexpr InputPath kInputPaths[] = {
    {"standard input read directly", "[braille]\ndisplay=0\n"},
    {"lines through the display's queue", "[braille]\ndisplay=1\n"},
};
Launch withoutBrltty()
{
    Launch launch;
    launch.env = {{"BRLAPI_HOST", "127.0.0.1:3999"}, {"BRLAPI_AUTH", "none"}};
    return launch;
}

TEST_F(TerminalTest, AnEndlessLineIsCutAndReadPastInBoundedMemory)
{
    // 16 MiB without a line end, then a real command: the program reads past the rest of
    // the long line and goes on, and holds at most its first 64 KiB.
    constexpr size_t kLongLine = 16 * 1024 * 1024;
    const Launch kNoBrltty = withoutBrltty();
    // Written and let go before any run: a child's peak counts the test's own pages that
    // it shares until it starts the program.
    dir.write("long.txt", std::string(kLongLine, 'x') + "\nv\n");
    for (const InputPath& path : kInputPaths) {
        dir.write("tovana.ini", path.settings);
        const ProcessRun shortRun = runTovana(dir, "x\nv\n", args(false), kNoBrltty);
        std::filesystem::remove(dir / "ram.dat");
        const ProcessRun longRun = runTovanaReading(dir, dir / "long.txt", args(false), kNoBrltty);
        std::filesystem::remove(dir / "ram.dat");
        EXPECT_EQ(longRun.status, 0) << path.description << ": " << longRun.err;
        // The same answers: the line cut, the next one read.
        EXPECT_EQ(longRun.out, shortRun.out) << path.description;
        EXPECT_NE(shortRun.out.find("koridoru"), std::string::npos) << path.description;
        EXPECT_LT(longRun.peakKilobytes - shortRun.peakKilobytes, 4 * 1024)
            << path.description << ": peak " << longRun.peakKilobytes << " kB against "
            << shortRun.peakKilobytes << " kB";
    }
}

TEST_F(TerminalTest, AnInputThatCannotBeReadIsAnErrorNotTheEnd)
{
    // A folder opens, but reading it fails: that is no end of input.
    const Launch kNoBrltty = withoutBrltty();
    for (const InputPath& path : kInputPaths) {
        dir.write("tovana.ini", path.settings);
        const ProcessRun run = runTovanaReading(dir, dir.path(), args(false), kNoBrltty);
        EXPECT_EQ(run.status, 1) << path.description;
        EXPECT_NE(run.err.find("standard input cannot be read: Is a directory"), std::string::npos)
            << path.description << ": " << run.err;
    }
}

TEST_F(TerminalTest, MissingDataFileStopsWithMessage42)
{
    std::filesystem::remove(dir / "data.dta");
    const ProcessRun run = runTovana(dir, "v\n", args(false));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Nelze nalézt soubor data.dta\n");
    EXPECT_FALSE(std::filesystem::exists(dir / "ram.dat")); // this end saves nothing
}

TEST_F(TerminalTest, MissingSoundBankStopsBeforeTheProgramStarts)
{
    std::filesystem::remove(dir / "sounds.dat");
    const ProcessRun run = runTovana(dir, "v\n", args(false));
    EXPECT_EQ(run.status, 1);
    EXPECT_EQ(run.err, "Nelze nalézt soubor sounds.dat\n");
    EXPECT_EQ(run.out, "");
}

TEST_F(TerminalTest, LanguageOfTheConfigurationFileGivesTheRuntimesWords)
{
    dir.write("tovana.ini", "[environment]\nlanguage=2000\n");
    // Die among the spiders, decline another game: the program ends by itself.
    const ProcessRun run = runTovana(dir, "v\ns\ns\nne\n", args(false));
    EXPECT_EQ(run.status, 0) << run.err;
    const std::vector<std::string> out = lines(run.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "ready");
}

// An install tree unpacked anywhere (bin/tovana, share/tovana/ with the data files), run
// by a user in an empty folder: the game plays from the tree's data, the settings folder
// and the memory image go to the user's XDG folders, and the folder stays empty.
TEST(InstalledTerminalTest, PlaysInAnEmptyFolderAndKeepsTheUsersFilesInTheirFolders)
{
    TempDir tree;
    const std::filesystem::path build = std::filesystem::path(TOVANA_EXECUTABLE).parent_path();
    std::filesystem::create_directories(tree / "bin");
    std::filesystem::create_directories(tree.path() / "share/tovana");
    std::filesystem::copy_file(TOVANA_EXECUTABLE, tree / "bin" / "tovana");
    for (const char* name :
         {"data.dta", "sounds.dat", "czech.ebt", "czech.eky", "english.eky", "slovak.eky"}) {
        std::filesystem::copy_file(build / name, tree.path() / "share/tovana" / name);
    }
    TempDir home;
    TempDir play;
    const Launch launch{
        .executable = tree / "bin" / "tovana", .home = home.path(), .xdgDataHome = {}, .env = {}};

    // Among the spiders, then no second game: the program ends by itself.
    const ProcessRun run = runTovana(play, "v\ns\ns\nne\n", {"--console"}, launch);
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> out = lines(run.out);
    ASSERT_FALSE(out.empty());
    EXPECT_EQ(out.back(), "hotovo");
    EXPECT_EQ(std::filesystem::file_size(home.path() / ".local/share/tovana/ram.dat"), 65536u);
    EXPECT_TRUE(std::filesystem::is_directory(home.path() / ".config/tovana"));
    std::vector<std::string> left;
    for (const auto& entry : std::filesystem::directory_iterator(play.path())) {
        left.push_back(entry.path().filename().string());
    }
    std::sort(left.begin(), left.end());
    EXPECT_EQ(left, (std::vector<std::string>{"stderr.txt", "stdin.txt", "stdout.txt"}));

    // XDG_DATA_HOME moves the memory image.
    TempDir data;
    const ProcessRun moved = runTovana(play, "v\n", {"--console"},
                                       {.executable = tree / "bin" / "tovana",
                                        .home = home.path(),
                                        .xdgDataHome = data.path().string(),
                                        .env = {}});
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(std::filesystem::file_size(data.path() / "tovana/ram.dat"), 65536u);
}

// --- the speaking terminal, heard through OpenAL's wave writer ---

// A sample this far from zero is sound (about -50 dB); dither and rounding stay below it.
constexpr int kSilence = 100;

// Seconds of the recording in which some channel is not silent. The writer completes its
// header only when the device closes, which a process ended at once never does: the data
// are read to the end of the file.
double heardSeconds(const std::string& wav)
{
    const auto u16 = [&](size_t at) {
        return static_cast<uint16_t>(static_cast<uint8_t>(wav[at]) |
                                     static_cast<uint8_t>(wav[at + 1]) << 8);
    };
    const auto u32 = [&](size_t at) { return uint32_t{u16(at)} | uint32_t{u16(at + 2)} << 16; };
    if (wav.size() < 12 || wav.compare(0, 4, "RIFF") != 0 || wav.compare(8, 4, "WAVE") != 0) {
        ADD_FAILURE() << "not a WAVE file (" << wav.size() << " bytes)";
        return 0;
    }
    int channels = 0;
    uint32_t rate = 0;
    for (size_t at = 12; at + 8 <= wav.size();) {
        const std::string id = wav.substr(at, 4);
        const uint32_t size = u32(at + 4);
        const size_t body = at + 8;
        if (id == "fmt ") {
            channels = u16(body + 2);
            rate = u32(body + 4);
            EXPECT_EQ(u16(body + 14), 16) << "16-bit samples were asked for";
        } else if (id == "data") {
            if (channels == 0 || rate == 0) {
                ADD_FAILURE() << "data before the format";
                return 0;
            }
            const size_t frameBytes = 2 * static_cast<size_t>(channels);
            const size_t frames = (wav.size() - body) / frameBytes;
            size_t loud = 0;
            for (size_t frame = 0; frame < frames; ++frame) {
                for (int channel = 0; channel < channels; ++channel) {
                    const auto sample = static_cast<int16_t>(
                        u16(body + frame * frameBytes + 2 * static_cast<size_t>(channel)));
                    if (std::abs(int{sample}) > kSilence) {
                        ++loud;
                        break;
                    }
                }
            }
            return static_cast<double>(loud) / rate;
        }
        at = body + size + (size & 1);
    }
    ADD_FAILURE() << "no data chunk";
    return 0;
}

// Reads `fd` into `seen` until it holds `what` or the bound passes; false then.
bool readUntil(int fd, std::string& seen, std::string_view what, std::chrono::seconds bound)
{
    const auto deadline = std::chrono::steady_clock::now() + bound;
    while (seen.find(what) == std::string::npos) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0) {
            return false;
        }
        pollfd ready{fd, POLLIN, 0};
        if (::poll(&ready, 1, static_cast<int>(left.count())) <= 0) {
            continue;
        }
        char buffer[4096];
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got <= 0) {
            return false; // the process ended without writing it
        }
        seen.append(buffer, static_cast<size_t>(got));
    }
    return true;
}

std::string readAll(int fd)
{
    std::string all;
    char buffer[4096];
    for (ssize_t got; (got = ::read(fd, buffer, sizeof buffer)) > 0;) {
        all.append(buffer, static_cast<size_t>(got));
    }
    return all;
}

class SpeakingTerminalTest : public TerminalTest {
protected:
    void SetUp() override
    {
        TerminalTest::SetUp();
        // The cues off, so every sound in the recording is speech; the Czech voice at a
        // brisk pace from the settings file, as a user would have chosen it.
        dir.write("tovana.ini", "[sounds]\ntovanasounds=0\n"
                                "[Voice]\nperson=Czech\npitch=50\nspeed=350\nvolume=255\n");
        dir.write("alsoft.conf", "[general]\nchannels = mono\nsample-type = int16\n"
                                 "frequency = 22050\ndither = false\n[wave]\nfile = " +
                                     (dir / "out.wav").string() + "\n");
    }
    Launch wave() const
    {
        Launch launch;
        launch.env = {{"ALSOFT_DRIVERS", "wave"}, {"ALSOFT_CONF", (dir / "alsoft.conf").string()}};
        return launch;
    }
    std::vector<std::string> speaking() const
    {
        std::vector<std::string> a = args(false);
        a.push_back("--speak");
        return a;
    }
    double heard() const { return heardSeconds(dir.read("out.wav")); }
};

// Piped "v": the opening and the answer are spoken to their ends before the end of input
// ends the process, so the recording holds many seconds of speech; without --speak the
// same run records silence. A `say` that did not wait would let the process end at once.
TEST_F(SpeakingTerminalTest, PipedInputIsSpokenAndKeepsPaceWithTheSpeech)
{
    const ProcessRun silent = runTovana(dir, "v\n", args(false), wave());
    EXPECT_EQ(silent.status, 0) << silent.err;
    EXPECT_LT(heard(), 0.05) << "the cues are off and nothing speaks";

    const ProcessRun run = runTovana(dir, "v\n", speaking(), wave());
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_NE(run.out.find("jsi na začátku širokého koridoru"), std::string::npos) << run.out;
    const double seconds = heard();
    std::printf("speech heard: %.1f s in %.1f s\n", seconds, run.seconds);
    EXPECT_GT(seconds, 8.0);
    // The voice's speed came from the settings file and was kept there.
    EXPECT_NE(dir.read("tovana.ini").find("speed=350"), std::string::npos);
}

// The same "v", typed at a terminal while the opening's longest line (three seconds of
// speech) is spoken: that line is cut off, the rest is spoken as before, so the recording
// is shorter by the part cut. A short line would leave a loaded machine too little time
// to type into it.
TEST_F(SpeakingTerminalTest, ALineTypedAtATerminalStopsTheLineBeingSpoken)
{
    ASSERT_EQ(runTovana(dir, "v\n", speaking(), wave()).status, 0);
    const double whole = heard();

    const int master = ::posix_openpt(O_RDWR | O_NOCTTY);
    ASSERT_GE(master, 0) << std::strerror(errno);
    ASSERT_EQ(::grantpt(master), 0);
    ASSERT_EQ(::unlockpt(master), 0);
    const int terminal = ::open(::ptsname(master), O_RDWR | O_NOCTTY);
    ASSERT_GE(terminal, 0) << std::strerror(errno);
    int out[2];
    ASSERT_EQ(::pipe(out), 0);
    const pid_t pid = startTovana(dir, speaking(), wave(), terminal, out[1]);
    ::close(terminal);
    ::close(out[1]);

    std::string seen;
    EXPECT_TRUE(readUntil(out[0], seen, "pozor: věci lze položit", std::chrono::seconds(60)))
        << seen;
    // The line is printed before it sounds; typed in between, "v" would meet no speech.
    // So it is typed once a third of a second of the line has been recorded.
    const double before = heard();
    const auto bound = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (heard() < before + 0.3 && std::chrono::steady_clock::now() < bound) {
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    ASSERT_EQ(::write(master, "v\n", 2), 2);
    EXPECT_TRUE(readUntil(out[0], seen, "širokého koridoru", std::chrono::seconds(60))) << seen;
    ASSERT_EQ(::write(master, "\x04", 1), 1); // the end of input, at the start of a line
    seen += readAll(out[0]);
    const int status = exitStatusOf(pid);
    ::close(out[0]);
    ::close(master);
    EXPECT_EQ(status, 0) << dir.read("stderr.txt");

    const double cut = heard();
    std::printf("speech heard: %.2f s whole, %.2f s with the typed line\n", whole, cut);
    EXPECT_LT(cut, whole - 0.5);
    EXPECT_GT(cut, whole / 2) << "only the line being spoken is stopped";
}

} // namespace
