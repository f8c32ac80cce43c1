// What our sound bank holds, sample by sample. The tone items ("snd" + voice + sound
// number) each hold one period of a timbre in 64 samples, so that a loop played at 64
// times a frequency sounds at that frequency; the cues pick the voice and the number.
// Sound numbers 1, 3 and 5 are the ones the program plays and sound clearly apart: a
// soft flute (1: the falling tone, the capital letter), a round organ (3: the death tune,
// the switch pairs) and a bright reed (5: the review window's two-tone).
#pragma once

#include "bankwriter.h"
#include "sound/toneperiod.h"

#include <cstdint>
#include <vector>

namespace tov::tools {

inline constexpr uint32_t kBankRate = 22050;
using sound::kTonePeriod;
inline constexpr int kVoiceCount = 4;
inline constexpr int kSoundNumberCount = 10;

// One period of the timbre of a sound number (0 to 9).
std::vector<int16_t> tonePeriod(int soundnumber);

// Every item of "sounds.dat", in file order: the forty tone items, "beep", "click2",
// "click16".
std::vector<BankItem> tovanaBank();

} // namespace tov::tools
