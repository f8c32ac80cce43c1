// The bank's object stream and RIFF images.
#include "bankwriter.h"

#include <limits>
#include <stdexcept>
#include <string_view>

namespace tov::tools {
namespace {

// Tags of the object stream's values.
constexpr uint8_t kEndOfList = 0;
constexpr uint8_t kList = 1;
constexpr uint8_t kInt8 = 2;
constexpr uint8_t kInt16 = 3;
constexpr uint8_t kInt32 = 4;
constexpr uint8_t kString = 6;
constexpr uint8_t kFalse = 8;
constexpr uint8_t kTrue = 9;
constexpr uint8_t kBinary = 10;
constexpr uint8_t kLongString = 12;
constexpr uint8_t kCollection = 14;

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kBitsPerSample = 16;

class ByteWriter {
public:
    void byte(uint8_t b) { out.push_back(b); }
    void bytes(std::string_view s) { out.insert(out.end(), s.begin(), s.end()); }
    void bytes(const std::vector<uint8_t>& b) { out.insert(out.end(), b.begin(), b.end()); }
    void u16(uint16_t v)
    {
        byte(static_cast<uint8_t>(v));
        byte(static_cast<uint8_t>(v >> 8));
    }
    void u32(uint32_t v)
    {
        u16(static_cast<uint16_t>(v));
        u16(static_cast<uint16_t>(v >> 16));
    }
    void shortString(std::string_view s)
    {
        if (s.size() > std::numeric_limits<uint8_t>::max()) {
            throw std::length_error("a short string holds at most 255 bytes");
        }
        byte(static_cast<uint8_t>(s.size()));
        bytes(s);
    }
    void integer(int32_t v)
    {
        if (v >= std::numeric_limits<int8_t>::min() && v <= std::numeric_limits<int8_t>::max()) {
            byte(kInt8);
            byte(static_cast<uint8_t>(v));
        } else if (v >= std::numeric_limits<int16_t>::min() &&
                   v <= std::numeric_limits<int16_t>::max()) {
            byte(kInt16);
            u16(static_cast<uint16_t>(v));
        } else {
            byte(kInt32);
            u32(static_cast<uint32_t>(v));
        }
    }
    void string(std::string_view s)
    {
        if (s.size() <= std::numeric_limits<uint8_t>::max()) {
            byte(kString);
            shortString(s);
        } else {
            byte(kLongString);
            u32(static_cast<uint32_t>(s.size()));
            bytes(s);
        }
    }
    void boolean(bool v) { byte(v ? kTrue : kFalse); }
    void binary(const std::vector<uint8_t>& b)
    {
        byte(kBinary);
        u32(static_cast<uint32_t>(b.size()));
        bytes(b);
    }

    std::vector<uint8_t> out;
};

} // namespace

std::vector<uint8_t> writeWaveImage(const BankItem& item)
{
    const uint16_t blockAlign = static_cast<uint16_t>(item.channels * kBitsPerSample / 8);
    const auto dataSize = static_cast<uint32_t>(item.samples.size() * sizeof(int16_t));
    constexpr uint32_t kFormatSize = 18;
    ByteWriter w;
    w.bytes("RIFF");
    w.u32(4 + (8 + kFormatSize) + (8 + dataSize));
    w.bytes("WAVE");
    w.bytes("fmt ");
    w.u32(kFormatSize);
    w.u16(kFormatPcm);
    w.u16(item.channels);
    w.u32(item.sampleRate);
    w.u32(item.sampleRate * blockAlign);
    w.u16(blockAlign);
    w.u16(kBitsPerSample);
    w.u16(0); // no extra format bytes
    w.bytes("data");
    w.u32(dataSize);
    for (const int16_t s : item.samples) {
        w.u16(static_cast<uint16_t>(s));
    }
    return w.out;
}

std::vector<uint8_t> writeBank(const std::vector<BankItem>& items)
{
    ByteWriter w;
    w.bytes("TPF0");
    w.shortString("TWaveCollectionComponent");
    w.shortString(""); // the root's object name
    w.shortString("List");
    w.byte(kCollection);
    for (const BankItem& item : items) {
        w.byte(kList);
        w.shortString("Name");
        w.string(item.name);
        w.shortString("Looped");
        w.boolean(item.looped);
        w.shortString("MaxPlayingCount");
        w.integer(item.maxPlayingCount);
        w.shortString("Wave.WAVE");
        w.binary(writeWaveImage(item));
        w.byte(kEndOfList); // end of the item's properties
    }
    w.byte(kEndOfList); // end of the collection
    w.byte(kEndOfList); // end of the root's properties
    w.byte(kEndOfList); // the root has no child objects
    return w.out;
}

} // namespace tov::tools
