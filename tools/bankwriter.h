// Writing a sound bank: RIFF WAVE images of 16-bit samples, and the object stream that
// names them (the format that src/sound/bankreader.h reads). Our bank is made only
// through here, so the reader's tests can hold the writer to the same format.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace tov::tools {

// One wave to store: 16-bit PCM samples, interleaved when there is more than one channel.
struct BankItem {
    std::string name;            //: Windows-1250
    bool looped = false;         //: played in a loop until stopped
    int32_t maxPlayingCount = 0; //: overlapping plays when not looped; 0 = no limit
    uint32_t sampleRate = 22050;
    uint16_t channels = 1;
    std::vector<int16_t> samples;
};

// A RIFF WAVE image: "fmt " (an 18-byte WAVEFORMATEX) then "data".
std::vector<uint8_t> writeWaveImage(const BankItem& item);

// The whole bank file: "TPF0", the root object "TWaveCollectionComponent" and its
// property "List" holding the items in order.
std::vector<uint8_t> writeBank(const std::vector<BankItem>& items);

} // namespace tov::tools
