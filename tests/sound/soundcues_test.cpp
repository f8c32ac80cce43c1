// The sound statement and key cues over the recording platform: which items play, at
// what frequency and volume, how long the statement waits, what it remembers, and what
// happens with the sounds off, without a device, or with a name the bank lacks.
#include "bank_helpers.h"
#include "doubles/doubles.h"
#include "fake_platform.h"
#include "soundbank.h"

#include "common/localizer.h"
#include "common/tov_error.h"
#include "runtime/soundcues.h"
#include "sound/sounddevice.h"

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <limits>

namespace tov::runtime {
namespace {

using ::tov::testing::errorOf;
using namespace std::chrono_literals;
using testing::bankOf;
using testing::FakeWorld;

// Records every wait and what was sounding while it ran.
class RecordingWait final : public SoundWait {
public:
    void waitout(std::chrono::milliseconds duration) override
    {
        waits.push_back(duration);
        waiting = true;
        if (during) {
            during();
        }
        waiting = false;
    }
    bool endwait() override
    {
        const bool was = waiting;
        waiting = false;
        return was;
    }
    bool iswaiting() const override { return waiting; }

    std::vector<std::chrono::milliseconds> waits;
    std::function<void()> during;
    bool waiting = false;
};

struct Cues {
    explicit Cues(bool open = true)
    {
        list.setdevice(&device);
        if (open) {
            device.initsound();
        }
        list.Waves().loadbankimage(bankOf(tools::tovanaBank()));
        // A beep or click waits until its voice has been asked about twice.
        world.defaultStatusesUntilEnd = 2;
    }
    // Every item of our bank has samples, so at load the n-th item got buffer b<n>.
    int identify(const char* name)
    {
        int id = 0;
        for (auto& it : list.Waves()) {
            ++id;
            if (it->Name == name) {
                return id;
            }
        }
        throw std::logic_error(std::string("no item ") + name);
    }
    // The buffer that plays a tone item.
    testing::FakeBufferState& mainOf(const char* name) { return world.buffer(identify(name)); }
    void sound(std::initializer_list<double> tones, double number, double duration)
    {
        const std::vector<double> t(tones);
        cues.sound(t, number, duration);
    }

    FakeWorld world;
    sound::TSoundDevice device{world.opener()};
    sound::TWaveList list;
    Console console;
    RecordingWait wait;
    SoundCues cues{list.Waves(), console.soundstate(), wait};
};

TEST(Sound, PlaysTheLoopedToneAtSixtyFourTimesItsValueForTheDuration)
{
    Cues c;
    c.cues.settings().sndvolume = -1500;
    auto& snd11 = c.mainOf("snd11");
    c.wait.during = [&] {
        EXPECT_TRUE(snd11.playing);
        EXPECT_TRUE(snd11.looping);
        EXPECT_EQ(snd11.frequency, 28160);
        EXPECT_EQ(snd11.volume, -1500);
        EXPECT_EQ(snd11.position, 0u);
    };
    c.sound({440}, 1, 100);
    EXPECT_EQ(c.wait.waits, std::vector{100ms});
    EXPECT_FALSE(snd11.playing) << "stopped after the wait";
    EXPECT_EQ(c.world.playingCount(), 0);
}

TEST(Sound, EveryFractionIsDropped)
{
    Cues c;
    c.sound({440.9}, 1.9, 100.7);
    EXPECT_EQ(c.mainOf("snd11").frequency, 28160);
    EXPECT_EQ(c.mainOf("snd11").plays, 1);
    EXPECT_EQ(c.wait.waits, std::vector{100ms});
    EXPECT_EQ(c.console.soundstate().lastsound, 1);
    EXPECT_EQ(c.console.soundstate().lastduration, 100);
}

TEST(Sound, TwoTonesSoundTogetherThenBothStop)
{
    Cues c;
    auto& snd15 = c.mainOf("snd15");
    auto& snd25 = c.mainOf("snd25");
    c.wait.during = [&] {
        EXPECT_TRUE(snd15.playing && snd25.playing);
        EXPECT_EQ(snd15.frequency, 19200);
        EXPECT_EQ(snd25.frequency, 28800);
    };
    c.sound({300, 450}, 5, 100);
    EXPECT_FALSE(snd15.playing);
    EXPECT_FALSE(snd25.playing);
}

TEST(Sound, ARestPlaysAt128Hz)
{
    Cues c;
    c.sound({0}, 1, 100);
    EXPECT_EQ(c.mainOf("snd11").frequency, 128);
    EXPECT_EQ(c.mainOf("snd11").plays, 1);
}

TEST(Sound, ASoundNumberOverNineTakesTheLastOne)
{
    Cues c;
    c.sound({440}, 12, 100);
    EXPECT_EQ(c.mainOf("snd11").plays, 1) << "the start value is 1, not snd112";
    c.sound({440}, 3, 50);
    c.sound({440}, 9.5, 60);
    EXPECT_EQ(c.mainOf("snd13").plays, 2);
    EXPECT_EQ(c.console.soundstate().lastsound, 3);
}

TEST(Sound, ANegativeOrMissingDurationTakesTheLastOne)
{
    Cues c;
    c.sound({440}, 1, -5);
    c.sound({440}, 1, 70);
    c.sound({440}, 1, -0.5);
    c.sound({440}, 1, std::numeric_limits<double>::quiet_NaN());
    c.sound({440}, 1, 0.5);
    EXPECT_EQ(c.wait.waits, (std::vector{1ms, 70ms, 70ms, 70ms, 0ms}));
    EXPECT_EQ(c.console.soundstate().lastduration, 0);
}

TEST(Sound, ResetruntimeStartsFromOneAndOneAgain)
{
    Cues c;
    c.sound({440}, 3, 250);
    c.console.resetruntime();
    c.sound({440}, 10, -1);
    EXPECT_EQ(c.wait.waits.back(), 1ms);
    EXPECT_EQ(c.mainOf("snd11").plays, 1);
}

TEST(Sound, WithTheSoundsOffNothingPlaysNothingWaitsNothingIsRemembered)
{
    Cues c;
    c.cues.settings().tovanasounds = false;
    const size_t mark = c.world.log.size();
    c.sound({440}, 3, 1000);
    c.cues.beep();
    c.cues.click(2);
    EXPECT_TRUE(c.wait.waits.empty());
    EXPECT_EQ(c.world.logSince(mark), "");
    EXPECT_EQ(c.console.soundstate().lastsound, 1);
    EXPECT_EQ(c.console.soundstate().lastduration, 1);
}

TEST(Sound, WithoutADeviceItRemembersAndWaitsSilently)
{
    Cues c(false);
    c.sound({440, 660}, 3, 120);
    c.cues.beep();
    c.cues.click(16);
    EXPECT_EQ(c.wait.waits, std::vector{120ms});
    EXPECT_EQ(c.console.soundstate().lastsound, 3);
    EXPECT_TRUE(c.world.buffers.empty());
}

TEST(Sound, AMissingItemStopsTheTonesAlreadyStartedAndDoesNotWait)
{
    Cues c;
    EXPECT_EQ(errorOf([&] {
                  c.sound({100, 200, 300, 400, 500}, 3, 100);
              }),
              "Wave 'snd53' not found");
    EXPECT_EQ(c.mainOf("snd13").plays, 1);
    EXPECT_EQ(c.world.playingCount(), 0);
    EXPECT_TRUE(c.wait.waits.empty());
    EXPECT_EQ(errorOf([&] { c.sound({440}, -1, 100); }), "Wave 'snd1-1' not found");
    EXPECT_EQ(c.console.soundstate().lastsound, 255) << "kept to 8 bits";
}

TEST(Sound, ARejectedFrequencyKeepsTheLastOne)
{
    Cues c;
    c.sound({440}, 1, 10);
    c.sound({1}, 1, 10); // 64 Hz is below what a buffer takes
    EXPECT_EQ(c.mainOf("snd11").frequency, 28160);
    c.sound({1e12}, 1, 10);
    EXPECT_EQ(c.mainOf("snd11").frequency, 28160);
    EXPECT_EQ(c.mainOf("snd11").plays, 3);
}

TEST(Sound, TheFallingToneIsFortyOneShortTones)
{
    Cues c;
    std::vector<int32_t> heard;
    auto& snd11 = c.mainOf("snd11");
    c.wait.during = [&] { heard.push_back(snd11.frequency); };
    for (int pitch = 1000; pitch >= 200; pitch -= 20) {
        c.sound({double(pitch)}, 1, 10);
    }
    ASSERT_EQ(heard.size(), 41u);
    EXPECT_EQ(heard.front(), 64000);
    EXPECT_EQ(heard.back(), 12800);
    EXPECT_EQ(snd11.plays, 41);
}

TEST(Sound, ATimedToneIsHandedItsDurationAndOnlyAZeroDurationLoopsUntilTheStop)
{
    // The device times the tone to the sample; a tone that carries on from the one before
    // is not stopped and rewound first, or the join would click. Only a zero duration,
    // which waits for a key, plays the plain loop.
    struct Row {
        const char* description;
        double duration;
        const char* played; //: the tone's buffer calls from the play on, before the wait
    };
    const std::vector<Row> rows = {
        {"the capital cue", 20, "playfor(20ms)"},
        {"a death-tune chord's record", 437.9, "playfor(437ms)"},
        {"a zero duration", 0, "stop position(0) play(loop)"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.description);
        Cues c;
        const int id = c.identify("snd11");
        std::string during;
        const size_t mark = c.world.log.size();
        c.wait.during = [&] {
            const std::string prefix = "b" + std::to_string(id) + ".";
            for (size_t i = mark; i < c.world.log.size(); ++i) {
                const std::string& entry = c.world.log[i];
                if (entry.rfind(prefix, 0) == 0 && entry.find("frequency") == std::string::npos &&
                    entry.find("volume") == std::string::npos) {
                    during += (during.empty() ? "" : " ") + entry.substr(prefix.size());
                }
            }
            c.wait.endwait();
        };
        c.sound({440}, 1, row.duration);
        EXPECT_EQ(during, row.played);
    }
}

TEST(KeyCues, TheVolumePreviewIsTheDialogsToneTimedWithoutAWait)
{
    Cues c;
    c.cues.settings().sndvolume = -700;
    c.console.soundstate().lastsound = 5;
    const size_t mark = c.world.log.size();
    c.cues.volumePreview();
    auto& snd11 = c.mainOf("snd11");
    // The tone the desktop's dialog plays as a sound statement: 1000 Hz of sound 1 for
    // 100 ms, at the volume being tried; ended by the device, since nobody waits for it.
    EXPECT_EQ(snd11.frequency, 64000);
    EXPECT_EQ(snd11.volume, -700);
    const std::string prefix = "b" + std::to_string(c.identify("snd11")) + ".";
    std::string played;
    for (size_t i = mark; i < c.world.log.size(); ++i) {
        const std::string& entry = c.world.log[i];
        if (entry.rfind(prefix + "playfor", 0) == 0) {
            played += entry.substr(prefix.size());
        }
    }
    EXPECT_EQ(played, "playfor(100ms)");
    EXPECT_TRUE(c.wait.waits.empty());
    EXPECT_EQ(c.console.soundstate().lastsound, 5) << "the program's last sound is its own";

    Cues off;
    off.cues.settings().tovanasounds = false;
    off.cues.volumePreview();
    EXPECT_EQ(off.world.playingCount(), 0);
    EXPECT_EQ(off.mainOf("snd11").plays, 0);
}

TEST(KeyCues, BeepAndClickPlayOnceAtTheVolumeAndWaitForTheEnd)
{
    Cues c;
    c.cues.settings().sndvolume = -2500;
    c.cues.beep();
    c.cues.click(2.7);
    c.cues.click(16);
    int beeps = 0;
    int clicks = 0;
    for (const auto& b : c.world.buffers) {
        if (b->duplicateOf == c.identify("beep")) {
            beeps += b->plays;
            EXPECT_EQ(b->volume, -2500);
        }
        if (b->duplicateOf == c.identify("click2") || b->duplicateOf == c.identify("click16")) {
            clicks += b->plays;
        }
        EXPECT_FALSE(b->playing) << "each waited until its play had ended";
    }
    EXPECT_EQ(beeps, 1);
    EXPECT_EQ(clicks, 2);
    EXPECT_EQ(errorOf([&] { c.cues.click(3); }), "Wave 'click3' not found");
}

TEST(LoadSounds, AMissingBankEndsTheProcessWithMessage42)
{
    testing::TempDir dir;
    testing::RecordingProcess process;
    sound::TWaveList list;
    EXPECT_THROW(loadsounds(list.Waves(), process, dir.path()), testing::ProcessEnded);
    ASSERT_EQ(process.messages.size(), 1u);
    EXPECT_EQ(process.messages[0], message(Message::MissingFile) + " sounds.dat");
    const auto bytes = bankOf(tools::tovanaBank());
    dir.write("sounds.dat",
              std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    loadsounds(list.Waves(), process, dir.path());
    EXPECT_EQ(list.Waves().count(), 43u);
    EXPECT_EQ(process.ends, 1);
}

TEST(SleepingWait, SleepsTheDurationAndZeroNotAtAll)
{
    SoundWait& wait = sleepingWait();
    auto start = std::chrono::steady_clock::now();
    wait.waitout(30ms);
    EXPECT_GE(std::chrono::steady_clock::now() - start, 30ms);
    start = std::chrono::steady_clock::now();
    wait.waitout(0ms);
    EXPECT_LT(std::chrono::steady_clock::now() - start, 10ms);
    EXPECT_FALSE(wait.iswaiting());
    EXPECT_FALSE(wait.endwait());
}

} // namespace
} // namespace tov::runtime
