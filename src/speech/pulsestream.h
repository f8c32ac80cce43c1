// Speech written straight to a PulseAudio server, in a stream of its own beside OpenAL's.
//
// Through OpenAL a key's echo waits behind what OpenAL has already handed the server
// (three updates), and a smaller buffer runs dry on a busy machine. This stream keeps a
// long buffer at the server, silence when nothing is said, so that it never runs dry, and
// writes the first samples of an utterance over that silence just past the point the
// server is playing (PA_SEEK_RELATIVE_ON_READ): the echo is heard at the server's next
// update however long the buffer is. The server asks for its updates early
// (PA_STREAM_EARLY_REQUESTS), so that its own sink buffer stays as short as one request.
//
// The server never holds more than about one buffer of speech: the rest waits here and
// goes over as the server asks for more. So a stop needs no flush (which leaves the
// stream empty for a moment, an underrun at every key that cuts speech): silence written
// over everything the server holds silences it. The synthesiser hands its samples over in
// short chunks; each is written over the silence behind the last, so an utterance plays
// without a gap, and that silence is written again behind it: what the server holds never
// shrinks below its buffer, even where a chunk comes as the last speech ends.
//
// Not locked against its callers: its owner serialises every call, as for any
// SpeechOutput. The server's callbacks run on the stream's own thread and take the
// stream's loop lock, as every call here does.
#pragma once

#include "speech/speechoutput.h"

#include <atomic>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

struct pa_context;
struct pa_stream;
struct pa_threaded_mainloop;

namespace tov::sound {
class AudioDevice;
}

namespace tov::speech {

class PulseStream final : public SpeechOutput {
public:
    using Clock = std::chrono::steady_clock;

    // The silence kept at the server: what a stalled process may be late by before the
    // stream runs dry.
    static constexpr std::chrono::milliseconds kBuffer{80};
    // How often the server asks for samples, and so the length of its own sink buffer.
    static constexpr std::chrono::milliseconds kRequest{5};
    // How far past the server's read point an utterance's first samples are written: the
    // server is never asked to take back what it has already played.
    static constexpr std::chrono::milliseconds kLead{1};
    // How far ahead of this process's clock the server may have read the stream: its sink
    // mixes up to a request before it plays, and wakes a little late.
    static constexpr std::chrono::milliseconds kReadAhead{2 * kRequest};

    // A stream on the server named by the environment (PULSE_SERVER, or the user's own);
    // nullptr when no server answers within `limit` or it refuses the stream. Never starts
    // a server. `device`, when given, is looked at as each
    // utterance starts, so that a lost server is told of once (sound::AudioDevice::watch).
    static std::unique_ptr<PulseStream> open(std::shared_ptr<sound::AudioDevice> device,
                                             int sampleRate, std::chrono::milliseconds limit);
    ~PulseStream() override;
    PulseStream(const PulseStream&) = delete;
    PulseStream& operator=(const PulseStream&) = delete;

    void queue(std::span<const int16_t> mono, float leftGain, float rightGain) override;
    void stop() override;
    void recycle() override {}
    bool isPlaying() const override;
    size_t framesAhead() const override;
    int sampleRate() const override { return rate_; }

    // What the server holds of this stream beyond its read point, in frames (asked of
    // the server, bounded by `limit`); -1 when it cannot tell.
    long long framesHeld(std::chrono::milliseconds limit) const;

    // How often the server has found the stream empty when it came to play it.
    unsigned underruns() const { return underruns_.load(); }

    // Stops the server reading the stream, or lets it go on (for tests that look at what
    // it holds); true when the server did so within `limit`.
    bool pause(bool paused, std::chrono::milliseconds limit);
    // The clock that tells whether the speech written has been played, the steady clock
    // unless replaced (a test that holds the stream still holds the clock too).
    void setClock(std::function<Clock::time_point()> clock) { clock_ = std::move(clock); }

private:
    PulseStream(std::shared_ptr<sound::AudioDevice> device, int sampleRate);
    bool connect(std::chrono::milliseconds limit);
    // The server asks for `bytes` more: the speech waiting here, then silence.
    void fill(size_t bytes);
    // The stream's bytes in `time`, whole frames.
    size_t bytesOf(std::chrono::microseconds time) const;
    // At least `bytes` of silence.
    const int16_t* silence(size_t bytes);
    // Writes `speech` and `quiet` bytes of silence behind it at `offset` from `seek`, in
    // one write: the server takes both at once, and so never comes to play between them
    // (where a short chunk ends, it would find nothing). False when the server has gone.
    bool write(std::span<const int16_t> speech, size_t quiet, int64_t offset, int seek);
    // As much of `stereo` as `room` bytes hold, at `offset` from `seek`, and silence in
    // the rest of them, which is then the silence behind the last speech: the samples
    // written, or nothing when the server has gone.
    std::optional<size_t> fit(std::span<const int16_t> stereo, size_t room, int64_t offset,
                              int seek);
    // Waits, the loop locked, for `done` or until `limit` has passed.
    template <typename Done>
    bool waitFor(Done done, std::chrono::milliseconds limit) const;
    Clock::duration durationOf(size_t frames) const;

    std::shared_ptr<sound::AudioDevice> device_;
    const int rate_;
    std::function<Clock::time_point()> clock_ = [] { return Clock::now(); };
    pa_threaded_mainloop* loop_ = nullptr;
    pa_context* context_ = nullptr;
    pa_stream* stream_ = nullptr;
    std::atomic<unsigned> underruns_{0};
    bool ready_ = false; //: the stream plays; false once the server has gone (loop locked)
    // When the last speech written will have been played, as this process's clock tells.
    Clock::time_point speechEnd_{};
    // The silence written behind the last speech, in bytes (loop locked).
    size_t padding_ = 0;
    // Speech the server has not asked for yet, stereo (loop locked).
    std::vector<int16_t> waiting_;
    size_t waitingFrom_ = 0; //: the first sample of waiting_ not yet written
    std::vector<int16_t> stereo_;
    std::vector<int16_t> silence_;
    std::vector<int16_t> outgoing_; //: speech and the silence behind it, for one write
};

} // namespace tov::speech
