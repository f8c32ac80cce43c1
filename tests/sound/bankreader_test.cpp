// The bank file's object stream: what our writer writes reads back the same, the shipped
// bank holds every item the cues ask for, variants of the layout load, and each way a
// file can be broken gives its own error.
#include "bank_helpers.h"
#include "soundbank.h"

#include "doubles/doubles.h"

#include "common/atomic_file.h"
#include "common/tov_error.h"
#include "sound/bankreader.h"

#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <numbers>
#include <string>

namespace tov::sound {
namespace {

using testing::bankOf;
using testing::waveItem;
using ::tov::testing::errorOf;

// Writes object streams by hand, for layouts our writer does not produce.
struct Stream {
    std::vector<uint8_t> bytes;

    Stream& raw(std::string_view s)
    {
        bytes.insert(bytes.end(), s.begin(), s.end());
        return *this;
    }
    Stream& byte(uint8_t b)
    {
        bytes.push_back(b);
        return *this;
    }
    Stream& u32(uint32_t v)
    {
        for (int i = 0; i < 4; ++i) {
            byte(static_cast<uint8_t>(v >> (8 * i)));
        }
        return *this;
    }
    Stream& name(std::string_view s) { return byte(static_cast<uint8_t>(s.size())).raw(s); }
    Stream& header() { return raw("TPF0").name("TWaveCollectionComponent").name(""); }
    Stream& binary(const std::vector<uint8_t>& b)
    {
        byte(10).u32(static_cast<uint32_t>(b.size()));
        bytes.insert(bytes.end(), b.begin(), b.end());
        return *this;
    }
    // The closing zeros: the item's properties, the collection, the root's properties and
    // its children.
    Stream& endItemAndBank() { return byte(0).byte(0).byte(0).byte(0); }
};

std::vector<uint8_t> waveImage(size_t frames = 4)
{
    return tools::writeWaveImage(waveItem("", false, 0, frames));
}

TEST(BankReader, ReadsWhatTheWriterWrites)
{
    auto tone = waveItem("snd11", true, 0, 64, -7);
    auto beep = waveItem("beep", false, 300, 10, 5);
    auto longName = waveItem(std::string(300, 'x'), false, 70000, 1);
    const auto items = TWaveCollectionComponent::readbank(bankOf({tone, beep, longName}));
    ASSERT_EQ(items.size(), 3u);
    EXPECT_EQ(items[0].Name, "snd11");
    EXPECT_TRUE(items[0].Looped);
    EXPECT_EQ(items[0].MaxPlayingCount, 0);
    EXPECT_EQ(items[0].Wave.data.size(), 128u);
    EXPECT_EQ(items[0].Wave.data[0], 0xF9); // -7, little-endian
    EXPECT_EQ(items[0].Wave.data[1], 0xFF);
    EXPECT_EQ(items[1].Name, "beep");
    EXPECT_FALSE(items[1].Looped);
    EXPECT_EQ(items[1].MaxPlayingCount, 300) << "a two-byte integer";
    EXPECT_EQ(items[2].Name.size(), 300u) << "a long string";
    EXPECT_EQ(items[2].MaxPlayingCount, 70000) << "a four-byte integer";
    const auto format = parseWaveFormat(items[1].Wave.format);
    ASSERT_TRUE(format);
    EXPECT_EQ(format->formatTag, kFormatPcm);
    EXPECT_EQ(format->samplesPerSec, 22050u);
    EXPECT_EQ(format->bitsPerSample, 16);
}

TEST(BankReader, LayoutVariantsLoad)
{
    const auto wave = waveImage();
    struct Row {
        const char* name;
        Stream stream;
        const char* itemName;
        bool looped;
        int32_t maxPlayingCount;
    };
    const Row rows[] = {
        {"a flags byte with a child position before the class name",
         Stream()
             .raw("TPF0")
             .byte(0xF2)
             .byte(2)
             .byte(3)
             .name("TWaveCollectionComponent")
             .name("")
             .name("List")
             .byte(14)
             .byte(1)
             .name("Name")
             .byte(6)
             .name("a")
             .endItemAndBank(),
         "a", false, 0},
        {"an item index and properties in another order",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(2)
             .byte(0)
             .byte(1)
             .name("Wave.WAVE")
             .binary(wave)
             .name("MaxPlayingCount")
             .byte(2)
             .byte(3)
             .name("Looped")
             .byte(9)
             .name("Name")
             .byte(6)
             .name("b")
             .endItemAndBank(),
         "b", true, 3},
        {"other properties of the root and the item are read past",
         Stream()
             .header()
             .name("Left")
             .byte(3)
             .byte(0x10)
             .byte(0x02)
             .name("Tag")
             .byte(1)
             .byte(6)
             .name("x")
             .byte(8)
             .byte(0)
             .name("List")
             .byte(14)
             .byte(1)
             .name("Comment")
             .byte(12)
             .u32(2)
             .raw("hi")
             .name("Name")
             .byte(6)
             .name("c")
             .endItemAndBank(),
         "c", false, 0},
        {"a negative playing limit is stored as no limit",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(1)
             .name("MaxPlayingCount")
             .byte(2)
             .byte(0xFB)
             .name("Name")
             .byte(6)
             .name("d")
             .endItemAndBank(),
         "d", false, 0},
        {"property names in any case",
         Stream()
             .header()
             .name("list")
             .byte(14)
             .byte(1)
             .name("NAME")
             .byte(6)
             .name("e")
             .name("looped")
             .byte(9)
             .endItemAndBank(),
         "e", true, 0},
        {"a later List replaces an earlier one",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(1)
             .name("Name")
             .byte(6)
             .name("old")
             .byte(0)
             .byte(0)
             .name("List")
             .byte(14)
             .byte(1)
             .name("Name")
             .byte(6)
             .name("f")
             .endItemAndBank(),
         "f", false, 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const auto items = TWaveCollectionComponent::readbank(r.stream.bytes);
        ASSERT_EQ(items.size(), 1u);
        EXPECT_EQ(items[0].Name, r.itemName);
        EXPECT_EQ(items[0].Looped, r.looped);
        EXPECT_EQ(items[0].MaxPlayingCount, r.maxPlayingCount);
    }
}

TEST(BankReader, AnItemWithoutPropertiesKeepsTheDefaults)
{
    const auto items = TWaveCollectionComponent::readbank(
        Stream().header().name("List").byte(14).byte(1).endItemAndBank().bytes);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0].Name, "");
    EXPECT_FALSE(items[0].Looped);
    EXPECT_EQ(items[0].MaxPlayingCount, 0);
    EXPECT_FALSE(items[0].Wave.hasData());
}

TEST(BankReader, BrokenFiles)
{
    const auto good = bankOf({waveItem("beep")});
    auto cut = [&](size_t keep) { return std::vector<uint8_t>(good.begin(), good.begin() + keep); };
    const auto wave = waveImage();
    auto notRiff = wave;
    notRiff[0] = 'X';
    struct Row {
        const char* name;
        std::vector<uint8_t> bytes;
        const char* error;
    };
    const Row rows[] = {
        {"an empty file", {}, "Invalid stream format"},
        {"too short for the signature", Stream().raw("TP").bytes, "Invalid stream format"},
        {"another signature", Stream().raw("TPF1").bytes, "Invalid stream format"},
        {"only the signature", Stream().raw("TPF0").bytes, "Stream read error"},
        {"cut inside the wave image", cut(good.size() - 20), "Stream read error"},
        {"cut before the last zero", cut(good.size() - 1), "Stream read error"},
        {"a binary length past the end",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(1)
             .name("Wave.WAVE")
             .byte(10)
             .u32(0x7FFFFFFF)
             .raw("RIFF")
             .bytes,
         "Stream read error"},
        {"a long string length past the end",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(1)
             .name("Name")
             .byte(12)
             .u32(0xFFFFFFFF)
             .raw("abc")
             .bytes,
         "Stream read error"},
        {"a short string past the end", Stream().raw("TPF0").byte(200).raw("TWave").bytes,
         "Stream read error"},
        {"a wave image that is not RIFF",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(1)
             .name("Wave.WAVE")
             .binary(notRiff)
             .endItemAndBank()
             .bytes,
         "Wave is invalid"},
        {"a name given as an integer",
         Stream()
             .header()
             .name("List")
             .byte(14)
             .byte(1)
             .name("Name")
             .byte(2)
             .byte(1)
             .endItemAndBank()
             .bytes,
         "Invalid property value"},
        {"a list that is no collection",
         Stream().header().name("List").byte(1).byte(0).byte(0).byte(0).bytes,
         "Invalid property value"},
        {"an item without its list tag",
         Stream().header().name("List").byte(14).byte(6).name("x").bytes, "Invalid property value"},
        {"an unknown tag", Stream().header().name("Left").byte(5).bytes, "Invalid property value"},
        {"lists nested past reason",
         Stream()
             .header()
             .name("Tag")
             .raw(std::string(100, '\x01'))
             .raw(std::string(101, '\0'))
             .byte(0)
             .byte(0)
             .bytes,
         "Invalid stream format"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(errorOf([&] { TWaveCollectionComponent::readbank(r.bytes); }), r.error);
    }
}

// ---------------------------------------------------------------------------------------
// The bank the build ships.

class ShippedBank : public ::testing::Test {
protected:
    void SetUp() override
    {
        const auto bytes = files::readFile(TOVANA_SOUNDS_DAT);
        ASSERT_TRUE(bytes) << TOVANA_SOUNDS_DAT;
        items = TWaveCollectionComponent::readbank(
            {reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()});
    }
    const StoredWave* find(const std::string& name) const
    {
        for (const auto& item : items) {
            if (item.Name == name) {
                return &item;
            }
        }
        return nullptr;
    }
    static std::vector<double> samples(const StoredWave& item)
    {
        std::vector<double> out;
        for (size_t i = 0; i + 1 < item.Wave.data.size(); i += 2) {
            out.push_back(static_cast<int16_t>(item.Wave.data[i] | (item.Wave.data[i + 1] << 8)) /
                          32768.0);
        }
        return out;
    }
    std::vector<StoredWave> items;
};

TEST_F(ShippedBank, IsWhatTheGeneratorWrites)
{
    const auto written = bankOf(tools::tovanaBank());
    const auto bytes = files::readFile(TOVANA_SOUNDS_DAT);
    ASSERT_TRUE(bytes);
    EXPECT_EQ(std::string(written.begin(), written.end()), *bytes);
}

TEST_F(ShippedBank, HoldsALoopedPeriodOfSixtyFourSamplesForEveryToneItem)
{
    for (int voice = 1; voice <= 4; ++voice) {
        for (int number = 0; number <= 9; ++number) {
            const std::string name = "snd" + std::to_string(voice) + std::to_string(number);
            SCOPED_TRACE(name);
            const StoredWave* item = find(name);
            ASSERT_NE(item, nullptr);
            EXPECT_TRUE(item->Looped);
            const auto format = parseWaveFormat(item->Wave.format);
            ASSERT_TRUE(format);
            EXPECT_EQ(format->channels, 1);
            EXPECT_EQ(format->bitsPerSample, 16);
            const auto s = samples(*item);
            ASSERT_EQ(s.size(), 64u);
            // No click at the loop point: the step from the last sample back to the first
            // is no bigger than the steepest step inside the period.
            double steepest = 0.0;
            double peak = 0.0;
            for (size_t i = 1; i < s.size(); ++i) {
                steepest = std::max(steepest, std::abs(s[i] - s[i - 1]));
                peak = std::max(peak, std::abs(s[i]));
            }
            EXPECT_LE(std::abs(s.front() - s.back()), steepest);
            EXPECT_LE(std::abs(s.front()), 0.001) << "a tone starts without a jump";
            EXPECT_LE(peak, 0.25) << "four voices together must not clip";
            EXPECT_GE(peak, 0.05) << "audible";
        }
    }
}

TEST_F(ShippedBank, TimbresOneThreeAndFiveAreClearlyDifferent)
{
    // The harmonic spectrum of each period, as a unit vector; two timbres are different
    // when those vectors are far apart.
    auto spectrum = [&](const char* name) {
        const auto s = samples(*find(name));
        std::vector<double> h;
        double norm = 0.0;
        for (int k = 1; k <= 16; ++k) {
            std::complex<double> sum;
            for (size_t i = 0; i < s.size(); ++i) {
                sum += s[i] * std::polar(1.0, -2 * std::numbers::pi * k * i / 64.0);
            }
            h.push_back(std::abs(sum));
            norm += std::norm(sum);
        }
        for (double& v : h) {
            v /= std::sqrt(norm);
        }
        return h;
    };
    auto distance = [](const std::vector<double>& a, const std::vector<double>& b) {
        double d = 0.0;
        for (size_t i = 0; i < a.size(); ++i) {
            d += (a[i] - b[i]) * (a[i] - b[i]);
        }
        return std::sqrt(d);
    };
    const auto one = spectrum("snd11");
    const auto three = spectrum("snd13");
    const auto five = spectrum("snd15");
    EXPECT_GT(distance(one, three), 0.3);
    EXPECT_GT(distance(one, five), 0.3);
    EXPECT_GT(distance(three, five), 0.3);
    EXPECT_EQ(spectrum("snd13"), spectrum("snd43")) << "every voice of a number sounds alike";
}

TEST_F(ShippedBank, HoldsTheKeyCues)
{
    struct Row {
        const char* name;
        double minMs;
        double maxMs;
    };
    for (const Row& r : {Row{"beep", 80, 120}, Row{"click2", 1, 10}, Row{"click16", 1, 10}}) {
        SCOPED_TRACE(r.name);
        const StoredWave* item = find(r.name);
        ASSERT_NE(item, nullptr);
        EXPECT_FALSE(item->Looped);
        const auto s = samples(*item);
        const double ms = s.size() * 1000.0 / 22050;
        EXPECT_GE(ms, r.minMs);
        EXPECT_LE(ms, r.maxMs);
        double peak = 0.0;
        for (const double v : s) {
            peak = std::max(peak, std::abs(v));
        }
        EXPECT_LE(peak, 0.5) << "soft beside speech, and never clipped";
        EXPECT_GE(peak, 0.1);
        EXPECT_LE(std::abs(s.back()), 0.01) << "ends without a click";
    }
    EXPECT_NE(samples(*find("click2")), samples(*find("click16")));
}

} // namespace
} // namespace tov::sound
