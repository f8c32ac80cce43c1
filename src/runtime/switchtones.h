// The pair of tones that tells the ear a setting was switched: rising (400 Hz, then
// 600 Hz) for on, falling for off, 50 ms each, on sound number 3. The braille keyboard
// item plays it; switching the speech engine plays the same pair, and the two must sound
// alike.
#pragma once

#include "runtime/host.h"

#include <array>

namespace tov::runtime {

enum class Switched { Off, On };

inline void playSwitchTones(SoundStatement& sounds, Switched to)
{
    constexpr double kLowTone = 400;
    constexpr double kHighTone = 600;
    constexpr double kSoundNumber = 3;
    constexpr double kDuration = 50;
    const std::array<double, 1> first{to == Switched::On ? kLowTone : kHighTone};
    const std::array<double, 1> second{to == Switched::On ? kHighTone : kLowTone};
    sounds.sound(first, kSoundNumber, kDuration);
    sounds.sound(second, kSoundNumber, kDuration);
}

} // namespace tov::runtime
