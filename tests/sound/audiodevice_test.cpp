// The process's audio device: one at a time, shared while held, and the truth told when
// there is none.

#include "common/tov_error.h"
#include "sound/audiodevice.h"
#include "sound/openalplatform.h"
#include "sound/sounddevice.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace tov::sound {
namespace {

// These tests need a real output on a machine without a sound card: the null driver,
// which mixes in real time into nothing. OpenAL reads the driver list at its first
// call, so it is set before main (unless the caller chose a driver).
const bool nullDriver = ::setenv("ALSOFT_DRIVERS", "null", 0) == 0;

TEST(AudioDevice, IsOpenedOnceAndSharedWhileHeld)
{
    ASSERT_TRUE(nullDriver);
    auto first = AudioDevice::acquire();
    auto second = AudioDevice::acquire();
    EXPECT_EQ(first, second);
    EXPECT_EQ(AudioDevice::current(), first);
    EXPECT_EQ(first->kind(), AudioDevice::Kind::System);
    EXPECT_GT(first->frequency(), 0);
    try {
        AudioDevice::acquireLoopback(44100);
        ADD_FAILURE() << "a second device opened";
    } catch (const TovError& e) {
        EXPECT_STREQ(e.what(), "OpenAL loopback cannot be initialized");
    }
    first.reset();
    second.reset();
    EXPECT_EQ(AudioDevice::current(), nullptr) << "closed with its last holder";
    auto loopback = AudioDevice::acquireLoopback(44100);
    EXPECT_EQ(AudioDevice::acquire(), loopback) << "whoever comes next shares it";
}

TEST(AudioDevice, MakesSourcesAndBuffers)
{
    auto device = AudioDevice::acquireLoopback(22050);
    const AudioSource source = device->createSource();
    const AudioBuffer buffer = device->createBuffer();
    EXPECT_NE(source.id(), 0u);
    EXPECT_NE(buffer.id(), 0u);
    EXPECT_TRUE(alIsSource(source.id()));
    EXPECT_EQ(device->frequency(), 22050);
}

TEST(AudioDeviceDeathTest, WithoutAnyOutputTheMessageSaysOpenAL)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    // A driver list that names no driver is a machine without a sound server. The child
    // starts afresh, so OpenAL reads the list at its first call.
    ::setenv("ALSOFT_DRIVERS", "nosuchdriver", 1);
    EXPECT_EXIT(
        {
            TSoundDevice device;
            try {
                device.initsound();
            } catch (const TovError& e) {
                std::exit(std::string(e.what()) == "OpenAL cannot be initialized" ? 0 : 1);
            }
            std::exit(2);
        },
        ::testing::ExitedWithCode(0), "");
    ::setenv("ALSOFT_DRIVERS", "null", 1);
}

TEST(AudioDeviceDeathTest, TheProgramsDeviceMixesInShortUpdatesUnlessTheUserConfiguredOpenAL)
{
    // Each case in a fresh child: OpenAL reads its configuration once, at its first call.
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    ::unsetenv("ALSOFT_CONF");
    EXPECT_EXIT(
        {
            ::unsetenv("PULSE_SERVER");
            ::unsetenv("XDG_RUNTIME_DIR");
            const auto device = AudioDevice::acquire();
            const bool leftAsFound = std::getenv("ALSOFT_CONF") == nullptr;
            std::exit(device->updateFrames() == 256 && leftAsFound ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    // Where a sound server is named, the speech goes to it beside OpenAL, and OpenAL's
    // updates for the sounds are longer.
    EXPECT_EXIT(
        {
            ::setenv("PULSE_SERVER", "unix:/nonexistent/native", 1);
            const auto device = AudioDevice::acquire();
            std::exit(device->updateFrames() == 512 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    // A user's own period in ~/.alsoftrc: the program's file, read after it, would win.
    const std::string home = ::testing::TempDir() + "/alsoft_home";
    std::filesystem::create_directories(home);
    {
        std::ofstream out(home + "/.alsoftrc");
        out << "[general]\nperiod_size = 512\n";
    }
    EXPECT_EXIT(
        {
            ::setenv("HOME", home.c_str(), 1);
            const auto device = AudioDevice::acquire();
            std::exit(device->updateFrames() == 512 ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    const std::string conf = ::testing::TempDir() + "/users_alsoft.conf";
    {
        std::ofstream out(conf);
        out << "[general]\nperiod_size = 512\n";
    }
    ::setenv("ALSOFT_CONF", conf.c_str(), 1);
    EXPECT_EXIT(
        {
            const auto device = AudioDevice::acquire();
            const char* kept = std::getenv("ALSOFT_CONF");
            std::exit(device->updateFrames() == 512 && kept != nullptr && conf == kept ? 0 : 1);
        },
        ::testing::ExitedWithCode(0), "");
    ::unsetenv("ALSOFT_CONF");
}

TEST(SoundDeviceOverOpenAL, TheProgramsDevicePlaysTheBankOnTheNullOutput)
{
    TSoundDevice device;
    TWaveList list;
    list.setdevice(&device);
    device.initsound();
    list.Waves().loadbank(TOVANA_SOUNDS_DAT);
    auto& beep = list.Waves().find("beep");
    const auto start = std::chrono::steady_clock::now();
    beep.play(Wait::Yes);
    const auto waited = std::chrono::steady_clock::now() - start;
    // The null output keeps time by mixing ahead when its thread was held up, so on a
    // loaded machine the 100 ms beep can end after 78 ms of the clock. A wait that did not
    // wait for the beep at all returns within a millisecond.
    EXPECT_GE(waited, std::chrono::milliseconds(50));
    EXPECT_EQ(beep.extrabuffercount(), 1u);
    EXPECT_FALSE(beep.extrabuffer(0).isplaying()) << "it ended with the beep, not at the bound";
}

} // namespace
} // namespace tov::sound
