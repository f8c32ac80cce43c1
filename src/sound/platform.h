// The platform's sound device as the sound library sees it: a device that makes sample
// buffers, and buffers that play their samples once or in a loop at a frequency, pan and
// volume, can be duplicated (a second voice over the same samples), report whether they
// are playing, and may lose their memory. The library was built around these calls and
// their result codes; OpenAL stands behind them in the program (openalplatform.h) and a
// recording double in the tests. It holds no state of its own.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <span>

namespace tov::sound {

// The result of a platform call: kOk, or a failure code. The library stores every result
// and reacts to one code only, kBufferLost, by refilling its buffers.
using Result = uint32_t;
inline constexpr Result kOk = 0;
//: the buffer's sample memory was taken away by the platform and must be filled again
inline constexpr Result kBufferLost = 0x88780096;
//: a value outside what the buffer accepts; the buffer is left as it was
inline constexpr Result kInvalidParam = 0x80070057;
inline constexpr Result kOutOfMemory = 0x8007000E;
inline constexpr Result kFailed = 0x80004005;

// Bits of a buffer's status.
inline constexpr uint32_t kStatusPlaying = 0x1;
inline constexpr uint32_t kStatusLooping = 0x4;

// Playback frequency in Hz; kFrequencyOriginal plays the wave at its own sample rate.
inline constexpr int32_t kFrequencyOriginal = 0;
inline constexpr int32_t kMinFrequency = 100;
inline constexpr int32_t kMaxFrequency = 200000;
// Volume in hundredths of a decibel of attenuation: 0 is full, -10000 is silence.
inline constexpr int32_t kVolumeSilent = -10000;
inline constexpr int32_t kVolumeFull = 0;
// Pan in hundredths of a decibel taken from the other side: -10000 is only the left.
inline constexpr int32_t kPanLeft = -10000;
inline constexpr int32_t kPanCentre = 0;
inline constexpr int32_t kPanRight = 10000;

enum class PlayMode { Once, Looping };

// A timed play sounds this long after the moment of its call. The mixer may mix the
// update that holds a tone's end as soon as the clock reaches that end, before the next
// statement, a little late, has joined its tone on: the queue would run dry and the
// falling tone stumble. Placed this far ahead, a tone that comes up to this late joins.
inline constexpr std::chrono::milliseconds kTimedLead{5};

// One buffer: sample memory and a voice that plays it.
class PlatformBuffer {
public:
    virtual ~PlatformBuffer() = default;
    // The buffer's whole sample memory, in one or two regions, for filling; `unlock`
    // hands the filled memory back to the device.
    virtual Result lock(std::span<uint8_t>& first, std::span<uint8_t>& second) = 0;
    virtual Result unlock() = 0;
    virtual Result play(PlayMode mode) = 0;
    // Plays the samples in a loop for exactly `length` and falls silent by itself, on the
    // output frame that belongs to the moment of the call: sample-exact, whatever the
    // device's mixing period. A timed play that follows within a few milliseconds of the
    // end of the one before it carries on from it without a gap or a click (the falling
    // tone's 41 steps of 10 ms). `stop` well before the end cuts it; a stop at or near
    // its end lets it end on its own frame.
    virtual Result playFor(std::chrono::microseconds length) = 0;
    // How much longer the last timed play sounds, from now: its length, less what it was
    // joined on early to the one before; zero when none is playing. A statement that waits
    // this long instead of its whole length keeps pace with the tones: a timer that ticks
    // a little late at every step does not push the steps later and later, until the
    // queue runs dry between two of them.
    virtual std::chrono::microseconds timedLeft() = 0;
    // Halts the voice where it is; the next `play` goes on from there.
    virtual Result stop() = 0;
    // The play position in bytes from the start of the samples.
    virtual Result setCurrentPosition(uint32_t position) = 0;
    virtual Result setFrequency(int32_t hz) = 0;
    virtual Result setPan(int32_t pan) = 0;
    virtual Result setVolume(int32_t volume) = 0;
    virtual Result getStatus(uint32_t& status) = 0;
};

class PlatformDevice {
public:
    virtual ~PlatformDevice() = default;
    // A buffer of `size` bytes for samples in the format of a RIFF "fmt " block.
    virtual Result createSoundBuffer(std::span<const uint8_t> format, uint32_t size,
                                     std::unique_ptr<PlatformBuffer>& buffer) = 0;
    // A buffer that plays the samples of `original` without copying them, with its own
    // position and its own frequency, pan and volume (starting as the original's).
    virtual Result duplicateSoundBuffer(PlatformBuffer& original,
                                        std::unique_ptr<PlatformBuffer>& duplicate) = 0;
};

// Opens the platform's device. Throws TovError with the text of the step that failed.
using PlatformOpener = std::function<std::unique_ptr<PlatformDevice>()>;

} // namespace tov::sound
