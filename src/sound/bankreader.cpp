// Reading the sound bank's object stream.
#include "sound/bankreader.h"

#include "sound/objectreader.h"
#include "sound/sounderrors.h"

#include <algorithm>

namespace tov::sound {
namespace {

constexpr char kSignature[4] = {'T', 'P', 'F', '0'};
constexpr uint8_t kFlagsMarker = 0xF0;
constexpr uint8_t kFlagChildPosition = 0x02; // an integer (the child's position) follows

void readSignature(ObjectReader& reader)
{
    for (const char expected : kSignature) {
        if (reader.atEnd() || reader.readByte() != static_cast<uint8_t>(expected)) {
            throw invalidStreamFormat();
        }
    }
}

void readRootHeader(ObjectReader& reader)
{
    const uint8_t first = reader.peekByte();
    if ((first & kFlagsMarker) == kFlagsMarker) {
        reader.readByte();
        if (first & kFlagChildPosition) {
            reader.readInteger();
        }
    }
    reader.readShortString(); // class name
    reader.readShortString(); // object name
}

void readItemProperty(ObjectReader& reader, StoredWave& item)
{
    const std::string name = reader.readShortString();
    if (samePropertyName(name, "Name")) {
        item.Name = reader.readString();
    } else if (samePropertyName(name, "Looped")) {
        item.Looped = reader.readBoolean();
    } else if (samePropertyName(name, "MaxPlayingCount")) {
        item.MaxPlayingCount = std::max(reader.readInteger(), 0);
    } else if (samePropertyName(name, "Wave.WAVE")) {
        item.Wave = TWaveStream::read(reader.readBinary());
    } else {
        reader.skipValue();
    }
}

std::vector<StoredWave> readCollection(ObjectReader& reader)
{
    reader.checkValue(ValueTag::Collection);
    std::vector<StoredWave> items;
    while (!reader.endOfList()) {
        if (ObjectReader::isInteger(reader.nextValue())) {
            reader.readInteger(); // the item's index, which file order makes redundant
        }
        reader.checkValue(ValueTag::List);
        StoredWave item;
        while (!reader.endOfList()) {
            readItemProperty(reader, item);
        }
        reader.readListEnd();
        items.push_back(std::move(item));
    }
    reader.readListEnd();
    return items;
}

} // namespace

std::vector<StoredWave> TWaveCollectionComponent::readbank(std::span<const uint8_t> bytes)
{
    ObjectReader reader(bytes);
    readSignature(reader);
    readRootHeader(reader);
    std::vector<StoredWave> bank;
    while (!reader.endOfList()) {
        const std::string name = reader.readShortString();
        if (samePropertyName(name, "List")) {
            bank = readCollection(reader);
        } else {
            reader.skipValue();
        }
    }
    reader.readListEnd();
    reader.readByte(); // end of the (absent) child objects
    return bank;
}

} // namespace tov::sound
