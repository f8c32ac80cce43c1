// The RIFF WAVE reader and the format block's fields.
#include "sound/wave.h"

#include "sound/bytes.h"
#include "sound/sounderrors.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tov::sound {
namespace {

constexpr size_t kRiffHeaderSize = 12;
constexpr size_t kChunkHeaderSize = 8;
constexpr size_t kPlainFormatSize = 16;      // PCMWAVEFORMAT: the fields every format has
constexpr size_t kExtensibleFormatSize = 40; // WAVEFORMATEXTENSIBLE with its GUID
constexpr size_t kSubFormatOffset = 24;

constexpr uint32_t fourcc(const char (&id)[5])
{
    return static_cast<uint32_t>(static_cast<uint8_t>(id[0])) |
           (static_cast<uint32_t>(static_cast<uint8_t>(id[1])) << 8) |
           (static_cast<uint32_t>(static_cast<uint8_t>(id[2])) << 16) |
           (static_cast<uint32_t>(static_cast<uint8_t>(id[3])) << 24);
}

constexpr uint32_t kRiff = fourcc("RIFF");
constexpr uint32_t kWave = fourcc("WAVE");
constexpr uint32_t kFmt = fourcc("fmt ");
constexpr uint32_t kData = fourcc("data");

} // namespace

std::optional<WaveFormat> parseWaveFormat(std::span<const uint8_t> block)
{
    if (block.size() < kPlainFormatSize) {
        return std::nullopt;
    }
    WaveFormat f;
    f.formatTag = loadU16(block, 0);
    f.channels = loadU16(block, 2);
    f.samplesPerSec = loadU32(block, 4);
    f.avgBytesPerSec = loadU32(block, 8);
    f.blockAlign = loadU16(block, 12);
    f.bitsPerSample = loadU16(block, 14);
    f.sampleFormat = f.formatTag;
    if (f.formatTag == kFormatExtensible) {
        // Without its GUID an extensible block says nothing usable about its samples.
        f.sampleFormat =
            block.size() >= kExtensibleFormatSize ? loadU16(block, kSubFormatOffset) : 0;
    }
    return f;
}

std::optional<SampleLayout> sampleLayoutOf(const WaveFormat& f)
{
    if (f.channels != 1 && f.channels != 2) {
        return std::nullopt;
    }
    if (f.blockAlign == 0 || f.blockAlign != f.channels * f.bitsPerSample / 8) {
        return std::nullopt;
    }
    if (f.sampleFormat == kFormatPcm && f.bitsPerSample == 8) {
        return SampleLayout::Pcm8;
    }
    if (f.sampleFormat == kFormatPcm && f.bitsPerSample == 16) {
        return SampleLayout::Pcm16;
    }
    if (f.sampleFormat == kFormatIeeeFloat && f.bitsPerSample == 32) {
        return SampleLayout::Float32;
    }
    return std::nullopt;
}

TWave TWaveStream::read(std::span<const uint8_t> image)
{
    if (image.size() < kRiffHeaderSize || loadU32(image, 0) != kRiff ||
        loadU32(image, 8) != kWave) {
        throw waveIsInvalid();
    }
    std::optional<std::span<const uint8_t>> format;
    std::optional<std::span<const uint8_t>> data;
    size_t pos = kRiffHeaderSize;
    for (;;) {
        std::array<uint8_t, kChunkHeaderSize> header{};
        const size_t got = std::min(header.size(), image.size() - pos);
        std::memcpy(header.data(), image.data() + pos, got);
        pos += got;
        const uint32_t id = loadU32(header, 0);
        if (id == 0) {
            break;
        }
        const uint32_t size = loadU32(header, 4);
        if (size > image.size() - pos) {
            throw waveIsInvalid();
        }
        const auto body = image.subspan(pos, size);
        if (id == kFmt) {
            format = body;
        } else if (id == kData) {
            data = body;
        }
        pos += size;
    }
    TWave wave;
    if (format) {
        wave.format.assign(format->begin(), format->end());
    }
    if (data) {
        wave.data.assign(data->begin(), data->end());
    }
    return wave;
}

} // namespace tov::sound
