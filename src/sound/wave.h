// One wave of the sound bank (its format block and samples), the reader of the RIFF WAVE
// images that carry them, and the fields of the format block that a platform needs to
// make a buffer. Nothing here touches a device.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace tov::sound {

inline constexpr uint16_t kFormatPcm = 1;
inline constexpr uint16_t kFormatIeeeFloat = 3;
inline constexpr uint16_t kFormatExtensible = 0xFFFE;

// The fields of a RIFF "fmt " block (a WAVEFORMATEX record). For the extensible form,
// `sampleFormat` is the format of its sub-format GUID; otherwise it is `formatTag`.
struct WaveFormat {
    uint16_t formatTag = 0;
    uint16_t channels = 0;
    uint32_t samplesPerSec = 0;
    uint32_t avgBytesPerSec = 0;
    uint16_t blockAlign = 0;
    uint16_t bitsPerSample = 0;
    uint16_t sampleFormat = 0;
};

// The fields of a format block, or nothing when it is too short to hold them.
std::optional<WaveFormat> parseWaveFormat(std::span<const uint8_t> block);

// The sample layouts a platform is asked to play: 8- or 16-bit PCM or 32-bit float, mono
// or stereo, each frame one block. Every platform decides from this one rule.
enum class SampleLayout { Pcm8, Pcm16, Float32 };
// The layout of the format's samples, or nothing for any other format.
std::optional<SampleLayout> sampleLayoutOf(const WaveFormat& format);

class TWave {
public:
    std::vector<uint8_t> format; //: the "fmt " chunk's body kept whole (a WAVEFORMATEX)
    std::vector<uint8_t> data;   //: the "data" chunk's body: the samples
    bool hasData() const { return !data.empty(); }
};

// The RIFF WAVE reader.
//
// 1. 12 bytes: "RIFF", a size that is not trusted, "WAVE"; anything else (a shorter image
//    too) is "Wave is invalid".
// 2. Chunks: an 8-byte header (identifier, size) read into zeroed bytes, so a header cut
//    short by the end reads as identifier 0, which ends the walk like a real 0.
// 3. "fmt " gives the format block, "data" the samples; other chunks are skipped. A body is
//    skipped by exactly its size (an odd size has no pad byte after it), and when an
//    identifier comes twice the later chunk wins.
// 4. A chunk whose size runs past the end of the image is "Wave is invalid": nothing is
//    ever read from beyond the image.
class TWaveStream {
public:
    static TWave read(std::span<const uint8_t> image);
};

} // namespace tov::sound
