// The tagged object stream that the sound bank is written in: the values and their
// tags, read from a byte array with every length checked against the end. It knows the
// shape of values, not what a bank means (bankreader.h).
//
// A value is one tag byte and its payload (integers little-endian):
//   0 end of a list, 1 list (values up to a 0), 2/3/4 signed integer of 1/2/4 bytes,
//   6 string (length byte + bytes), 8 false, 9 true, 10 binary (4-byte length + bytes),
//   12 long string (4-byte length + bytes), 14 collection (items up to a 0; an item is an
//   optional integer, a 1, name/value pairs, a 0).
// Running past the end is "Stream read error"; a tag where another was needed is
// "Invalid property value".
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tov::sound {

enum class ValueTag : uint8_t {
    Null = 0,
    List = 1,
    Int8 = 2,
    Int16 = 3,
    Int32 = 4,
    String = 6,
    False = 8,
    True = 9,
    Binary = 10,
    LString = 12,
    Collection = 14,
};

class ObjectReader {
public:
    explicit ObjectReader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

    size_t position() const { return pos_; }
    bool atEnd() const { return pos_ >= bytes_.size(); }

    uint8_t readByte();
    std::span<const uint8_t> readBytes(size_t count);
    uint8_t peekByte() const;

    // An untagged short string: a length byte, then that many bytes (property names and
    // the header's class and object names).
    std::string readShortString();

    ValueTag readValue() { return static_cast<ValueTag>(readByte()); }
    ValueTag nextValue() const { return static_cast<ValueTag>(peekByte()); }
    // The next byte is the 0 that ends a list, a collection or a property list.
    bool endOfList() const { return nextValue() == ValueTag::Null; }
    void readListEnd();
    void checkValue(ValueTag expected);

    // Tagged values of one kind; any other tag is "Invalid property value".
    int32_t readInteger();
    bool readBoolean();
    std::string readString();
    std::span<const uint8_t> readBinary();
    // Reads past one value of any known tag, lists and collections included.
    void skipValue();

    static bool isInteger(ValueTag tag)
    {
        return tag == ValueTag::Int8 || tag == ValueTag::Int16 || tag == ValueTag::Int32;
    }

private:
    int32_t readIntegerPayload(ValueTag tag);
    size_t readLength();
    void skipValue(int depth);

    std::span<const uint8_t> bytes_;
    size_t pos_ = 0; //: the next byte to read
};

// Property names are matched as the class's properties are looked up: ASCII letters
// without regard to case.
bool samePropertyName(std::string_view a, std::string_view b);

} // namespace tov::sound
