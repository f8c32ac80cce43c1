// The wave collection and its playback over the recording platform double: lookup by
// name, overlapping plays, loops, waits, lost buffers and the device's lifetime.
#include "bank_helpers.h"
#include "fake_platform.h"

#include "common/tov_error.h"
#include "sound/sounddevice.h"

#include <gtest/gtest.h>

#include <chrono>

namespace tov::sound {
namespace {

using testing::bankOf;
using testing::FakeWorld;
using testing::waveItem;

struct Bank {
    explicit Bank(const std::vector<tools::BankItem>& items, bool open = true)
    {
        list.setdevice(&device);
        if (open) {
            device.initsound();
        }
        list.Waves().loadbankimage(bankOf(items));
    }
    TWaveCollectionItem& find(std::string_view name) { return list.Waves().find(name); }

    FakeWorld world;
    TSoundDevice device{world.opener()};
    TWaveList list;
};

std::string errorOf(const std::function<void()>& f)
{
    try {
        f();
    } catch (const TovError& e) {
        return e.what();
    }
    return "no error";
}

TEST(WaveCollectionFind, IgnoresCaseAndFindsTheLaterOfTwoNames)
{
    auto first = waveItem("Beep", false, 1);
    auto second = waveItem("BEEP", false, 2);
    auto capital = waveItem("\x8A"
                            "um"); // "Šum" in Windows-1250
    Bank bank({first, second, capital});
    EXPECT_EQ(bank.find("beep").MaxPlayingCount, 2);
    EXPECT_EQ(bank.find("Beep").MaxPlayingCount, 2);
    EXPECT_EQ(bank.find("bEEp").Name, "BEEP");
    EXPECT_EQ(bank.find("\x9A"
                        "UM")
                  .Name,
              "\x8A"
              "um"); // "šUM"
    EXPECT_EQ(bank.list.Waves().count(), 3u);
    EXPECT_EQ(errorOf([&] { bank.find("snd99"); }), "Wave 'snd99' not found");
}

TEST(WaveCollectionPlay, LimitOfTwoRestartsTheOldestPlay)
{
    Bank bank({waveItem("beep", false, 2)});
    auto& beep = bank.find("beep");
    beep.play(Wait::No);
    beep.play(Wait::No);
    ASSERT_EQ(beep.extrabuffercount(), 2u);
    const int oldest = 2; // b1 is the main buffer; b2 and b3 its duplicates
    const size_t mark = bank.world.log.size();
    beep.play(Wait::No);
    EXPECT_EQ(beep.extrabuffercount(), 2u);
    EXPECT_EQ(bank.world.logSince(mark),
              "b2.stop b2.position(0) b2.frequency(0) b2.pan(0) b2.volume(0) b2.play(once)");
    EXPECT_EQ(bank.world.buffer(oldest).plays, 2);
    EXPECT_EQ(bank.world.buffer(3).plays, 1);
    // The restarted play is now the newest: the next one cuts off b3.
    beep.play(Wait::No);
    EXPECT_EQ(bank.world.buffer(3).plays, 2);
    EXPECT_EQ(bank.world.buffer(1).plays, 0) << "the main buffer itself never plays";
}

TEST(WaveCollectionPlay, NoLimitMakesOneDuplicatePerOverlapAndReusesThem)
{
    Bank bank({waveItem("click2", false, 0)});
    auto& click = bank.find("click2");
    for (int i = 0; i < 5; ++i) {
        click.play(Wait::No);
    }
    EXPECT_EQ(click.extrabuffercount(), 5u);
    EXPECT_EQ(bank.world.playingCount(), 5);
    for (int b = 2; b <= 6; ++b) {
        EXPECT_EQ(bank.world.buffer(b).duplicateOf, 1);
        EXPECT_EQ(bank.world.buffer(b).memory, bank.world.buffer(1).memory) << "shared samples";
    }
    bank.world.finishAll();
    for (int i = 0; i < 5; ++i) {
        click.play(Wait::No);
    }
    EXPECT_EQ(click.extrabuffercount(), 5u);
    EXPECT_EQ(bank.world.buffers.size(), 6u) << "no buffer made after the first five";
}

TEST(WaveCollectionPlay, AFinishedDuplicateIsTakenBeforeANewOne)
{
    Bank bank({waveItem("beep", false, 0)});
    auto& beep = bank.find("beep");
    beep.play(Wait::No);
    beep.play(Wait::No);
    bank.world.buffer(2).playing = false;
    beep.play(Wait::No);
    EXPECT_EQ(beep.extrabuffercount(), 2u);
    EXPECT_EQ(bank.world.buffer(2).plays, 2);
}

TEST(WaveCollectionPlay, PlayGivesTheDuplicateTheItemsSettings)
{
    Bank bank({waveItem("beep")});
    auto& beep = bank.find("beep");
    beep.setfrequency(11025);
    beep.setpan(-500);
    beep.setvolume(-1200);
    beep.play(Wait::No);
    const auto& dup = bank.world.buffer(2);
    EXPECT_EQ(dup.frequency, 11025);
    EXPECT_EQ(dup.pan, -500);
    EXPECT_EQ(dup.volume, -1200);
    EXPECT_TRUE(dup.playing);
    EXPECT_FALSE(dup.looping);
}

TEST(WaveCollectionLoop, LoopedItemPlaysItsMainBufferFromTheStart)
{
    Bank bank({waveItem("snd11", true)});
    auto& tone = bank.find("snd11");
    tone.setfrequency(28160);
    tone.setvolume(-300);
    const size_t mark = bank.world.log.size();
    tone.play(Wait::No);
    EXPECT_EQ(bank.world.logSince(mark), "b1.stop b1.position(0) b1.play(loop)");
    EXPECT_EQ(bank.world.buffer(1).frequency, 28160) << "set on the main buffer at once";
    EXPECT_EQ(bank.world.buffer(1).volume, -300);
    EXPECT_EQ(tone.extrabuffercount(), 0u);
}

TEST(WaveCollectionLoop, SetloopedWithTheSameValueDoesNotStop)
{
    Bank bank({waveItem("snd11", true)});
    auto& tone = bank.find("snd11");
    tone.play(Wait::No);
    const size_t mark = bank.world.log.size();
    tone.setlooped(true);
    EXPECT_EQ(bank.world.logSince(mark), "");
    EXPECT_TRUE(bank.world.buffer(1).playing);
    tone.setlooped(false);
    EXPECT_EQ(bank.world.logSince(mark), "b1.stop");
    EXPECT_FALSE(tone.looped());
}

TEST(WaveCollectionLoop, PlayWithWaitOnALoopedItemReturnsAtOnce)
{
    Bank bank({waveItem("snd11", true)});
    bank.find("snd11").play(Wait::Yes);
    EXPECT_EQ(bank.world.buffer(1).statusQueries, 0) << "no look at its status: nothing waits";
    EXPECT_TRUE(bank.world.buffer(1).playing);
}

TEST(WaveCollectionLoop, PlayForTimesALoopedItemAndPlaysAnyOtherOnce)
{
    Bank bank({waveItem("snd11", true), waveItem("beep")});
    const size_t mark = bank.world.log.size();
    bank.find("snd11").playfor(std::chrono::milliseconds(10));
    bank.find("snd11").playfor(std::chrono::milliseconds(10));
    EXPECT_EQ(bank.world.logSince(mark), "b1.playfor(10ms) b1.playfor(10ms)")
        << "the second carries on from the first: no stop between";
    const size_t beepMark = bank.world.log.size();
    bank.find("beep").playfor(std::chrono::milliseconds(10));
    EXPECT_NE(bank.world.logSince(beepMark).find("play(once)"), std::string::npos);
    EXPECT_EQ(bank.world.logSince(beepMark).find("playfor"), std::string::npos);
}

TEST(WaveCollectionLoop, StopHaltsTheMainBufferAndEveryDuplicate)
{
    Bank bank({waveItem("beep")});
    auto& beep = bank.find("beep");
    beep.play(Wait::No);
    beep.play(Wait::No);
    beep.stop();
    EXPECT_EQ(bank.world.playingCount(), 0);
}

TEST(WaveCollectionWait, PlayWithWaitReturnsWhenThePlayHasEnded)
{
    Bank bank({waveItem("beep", false, 0, 2205)}); // 100 ms at 22050 Hz
    bank.world.defaultStatusesUntilEnd = 3;
    bank.world.buffer(1).statusesUntilEnd = 3;
    const auto start = std::chrono::steady_clock::now();
    bank.find("beep").play(Wait::Yes);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_FALSE(bank.world.buffer(2).playing);
    EXPECT_GE(waited, std::chrono::milliseconds(20)) << "it sleeps between looks";
    // Three looks while it plays, the fourth sees it ended: no more.
    EXPECT_EQ(bank.world.buffer(2).statusQueries, 4) << "it looked until the play ended";
}

TEST(WaveCollectionWait, AVoiceThatNeverEndsIsWaitedForOnlyAboutAsLongAsTheWave)
{
    Bank bank({waveItem("beep", false, 0, 2205)});
    const auto start = std::chrono::steady_clock::now();
    bank.find("beep").play(Wait::Yes);
    const auto waited = std::chrono::steady_clock::now() - start;
    EXPECT_TRUE(bank.world.buffer(2).playing) << "the double never ends by itself";
    EXPECT_GE(waited, std::chrono::milliseconds(100));
    EXPECT_LT(waited, std::chrono::milliseconds(1000));
}

TEST(WaveCollectionRestore, ALostBufferRefillsEveryItemOnce)
{
    Bank bank({waveItem("beep"), waveItem("snd11", true), waveItem("empty", false, 0, 0)});
    auto& tone = bank.find("snd11");
    tone.setfrequency(25600);
    const auto& beepMain = bank.world.buffer(1);
    const auto& toneMain = bank.world.buffer(2);
    ASSERT_EQ(beepMain.fills, 1);
    ASSERT_EQ(toneMain.fills, 1);
    bank.world.buffer(2).frequency = 0; // as if the loss took the settings too
    // The play of the beep's duplicate reports the loss, and so does the first refill:
    // a restore must not start a second restore.
    bank.world.scripted["play"] = {kBufferLost};
    bank.world.scripted["lock"] = {kBufferLost};
    EXPECT_EQ(errorOf([&] { bank.find("beep").play(Wait::No); }), "Sound Buffer cannot be locked");
    bank.world.scripted.clear();
    bank.find("beep").play(Wait::No);
    bank.world.scripted["stop"] = {kBufferLost};
    tone.play(Wait::No);
    EXPECT_EQ(beepMain.fills, 2);
    EXPECT_EQ(toneMain.fills, 2);
    EXPECT_EQ(toneMain.frequency, 25600) << "the restore gives the settings back";
    EXPECT_TRUE(toneMain.playing);
    EXPECT_EQ(bank.find("empty").hasmainbuffer(), false);
}

TEST(WaveCollectionRestore, FillCopiesTheSamplesIntoBothLockedPieces)
{
    auto item = waveItem("beep", false, 0, 3);
    item.samples = {0x0201, 0x0403, 0x0605};
    Bank bank({item});
    const std::vector<uint8_t> expected{1, 2, 3, 4, 5, 6};
    EXPECT_EQ(*bank.world.buffer(1).memory, expected);
}

TEST(WaveCollectionRestore, ARejectedValueIsStoredOnTheItemAndLeavesTheBuffer)
{
    Bank bank({waveItem("snd11", true)});
    auto& tone = bank.find("snd11");
    tone.setfrequency(28160);
    tone.setfrequency(64); // under what a buffer takes
    EXPECT_EQ(tone.frequency(), 64);
    EXPECT_EQ(bank.world.buffer(1).frequency, 28160);
    EXPECT_EQ(bank.find("snd11").mainbuffer()->result(), kInvalidParam);
}

TEST(WaveCollectionData, AWaveWithoutSamplesHasNoBuffer)
{
    Bank bank({waveItem("quiet", false, 0, 0), waveItem("loop", true, 0, 0)});
    bank.find("quiet").play(Wait::Yes);
    EXPECT_TRUE(bank.world.buffers.empty());
    EXPECT_EQ(errorOf([&] { bank.find("loop").play(Wait::No); }), "OpenAL source not made");
}

TEST(WaveCollectionData, AnUnusableFormatCannotBeMade)
{
    auto item = waveItem("odd");
    item.channels = 0;
    EXPECT_EQ(errorOf([&] { Bank bank({item}); }), "Sound Buffer cannot be made");
}

TEST(SoundDevice, WithoutADeviceItemsAreSilentAndKeepTheirValues)
{
    Bank bank({waveItem("snd11", true), waveItem("beep")}, false);
    auto& tone = bank.find("snd11");
    tone.setfrequency(19200);
    tone.setvolume(-2000);
    tone.play(Wait::No);
    bank.find("beep").play(Wait::Yes);
    EXPECT_FALSE(tone.initialized());
    EXPECT_TRUE(bank.world.buffers.empty());
    // Opening the device later gives every item its buffer with the stored values.
    bank.device.initsound();
    EXPECT_TRUE(tone.initialized());
    EXPECT_EQ(bank.world.buffer(1).frequency, 19200);
    EXPECT_EQ(bank.world.buffer(1).volume, -2000);
}

TEST(SoundDevice, AFailedOpenIsReportedAndLeavesTheItemsSilent)
{
    FakeWorld world;
    world.openFailure = "OpenAL cannot be initialized";
    TSoundDevice device(world.opener());
    TWaveList list;
    list.setdevice(&device);
    list.Waves().loadbankimage(bankOf({waveItem("beep")}));
    EXPECT_EQ(errorOf([&] { device.initsound(); }), "OpenAL cannot be initialized");
    EXPECT_FALSE(device.initialized());
    EXPECT_EQ(errorOf([&] { device.directsound(); }), "OpenAL device not made");
    list.Waves().find("beep").play(Wait::Yes);
    EXPECT_TRUE(world.buffers.empty());
}

TEST(SoundDevice, InitsoundOpensOnce)
{
    Bank bank({waveItem("beep")});
    bank.device.initsound();
    EXPECT_EQ(bank.world.opens, 1);
    EXPECT_EQ(bank.world.aliveCount(), 1);
}

TEST(SoundDevice, DestroyingTheDeviceFirstDetachesAndFreesTheBank)
{
    FakeWorld world;
    TWaveList list;
    {
        TSoundDevice device(world.opener());
        list.setdevice(&device);
        device.initsound();
        list.Waves().loadbankimage(bankOf({waveItem("beep"), waveItem("snd11", true)}));
        list.Waves().find("beep").play(Wait::No);
        ASSERT_EQ(world.aliveCount(), 3);
    }
    EXPECT_EQ(world.aliveCount(), 0);
    EXPECT_EQ(list.device(), nullptr);
    EXPECT_FALSE(list.Waves().find("beep").initialized());
    list.Waves().find("snd11").play(Wait::No); // silent now, not a crash
}

TEST(SoundDevice, DestroyingTheListFirstDetachesIt)
{
    FakeWorld world;
    TSoundDevice device(world.opener());
    device.initsound();
    {
        TWaveList list;
        list.setdevice(&device);
        list.Waves().loadbankimage(bankOf({waveItem("beep")}));
        EXPECT_EQ(world.aliveCount(), 1);
    }
    EXPECT_EQ(world.aliveCount(), 0);
    device.restorebuffers(); // must not reach the destroyed list
}

TEST(LoadBank, ANewBankReplacesTheOldAndFreesItsBuffers)
{
    Bank bank({waveItem("beep"), waveItem("click2")});
    bank.list.Waves().loadbankimage(bankOf({waveItem("click16")}));
    EXPECT_EQ(bank.list.Waves().count(), 1u);
    EXPECT_EQ(bank.world.aliveCount(), 1);
    EXPECT_EQ(errorOf([&] { bank.find("beep"); }), "Wave 'beep' not found");
}

TEST(LoadBank, ABadFileLeavesTheBankEmpty)
{
    Bank bank({waveItem("beep")});
    auto bytes = bankOf({waveItem("click2"), waveItem("click16")});
    bytes.resize(bytes.size() - 40);
    EXPECT_EQ(errorOf([&] { bank.list.Waves().loadbankimage(bytes); }), "Stream read error");
    EXPECT_EQ(bank.list.Waves().count(), 0u);
    EXPECT_EQ(bank.world.aliveCount(), 0);
}

TEST(LoadBank, AMissingFileIsNamed)
{
    Bank bank({});
    EXPECT_EQ(errorOf([&] { bank.list.Waves().loadbank("/nonexistent/sounds.dat"); }),
              "Cannot open file \"/nonexistent/sounds.dat\"");
}

} // namespace
} // namespace tov::sound
