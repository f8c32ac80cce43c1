// The sound bank file: an object stream whose root, a TWaveCollectionComponent, holds the
// bank as its property "List", a collection of named waves. This reads the file's bytes
// into the stored fields of each item; making them playable is the collection's work
// (wavecollection.h).
//
// 1. Signature "TPF0" (anything else, a file too short for it included, is "Invalid
//    stream format").
// 2. Root header: an optional flags byte (high four bits set; bit 1 means an integer
//    follows), the class name and the object name as short strings, both ignored.
// 3. The root's properties up to a zero-length name; "List" is the bank (a later "List"
//    replaces an earlier one), others are read past. Then one byte for the children.
// 4. Each item: an optional integer, the list tag, its properties "Name", "Looped",
//    "MaxPlayingCount" and "Wave.WAVE" (a RIFF WAVE image) in any order, a zero-length
//    name. Properties it does not carry keep their defaults; unknown ones are read past.
// A file that ends early is "Stream read error"; a bad wave image "Wave is invalid".
#pragma once

#include "sound/wave.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tov::sound {

// One item as the bank stores it.
struct StoredWave {
    std::string Name;            //: Windows-1250, found without regard to case
    bool Looped = false;         //: played in a loop on its one buffer until stopped
    int32_t MaxPlayingCount = 0; //: overlapping plays allowed when not looped; 0 = no limit
    TWave Wave;
};

class TWaveCollectionComponent {
public:
    // The items of a bank file, in file order. Throws TovError on a malformed file.
    static std::vector<StoredWave> readbank(std::span<const uint8_t> bytes);
};

} // namespace tov::sound
