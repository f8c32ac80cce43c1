// Where the files live: the portable and the installed layout decided from the
// executable's folder and an environment, the folders made for an installed run, and the console
// opening its memory image and data file where the locations say.
#include "shell/filelocations.h"

#include "doubles/doubles.h"
#include "doubles/scopedvariable.h"
#include "runtime/console.h"
#include "runtime/soundcues.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>
#include <vector>

namespace {

using tov::shell::FileEnvironment;
using tov::shell::FileLocations;
using tov::shell::Layout;
using tov::testing::TempDir;
namespace fs = std::filesystem;

// Each row: the files that exist (tagged paths) and the environment's variables, and where
// the settings, the memory image and two data files must then be. Paths start with a
// folder's tag: "work/", "data/", "home/", "xdg/", "exe/".
struct Row {
    const char* description;
    std::vector<const char*> files;
    const char* xdgConfigHome; //: "xdg/..." for an absolute path under the test's folder
    const char* xdgDataHome;
    bool hasHome;
    Layout layout;
    const char* settings;
    const char* memoryimage;
    const char* brailletable;
    const char* datafile;
};

const Row kRows[] = {
    {"the sound bank beside the executable: the working directory's files",
     {"exe/sounds.dat", "work/sounds.dat"},
     "",
     "",
     true,
     Layout::Portable,
     "exe/tovana.ini",
     "work/ram.dat",
     "work/czech.ebt",
     "work/data.dta"},
    {"portable whatever the XDG variables say",
     {"exe/sounds.dat", "work/ram.dat"},
     "xdg/config",
     "xdg/data",
     true,
     Layout::Portable,
     "exe/tovana.ini",
     "work/ram.dat",
     "work/czech.ebt",
     "work/data.dta"},
    {"an empty folder: data folder, ~/.config and ~/.local/share",
     {},
     "",
     "",
     true,
     Layout::Installed,
     "home/.config/tovana/tovana.ini",
     "home/.local/share/tovana/ram.dat",
     "data/czech.ebt",
     "data/data.dta"},
    {"the XDG variables move the settings and the memory image",
     {},
     "xdg/config",
     "xdg/data",
     true,
     Layout::Installed,
     "xdg/config/tovana/tovana.ini",
     "xdg/data/tovana/ram.dat",
     "data/czech.ebt",
     "data/data.dta"},
    {"relative XDG values are ignored",
     {},
     "config",
     "data",
     true,
     Layout::Installed,
     "home/.config/tovana/tovana.ini",
     "home/.local/share/tovana/ram.dat",
     "data/czech.ebt",
     "data/data.dta"},
    {"a working directory full of data files makes no installed program portable",
     {"work/sounds.dat", "work/czech.ebt", "work/data.dta", "work/ram.dat"},
     "",
     "",
     true,
     Layout::Installed,
     "home/.config/tovana/tovana.ini",
     "home/.local/share/tovana/ram.dat",
     "data/czech.ebt",
     "data/data.dta"},
    {"a braille table in the user's data folder wins over the data folder's",
     {"home/.local/share/tovana/czech.ebt"},
     "",
     "",
     true,
     Layout::Installed,
     "home/.config/tovana/tovana.ini",
     "home/.local/share/tovana/ram.dat",
     "home/.local/share/tovana/czech.ebt",
     "data/data.dta"},
    {"so does a death tune of the user's own, where XDG_DATA_HOME says",
     {"xdg/data/tovana/data.dta"},
     "",
     "xdg/data",
     true,
     Layout::Installed,
     "home/.config/tovana/tovana.ini",
     "xdg/data/tovana/ram.dat",
     "data/czech.ebt",
     "xdg/data/tovana/data.dta"},
    {"no home and no XDG variables: the working directory, never the executable's",
     {},
     "",
     "",
     false,
     Layout::Installed,
     "work/tovana.ini",
     "work/ram.dat",
     "data/czech.ebt",
     "data/data.dta"},
};

class FileLocationsTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (const char* folder : {"work", "data", "home", "exe"}) {
            fs::create_directories(root.path() / folder);
        }
    }
    fs::path tagged(const char* value) const { return root.path() / value; }
    FileEnvironment environment(const Row& row) const
    {
        FileEnvironment environment;
        environment.workdir = root.path() / "work";
        environment.executable = root.path() / "exe" / "tovana";
        environment.installeddatadir = root.path() / "data";
        const auto variable = [this](const char* value) -> std::string {
            const std::string text = value;
            return text.rfind("xdg/", 0) == 0 ? tagged(value).string() : text;
        };
        environment.xdgConfigHome = variable(row.xdgConfigHome);
        environment.xdgDataHome = variable(row.xdgDataHome);
        environment.home = row.hasHome ? (root.path() / "home").string() : "";
        return environment;
    }
    TempDir root;
};

TEST_F(FileLocationsTest, EachLayoutPutsEveryFileInItsPlace)
{
    for (const Row& row : kRows) {
        SCOPED_TRACE(row.description);
        for (const char* name : row.files) {
            fs::create_directories(tagged(name).parent_path());
            root.write(name, "x");
        }
        const FileLocations files = FileLocations::decide(environment(row));
        EXPECT_EQ(files.layout(), row.layout);
        EXPECT_EQ(files.settingsfile(), tagged(row.settings));
        EXPECT_EQ(files.memoryimage(), tagged(row.memoryimage));
        EXPECT_EQ(files.datafile("czech.ebt"), tagged(row.brailletable));
        EXPECT_EQ(files.datafile("data.dta"), tagged(row.datafile));
        // What the console and the main window open goes through the same rule.
        EXPECT_EQ(files.locate(tov::runtime::kMemoryImageFile), tagged(row.memoryimage));
        EXPECT_EQ(files.locate(tov::runtime::kDataFile), tagged(row.datafile));
        EXPECT_EQ(files.locator()("czech.ebt"), tagged(row.brailletable));
        for (const char* name : row.files) {
            fs::remove(tagged(name));
        }
    }
}

TEST_F(FileLocationsTest, AnInstalledRunMakesItsFoldersAndAPortableOneNone)
{
    const Row& installed = kRows[3];
    const FileLocations files = FileLocations::decide(environment(installed));
    files.createfolders();
    EXPECT_TRUE(fs::is_directory(tagged("xdg/config/tovana")));
    EXPECT_TRUE(fs::is_directory(tagged("xdg/data/tovana")));

    const Row& portable = kRows[1]; // the same XDG variables, but the bank is beside it
    for (const char* name : portable.files) {
        root.write(name, "x");
    }
    fs::remove_all(tagged("xdg"));
    FileLocations::decide(environment(portable)).createfolders();
    EXPECT_FALSE(fs::exists(tagged("xdg")));
}

TEST_F(FileLocationsTest, TheConsoleSavesAndReadsWhereTheLocationsSay)
{
    const FileLocations files = FileLocations::decide(environment(kRows[3]));
    files.createfolders();
    root.write("data/data.dta", "440,550\r\n");

    tov::testing::ConsoleFixture fixture; // its own folder must stay untouched
    tov::runtime::Console& console = fixture.console;
    console.setlocator(files.locator());
    console.memoryimage()[7] = 42;
    console.savememoryimage();
    EXPECT_EQ(fs::file_size(tagged("xdg/data/tovana/ram.dat")), tov::runtime::kMemorySize);
    EXPECT_FALSE(fs::exists(fixture.dir / "ram.dat"));

    console.memoryimage()[7] = 0;
    console.loadmemoryimage();
    EXPECT_EQ(console.memoryimage()[7], 42);

    console.opendatafile();
    ASSERT_TRUE(console.isDataFileOpen());
    double value = 0;
    console.readnumber(value);
    EXPECT_EQ(value, 440);
    console.readnumber(value);
    EXPECT_EQ(value, 550);
}

using tov::testing::ScopedVariable;

TEST(FileEnvironmentTest, ReadsTheVariablesAndFindsAnUnpackedInstallTree)
{
    TempDir root;
    fs::create_directories(root.path() / "usr/bin");
    fs::create_directories(root.path() / "usr/share/tovana");
    const fs::path executable = root.path() / "usr/bin/tovana";

    const ScopedVariable config("XDG_CONFIG_HOME", "/somewhere/config");
    const ScopedVariable data("XDG_DATA_HOME", std::nullopt);
    const ScopedVariable home("HOME", (root.path() / "home").string());
    FileEnvironment environment = FileEnvironment::forThisProcess(executable);
    EXPECT_EQ(environment.xdgConfigHome, "/somewhere/config");
    EXPECT_EQ(environment.xdgDataHome, "");
    EXPECT_EQ(environment.home, (root.path() / "home").string());
    EXPECT_EQ(environment.workdir, fs::current_path());
    // Without a sound bank beside it the tree is no data folder: the compiled-in one is.
    EXPECT_NE(environment.installeddatadir, root.path() / "usr/share/tovana");
    EXPECT_TRUE(environment.installeddatadir.is_absolute());

    root.write("usr/share/tovana/sounds.dat", "x");
    environment = FileEnvironment::forThisProcess(executable);
    EXPECT_EQ(environment.installeddatadir, root.path() / "usr/share/tovana");
}

TEST(FileEnvironmentTest, WithoutHomeTheUsersEntryGivesIt)
{
    const ScopedVariable home("HOME", std::nullopt);
    const FileEnvironment environment = FileEnvironment::forThisProcess("/usr/bin/tovana");
    // Root, or whoever runs the tests, has a home folder in the password database.
    EXPECT_FALSE(environment.home.empty());
    EXPECT_TRUE(fs::path(environment.home).is_absolute()) << environment.home;
}

} // namespace
