// A streamed OpenAL source for synthesised speech: chunks of 16-bit mono samples are
// queued as stereo buffers while the source plays what came before, and buffers that
// have been played are taken back for the next chunks. The two channels get their own
// gains, so a voice may be louder on one side.
//
// Not locked: its owner serialises every call (the engine's worker queues, the GUI thread
// stops). OpenAL itself may be called from any thread.
#pragma once

#include "sound/audiodevice.h"
#include "speech/speechoutput.h"

#include <chrono>
#include <cstdint>
#include <deque>
#include <memory>
#include <span>
#include <vector>

namespace tov::speech {

// A sample this loud or louder is heard (0.2 % of full scale, well under a whispering
// voice's onset, well over the synthesiser's rounding noise).
inline constexpr int16_t kAudibleSample = 64;
// Where an utterance that starts in `mono` becomes audible: the index of its first audible
// sample, less a millisecond's onset at `rate` Hz (so that a vowel rises as it was
// synthesised instead of starting on a step), or mono.size() when all of it is silent.
// The synthesiser opens every utterance with silence, and a name that begins with a stop
// ("k", "t", "č") with the stop's closure, 50 to 80 ms of it: a key's echo heard only
// after that sounds late, and the user does not hear silence as an answer.
size_t audibleFrom(std::span<const int16_t> mono, int rate);

// The start of an utterance as the synthesiser hands it over, in pieces of 20 ms: its
// silence dropped (audibleFrom), and its first audible samples held until there are
// `kLength` of them or the utterance ends. The first audible part of a piece may be a
// millisecond long; a stream given only that would have played it, and the silence after
// it, before the next piece came (a sound server reads a little ahead of what it plays),
// and the next would land where the server had read. Waiting for the next piece costs
// well under a millisecond of synthesis.
class UtteranceOpening {
public:
    static constexpr std::chrono::milliseconds kLength{20};

    explicit UtteranceOpening(int rate) : rate_(rate) {}
    // What of `mono`, the next piece, goes to the stream now: nothing while the opening
    // is silent or gathers, then the opening with this piece, then each piece itself.
    std::span<const int16_t> take(std::span<const int16_t> mono);
    // What is still held as the utterance ends.
    std::span<const int16_t> rest() const;

private:
    const int rate_;
    bool open_ = false; //: the opening has gone to the stream
    std::vector<int16_t> held_;
};

class AudioStream final : public SpeechOutput {
public:
    // Throws TovError when OpenAL has no source left.
    AudioStream(std::shared_ptr<sound::AudioDevice> device, int sampleRate);
    ~AudioStream() override;
    AudioStream(const AudioStream&) = delete;
    AudioStream& operator=(const AudioStream&) = delete;

    void queue(std::span<const int16_t> mono, float leftGain, float rightGain) override;
    void stop() override;
    // Takes back the buffers that have been played.
    void recycle() override;
    bool isPlaying() const override;
    size_t framesAhead() const override;
    int sampleRate() const override { return rate_; }

private:
    struct Queued {
        ALuint buffer;
        size_t frames;
    };

    std::shared_ptr<sound::AudioDevice> device_; //: kept open while the source lives
    const int rate_;
    std::vector<sound::AudioBuffer> buffers_; //: every buffer made; outlive the source
    std::deque<ALuint> free_;                 //: made and not queued
    std::deque<Queued> queued_;               //: on the source, oldest first
    sound::AudioSource source_;
    std::vector<int16_t> stereo_; //: the chunk being converted, kept to spare allocations
};

} // namespace tov::speech
