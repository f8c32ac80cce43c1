// Where the synthesiser's samples go: 16-bit mono chunks queued one after another, each
// with its own gain on the left and the right channel, and a stop that silences at once.
//
// Not locked: its owner serialises every call (the engine's worker queues, the GUI thread
// stops).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace tov::speech {

class SpeechOutput {
public:
    virtual ~SpeechOutput() = default;

    // Appends the samples behind what is queued and keeps them playing. Throws TovError
    // when the output cannot take them.
    virtual void queue(std::span<const int16_t> mono, float leftGain, float rightGain) = 0;
    // Silences the output at once and drops everything queued.
    virtual void stop() = 0;
    // Takes back what has been played.
    virtual void recycle() = 0;
    // Samples are still playing.
    virtual bool isPlaying() const = 0;
    // Samples queued and not yet played, in frames.
    virtual size_t framesAhead() const = 0;
    virtual int sampleRate() const = 0;
};

// Interleaved stereo from `mono`, each channel scaled by its gain (1 or more: as it was).
void toStereo(std::span<const int16_t> mono, float leftGain, float rightGain,
              std::vector<int16_t>& stereo);

} // namespace tov::speech
