// The library's platform device (platform.h) over OpenAL: one AL buffer of samples per
// wave, shared by its duplicates, and one AL source per buffer that has been played.
//
// - frequency: AL_PITCH = Hz / the wave's sample rate; 0 is the wave's own rate; 100 Hz
//   to 200000 Hz are accepted.
// - volume in hundredths of a decibel: gain 10^(v/2000); -10000 is silence, 0 is full.
// - pan: the source is placed on a half circle in front of the listener, at the far
//   left for -10000 and the far right for 10000; OpenAL's own panning sets the balance
//   in between (the cues all play in the centre).
// - status: playing while the source plays, looping when it also loops.
// - stop remembers where the source was and stops it; the next play starts a fresh
//   voice from there (the library always starts from 0). OpenAL never loses a buffer.
#pragma once

#include "sound/audiodevice.h"
#include "sound/platform.h"

#include <memory>

namespace tov::sound {

// The library's device over the process's audio device (AudioDevice::acquire), or over
// the one given (a loopback device, say).
std::unique_ptr<PlatformDevice> openOpenAlPlatform();
std::unique_ptr<PlatformDevice> openOpenAlPlatform(std::shared_ptr<AudioDevice> device);

} // namespace tov::sound
