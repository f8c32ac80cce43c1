// Reading the tagged values of an object stream.
#include "sound/objectreader.h"

#include "sound/bytes.h"
#include "sound/sounderrors.h"

namespace tov::sound {
namespace {

// Lists inside lists are never part of a bank; a deep pile of them is an attack on the
// stack, not a file.
constexpr int kMaxNesting = 32;

char asciiLower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

} // namespace

bool samePropertyName(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) {
        return false;
    }
    for (size_t i = 0; i < a.size(); ++i) {
        if (asciiLower(a[i]) != asciiLower(b[i])) {
            return false;
        }
    }
    return true;
}

uint8_t ObjectReader::readByte()
{
    if (atEnd()) {
        throw streamReadError();
    }
    return bytes_[pos_++];
}

uint8_t ObjectReader::peekByte() const
{
    if (atEnd()) {
        throw streamReadError();
    }
    return bytes_[pos_];
}

std::span<const uint8_t> ObjectReader::readBytes(size_t count)
{
    if (count > bytes_.size() - pos_) {
        throw streamReadError();
    }
    const auto out = bytes_.subspan(pos_, count);
    pos_ += count;
    return out;
}

std::string ObjectReader::readShortString()
{
    const auto text = readBytes(readByte());
    return {text.begin(), text.end()};
}

void ObjectReader::readListEnd()
{
    checkValue(ValueTag::Null);
}

void ObjectReader::checkValue(ValueTag expected)
{
    if (readValue() != expected) {
        throw invalidPropertyValue();
    }
}

size_t ObjectReader::readLength()
{
    return loadU32(readBytes(4), 0);
}

int32_t ObjectReader::readIntegerPayload(ValueTag tag)
{
    switch (tag) {
    case ValueTag::Int8:
        return static_cast<int8_t>(readByte());
    case ValueTag::Int16:
        return static_cast<int16_t>(loadU16(readBytes(2), 0));
    case ValueTag::Int32:
        return static_cast<int32_t>(loadU32(readBytes(4), 0));
    default:
        throw invalidPropertyValue();
    }
}

int32_t ObjectReader::readInteger()
{
    return readIntegerPayload(readValue());
}

bool ObjectReader::readBoolean()
{
    switch (readValue()) {
    case ValueTag::False:
        return false;
    case ValueTag::True:
        return true;
    default:
        throw invalidPropertyValue();
    }
}

std::string ObjectReader::readString()
{
    switch (readValue()) {
    case ValueTag::String:
        return readShortString();
    case ValueTag::LString: {
        const auto text = readBytes(readLength());
        return {text.begin(), text.end()};
    }
    default:
        throw invalidPropertyValue();
    }
}

std::span<const uint8_t> ObjectReader::readBinary()
{
    checkValue(ValueTag::Binary);
    return readBytes(readLength());
}

void ObjectReader::skipValue()
{
    skipValue(0);
}

void ObjectReader::skipValue(int depth)
{
    if (depth > kMaxNesting) {
        throw invalidStreamFormat();
    }
    const ValueTag tag = readValue();
    switch (tag) {
    case ValueTag::List:
        while (!endOfList()) {
            skipValue(depth + 1);
        }
        readListEnd();
        break;
    case ValueTag::Int8:
    case ValueTag::Int16:
    case ValueTag::Int32:
        readIntegerPayload(tag);
        break;
    case ValueTag::String:
        readShortString();
        break;
    case ValueTag::False:
    case ValueTag::True:
        break;
    case ValueTag::Binary:
    case ValueTag::LString:
        readBytes(readLength());
        break;
    case ValueTag::Collection:
        while (!endOfList()) {
            if (isInteger(nextValue())) {
                readInteger();
            }
            checkValue(ValueTag::List);
            while (!endOfList()) {
                readShortString();
                skipValue(depth + 1);
            }
            readListEnd();
        }
        readListEnd();
        break;
    default:
        throw invalidPropertyValue();
    }
}

} // namespace tov::sound
