// The program's short-update keys for OpenAL step aside for any timing key that a user's
// or the system's configuration sets; the reader of those files survives whatever they hold.

#include "sound/openalconfig.h"

#include "doubles/brokenservice.h"
#include "doubles/scopedvariable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace tov::sound {
namespace {

struct KeyRow {
    const char* description;
    const char* config;
    OpenAlKey key;
    bool set;
};

TEST(OpenAlConfig, TellsWhetherAFileSetsAKey)
{
    const KeyRow rows[] = {
        {"a key before any section is in [general]",
         "period_size = 512\n",
         {"general", "period_size"},
         true},
        {"in its own section", "[pulse]\nadjust-latency=true\n", {"pulse", "adjust-latency"}, true},
        {"the same name in another section does not count",
         "[alsa]\nperiods = 4\n",
         {"general", "periods"},
         false},
        {"an empty value, as Debian's own file lists keys",
         "[general]\nperiods =\n",
         {"general", "periods"},
         false},
        {"a commented key", "[general]\n# period_size = 512\n", {"general", "period_size"}, false},
        {"a comment after the value",
         "[general]\nperiods = 4 # more\n",
         {"general", "periods"},
         true},
        {"names are compared without case",
         "[General]\nPeriod_Size = 512\r\n",
         {"general", "period_size"},
         true},
        {"a section back to [general] after another",
         "[pulse]\n[general]\nperiods=3",
         {"general", "periods"},
         true},
        {"an unclosed section header takes the rest of its line",
         "[pulse\nadjust-latency = 1\n",
         {"pulse", "adjust-latency"},
         true},
        {"a line without '=' is no key",
         "[general]\nperiod_size\n",
         {"general", "period_size"},
         false},
    };
    for (const KeyRow& row : rows) {
        EXPECT_EQ(setsKey(row.config, row.key), row.set) << row.description;
    }
}

TEST(OpenAlConfig, TheProgramsKeysOnlyWhereNoFileSetsThem)
{
    const auto timing = [](const std::string& config) {
        return setsKey(config, {"general", "period_size"}) &&
               setsKey(config, {"general", "periods"});
    };
    const auto realTime = [](const std::string& config) {
        return setsKey(config, {"general", "rt-prio"});
    };
    const std::string ours = shortUpdateConfig({"", "[decoder]\nhq-mode = false\n"}, true, false);
    EXPECT_TRUE(timing(ours)) << ours;
    EXPECT_TRUE(realTime(ours)) << ours;

    const std::string userPeriods =
        shortUpdateConfig({"", "[general]\nperiods = 4\n"}, true, false);
    EXPECT_FALSE(setsKey(userPeriods, {"general", "period_size"}))
        << "a user's count of updates keeps their period too";
    EXPECT_FALSE(setsKey(userPeriods, {"general", "periods"}));
    EXPECT_TRUE(realTime(userPeriods)) << userPeriods;
    EXPECT_FALSE(timing(shortUpdateConfig({"[pulse]\nadjust-latency = true\n", ""}, true, false)));

    // A user who keeps the mixer at the normal priority (rt-prio = 0) keeps it so.
    const std::string userPriority = shortUpdateConfig({"rt-prio = 0\n"}, true, false);
    EXPECT_TRUE(timing(userPriority)) << userPriority;
    EXPECT_FALSE(realTime(userPriority)) << userPriority;
    EXPECT_EQ(shortUpdateConfig({"[general]\nperiod_size = 512\n", "[general]\nrt-prio = 0\n"},
                                true, false),
              "");

    // Where the system refuses real-time threads, OpenAL is not asked for one: it would
    // print the refusal on every start.
    const std::string refused = shortUpdateConfig({""}, false, false);
    EXPECT_TRUE(timing(refused)) << refused;
    EXPECT_FALSE(realTime(refused)) << refused;
    EXPECT_EQ(shortUpdateConfig({"[general]\nperiod_size = 512\n"}, false, false), "");
}

TEST(OpenAlConfig, LongerUpdatesWhereTheSpeechGoesBesideOpenAl)
{
    // The speech keeps the short updates where it plays through OpenAL (ALSA, no server);
    // through a server it has its own stream, and OpenAL's sounds hold better at 512.
    const std::string device = shortUpdateConfig({""}, false, false);
    EXPECT_NE(device.find("period_size = 256\n"), std::string::npos) << device;
    const std::string server = shortUpdateConfig({""}, false, true);
    EXPECT_NE(server.find("period_size = 512\n"), std::string::npos) << server;
    EXPECT_TRUE(setsKey(server, {"general", "periods"})) << server;
    // A user's timing holds there too.
    EXPECT_EQ(shortUpdateConfig({"[general]\nperiod_size = 1024\n"}, false, true), "");
}

using tov::testing::ScopedVariable;

TEST(OpenAlConfig, TellsASoundServerBySocketOrByName)
{
    const std::string runtime = ::testing::TempDir() + "/openal_runtime";
    std::filesystem::remove_all(runtime);
    std::filesystem::create_directories(runtime + "/pulse");
    const ScopedVariable noName("PULSE_SERVER", std::nullopt);
    {
        const ScopedVariable none("XDG_RUNTIME_DIR", std::nullopt);
        EXPECT_FALSE(soundServerNamed()) << "no runtime folder, no name";
    }
    const ScopedVariable folder("XDG_RUNTIME_DIR", runtime);
    EXPECT_FALSE(soundServerNamed()) << "no socket";
    // A file left where the socket would be is not a server.
    std::ofstream(runtime + "/pulse/native") << "stale";
    EXPECT_FALSE(soundServerNamed());
    std::filesystem::remove(runtime + "/pulse/native");

    {
        const testing::BrokenService server(runtime + "/pulse/native",
                                            testing::BrokenService::Kind::Wedged);
        EXPECT_TRUE(soundServerNamed()) << "the user's server's socket";
    }
    std::filesystem::remove(runtime + "/pulse/native");

    const ScopedVariable named("PULSE_SERVER", "tcp:localhost:4713");
    EXPECT_TRUE(soundServerNamed()) << "a server named";
}

TEST(OpenAlConfig, FindsTheUsersFilesWhereOpenAlLooks)
{
    const std::string home = ::testing::TempDir() + "/openal_home";
    const char* const before = std::getenv("HOME");
    const std::string ownHome = before != nullptr ? before : "";
    ::setenv("HOME", home.c_str(), 1);
    ::unsetenv("XDG_CONFIG_HOME");
    ::setenv("XDG_CONFIG_DIRS", "/a:/b", 1);
    const auto files = openAlConfigFiles();
    const auto has = [&](const std::filesystem::path& p) {
        return std::find(files.begin(), files.end(), p) != files.end();
    };
    EXPECT_TRUE(has(std::filesystem::path(home) / ".alsoftrc"));
    EXPECT_TRUE(has(std::filesystem::path(home) / ".config" / "alsoft.conf"));
    EXPECT_TRUE(has("/a/alsoft.conf"));
    EXPECT_TRUE(has("/b/alsoft.conf"));
    EXPECT_TRUE(has("/etc/openal/alsoft.conf"));
    ::unsetenv("XDG_CONFIG_DIRS");
    ::setenv("HOME", ownHome.c_str(), 1);
}

TEST(OpenAlConfig, SurvivesArbitraryBytes)
{
    // A file of random bytes (a broken disk, a binary saved under the name) is read, and
    // at worst seen to set a key.
    std::mt19937 random(7);
    const std::string path = ::testing::TempDir() + "/random_alsoft.conf";
    for (int round = 0; round < 200; ++round) {
        std::string bytes(static_cast<size_t>(random() % 512), '\0');
        for (char& c : bytes) {
            c = static_cast<char>("[]=#\n\r periods_general"[random() % 23]);
            if (random() % 4 == 0) {
                c = static_cast<char>(random());
            }
        }
        {
            std::ofstream out(path, std::ios::binary);
            out << bytes;
        }
        const std::string read = readConfigFile(path, 256);
        ASSERT_EQ(read, bytes.substr(0, 256)) << "read at most the limit";
        (void)shortUpdateConfig({read}, true, false);
    }
    EXPECT_EQ(readConfigFile(::testing::TempDir() + "/no_such_alsoft.conf"), "");
}

} // namespace
} // namespace tov::sound
