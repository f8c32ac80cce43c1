// The whole program in the terminal host, run as a user would run it: commands on
// standard input, the text on standard output, the files in the working directory.
#include "doubles/doubles.h"
#include "doubles/walkthrough.h"

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>

namespace {

using tov::testing::TempDir;

struct ProcessRun {
    int status = -1;
    std::string out;
    std::string err;
    double seconds = 0;
    long peakKilobytes = 0; //: the process's largest resident size
};

// Which program a run starts and the home it gets: its own, so no run writes into the
// home folder of whoever runs the tests.
struct Launch {
    std::filesystem::path executable = TOVANA_EXECUTABLE;
    std::filesystem::path home; //: empty: the run's own folder
    std::string xdgDataHome;    //: set when not empty; the variable is unset otherwise
};

ProcessRun runTovanaReading(const TempDir& dir, const std::filesystem::path& input,
                            std::vector<std::string> args, const Launch& launch = {});

// Starts tovana in `dir` with `input` as its standard input.
ProcessRun runTovana(const TempDir& dir, const std::string& input, std::vector<std::string> args,
                     const Launch& launch = {})
{
    dir.write("stdin.txt", input);
    return runTovanaReading(dir, dir / "stdin.txt", std::move(args), launch);
}

// Starts tovana in `dir` reading standard input from `input` (a file, or anything open()
// accepts).
ProcessRun runTovanaReading(const TempDir& dir, const std::filesystem::path& input,
                            std::vector<std::string> args, const Launch& launch)
{
    const auto start = std::chrono::steady_clock::now();
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
        const int in = ::open(input.c_str(), O_RDONLY);
        const int out = ::open("stdout.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const int err = ::open("stderr.txt", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(in, 0);
        ::dup2(out, 1);
        ::dup2(err, 2);
        const std::string executable = launch.executable.string();
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(executable.c_str()));
        for (std::string& arg : args) {
            argv.push_back(arg.data());
        }
        argv.push_back(nullptr);
        ::execv(executable.c_str(), argv.data());
        ::_exit(127);
    }
    ProcessRun run;
    int status = 0;
    rusage usage{};
    ::wait4(pid, &status, 0, &usage);
    run.peakKilobytes = usage.ru_maxrss;
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = dir.read("stdout.txt");
    run.err = dir.read("stderr.txt");
    return run;
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
    for (std::string_view command : tov::testing::kWinningCommands) {
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

TEST_F(TerminalTest, EndOfInputSavesTheMemoryImageAndEndsWithStatusZero)
{
    const ProcessRun run = runTovana(dir, "v\n", args(false));
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(std::filesystem::file_size(dir / "ram.dat"), 65536u);
    EXPECT_EQ(run.out.find("hotovo"), std::string::npos); // the program did not end itself
}

TEST_F(TerminalTest, AnEndlessLineIsCutAndReadPastInBoundedMemory)
{
    // 16 MiB without a line end, then a real command: the program reads past the rest of
    // the long line and goes on, and holds at most its first 64 KiB.
    constexpr size_t kLongLine = 16 * 1024 * 1024;
    const ProcessRun shortRun = runTovana(dir, "x\nv\n", args(false));
    std::filesystem::remove(dir / "ram.dat");
    const ProcessRun longRun = runTovana(dir, std::string(kLongLine, 'x') + "\nv\n", args(false));
    EXPECT_EQ(longRun.status, 0) << longRun.err;
    EXPECT_EQ(longRun.out, shortRun.out); // the same answers: the line cut, the next one read
    EXPECT_LT(longRun.peakKilobytes - shortRun.peakKilobytes, 4 * 1024)
        << "peak " << longRun.peakKilobytes << " kB against " << shortRun.peakKilobytes << " kB";
}

TEST_F(TerminalTest, AnInputThatCannotBeReadIsAnErrorNotTheEnd)
{
    // A folder opens, but reading it fails: that is no end of input.
    const ProcessRun run = runTovanaReading(dir, dir.path(), args(false));
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("standard input cannot be read: Is a directory"), std::string::npos)
        << run.err;
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
    const Launch launch{.executable = tree / "bin" / "tovana", .home = home.path(), .xdgDataHome = {}};

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
    const ProcessRun moved = runTovana(
        play, "v\n", {"--console"},
        {.executable = tree / "bin" / "tovana", .home = home.path(), .xdgDataHome = data.path().string()});
    EXPECT_EQ(moved.status, 0) << moved.err;
    EXPECT_EQ(std::filesystem::file_size(data.path() / "tovana/ram.dat"), 65536u);
}

} // namespace
