// The shape of a tone item in our sound bank: one period of a timbre in 64 samples. The
// bank's generator writes items of this length, and the sound statement plays an item at
// 64 times a tone's frequency so that it sounds at that frequency; the two must agree, or
// every tone would sound at the wrong pitch. Header-only, so the generator needs no
// sound library.
#pragma once

namespace tov::sound {

inline constexpr int kTonePeriod = 64; //: samples in one period of a tone item

} // namespace tov::sound
