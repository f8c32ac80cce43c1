// The RIFF WAVE reader: chunk walking, odd sizes, repeated chunks, and every way an image
// can run past its end.
#include "common/tov_error.h"
#include "doubles/doubles.h"
#include "sound/wave.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace tov::sound {
namespace {

using ::tov::testing::errorOf;

// Builds RIFF images chunk by chunk.
struct Riff {
    std::string bytes = std::string("RIFF") + std::string(4, '\0') + "WAVE";

    Riff& chunk(const std::string& id, const std::string& body)
    {
        return header(id, static_cast<uint32_t>(body.size())).raw(body);
    }
    Riff& header(const std::string& id, uint32_t size)
    {
        bytes += id;
        for (int i = 0; i < 4; ++i) {
            bytes += static_cast<char>((size >> (8 * i)) & 0xFF);
        }
        return *this;
    }
    Riff& raw(const std::string& b)
    {
        bytes += b;
        return *this;
    }
    std::vector<uint8_t> image() const { return {bytes.begin(), bytes.end()}; }
};

// A 16-byte PCM format block: mono, 22050 Hz, 16 bits.
const std::string kFormat("\x01\x00\x01\x00\x22\x56\x00\x00\x44\xAC\x00\x00\x02\x00\x10\x00", 16);

std::string bodyOf(const std::vector<uint8_t>& v)
{
    return {v.begin(), v.end()};
}

TEST(WaveStream, ReadsTheFormatAndTheSamples)
{
    const TWave wave =
        TWaveStream::read(Riff().chunk("fmt ", kFormat).chunk("data", "abcd").image());
    EXPECT_EQ(bodyOf(wave.format), kFormat);
    EXPECT_EQ(bodyOf(wave.data), "abcd");
    const auto f = parseWaveFormat(wave.format);
    ASSERT_TRUE(f);
    EXPECT_EQ(f->formatTag, kFormatPcm);
    EXPECT_EQ(f->channels, 1);
    EXPECT_EQ(f->samplesPerSec, 22050u);
    EXPECT_EQ(f->blockAlign, 2);
    EXPECT_EQ(f->bitsPerSample, 16);
}

TEST(WaveStream, ChunkLayouts)
{
    struct Row {
        const char* name;
        Riff riff;
        std::string data;
    };
    const Row rows[] = {
        {"a LIST chunk before fmt",
         Riff()
             .chunk("LIST", std::string("INFOISFT\x04\0\0\0tov!", 16))
             .chunk("fmt ", kFormat)
             .chunk("data", "xy"),
         "xy"},
        {"an odd-sized chunk is followed by no pad byte",
         Riff().chunk("fmt ", kFormat).chunk("junk", "abc").chunk("data", "1234"), "1234"},
        {"the later of two data chunks wins",
         Riff().chunk("fmt ", kFormat).chunk("data", "old").chunk("data", "new"), "new"},
        {"a header cut short ends the walk",
         Riff().chunk("fmt ", kFormat).chunk("data", "ok").raw(std::string(3, '\0')), "ok"},
        {"a zero identifier ends the walk",
         Riff().chunk("data", "kept").raw(std::string(8, '\0')).chunk("data", "lost"), "kept"},
        {"no data chunk gives no samples", Riff().chunk("fmt ", kFormat), ""},
        {"nothing after the header", Riff(), ""},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        const TWave wave = TWaveStream::read(r.riff.image());
        EXPECT_EQ(bodyOf(wave.data), r.data);
        EXPECT_EQ(wave.hasData(), !r.data.empty());
    }
}

TEST(WaveStream, InvalidImages)
{
    struct Row {
        const char* name;
        std::vector<uint8_t> image;
    };
    auto text = [](const std::string& s) { return std::vector<uint8_t>(s.begin(), s.end()); };
    const Row rows[] = {
        {"empty", {}},
        {"shorter than the RIFF header", text(std::string("RIFF\0\0\0\0WAV", 11))},
        {"not RIFF", text(std::string("RIFX\0\0\0\0WAVE", 12))},
        {"not WAVE", text(std::string("RIFF\0\0\0\0AVI ", 12))},
        {"a data size past the end",
         Riff().chunk("fmt ", kFormat).header("data", 100).raw("short").image()},
        {"a format size past the end", Riff().header("fmt ", 16).raw("\x01\x00").image()},
        {"an unknown chunk past the end", Riff().header("LIST", 0xFFFFFFF0).image()},
        {"a size cut short that is not zero", Riff().raw("data\x05").image()},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        EXPECT_EQ(errorOf([&] { TWaveStream::read(r.image); }), "Wave is invalid");
    }
}

TEST(WaveFormat, ShortAndExtensibleBlocks)
{
    EXPECT_FALSE(parseWaveFormat(std::vector<uint8_t>(15, 0)));
    std::vector<uint8_t> extensible(kFormat.begin(), kFormat.end());
    extensible[0] = 0xFE;
    extensible[1] = 0xFF;
    extensible.resize(40, 0);
    EXPECT_EQ(parseWaveFormat(extensible)->sampleFormat, 0) << "sub-format GUID of zeros";
    extensible[24] = kFormatIeeeFloat;
    EXPECT_EQ(parseWaveFormat(extensible)->sampleFormat, kFormatIeeeFloat);
    extensible.resize(30);
    EXPECT_EQ(parseWaveFormat(extensible)->sampleFormat, 0) << "too short for its GUID";
}

} // namespace
} // namespace tov::sound
