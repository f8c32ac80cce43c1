// The PulseAudio stream, its silence and its writes at the read point.
#include "speech/pulsestream.h"

#include "sound/audiodevice.h"
#include "sound/realtime.h"

#include <pulse/pulseaudio.h>

#include <algorithm>

namespace tov::speech {
namespace {

constexpr size_t kFrameBytes = 2 * sizeof(int16_t);

// Locks the stream's loop for a scope; its callbacks run with it held.
class LoopLock {
public:
    explicit LoopLock(pa_threaded_mainloop* loop) : loop_(loop)
    {
        pa_threaded_mainloop_lock(loop_);
    }
    ~LoopLock() { pa_threaded_mainloop_unlock(loop_); }
    LoopLock(const LoopLock&) = delete;
    LoopLock& operator=(const LoopLock&) = delete;

private:
    pa_threaded_mainloop* loop_;
};

// Waits for a server operation to finish, the loop locked; false when it did not within
// `limit` (it is cancelled then) or failed to start.
template <typename Wait>
bool finish(pa_operation* operation, Wait&& wait)
{
    if (operation == nullptr) {
        return false;
    }
    const bool done =
        wait([operation] { return pa_operation_get_state(operation) != PA_OPERATION_RUNNING; });
    if (!done) {
        pa_operation_cancel(operation);
    }
    pa_operation_unref(operation);
    return done;
}

void signalLoop(pa_threaded_mainloop* loop)
{
    pa_threaded_mainloop_signal(loop, 0);
}

// An operation's end wakes whoever waits on the loop.
void signalDone(pa_stream*, int, void* loop)
{
    signalLoop(static_cast<pa_threaded_mainloop*>(loop));
}

} // namespace

PulseStream::PulseStream(std::shared_ptr<sound::AudioDevice> device, int sampleRate)
    : device_(std::move(device)), rate_(sampleRate)
{
}

std::unique_ptr<PulseStream> PulseStream::open(std::shared_ptr<sound::AudioDevice> device,
                                               int sampleRate, std::chrono::milliseconds limit)
{
    if (sampleRate <= 0) {
        return nullptr;
    }
    std::unique_ptr<PulseStream> stream(new PulseStream(std::move(device), sampleRate));
    if (!stream->connect(limit)) {
        return nullptr;
    }
    // The stream's own client thread, as OpenAL's: a late refill runs the server dry.
    sound::raiseThreadsNamed(sound::kPulseClientThread);
    return stream;
}

template <typename Done>
bool PulseStream::waitFor(Done done, std::chrono::milliseconds limit) const
{
    // The loop's wait has no time limit: a timer on the loop wakes it at the deadline.
    struct Alarm {
        pa_threaded_mainloop* loop;
        bool rang = false;
    } alarm{loop_};
    pa_mainloop_api* const api = pa_threaded_mainloop_get_api(loop_);
    timeval at{};
    pa_timeval_add(pa_gettimeofday(&at),
                   static_cast<pa_usec_t>(std::chrono::microseconds(limit).count()));
    pa_time_event* const timer = api->time_new(
        api, &at,
        [](pa_mainloop_api*, pa_time_event*, const timeval*, void* data) {
            auto* a = static_cast<Alarm*>(data);
            a->rang = true;
            signalLoop(a->loop);
        },
        &alarm);
    while (!done() && !alarm.rang) {
        pa_threaded_mainloop_wait(loop_);
    }
    api->time_free(timer);
    return done();
}

bool PulseStream::connect(std::chrono::milliseconds limit)
{
    loop_ = pa_threaded_mainloop_new();
    if (loop_ == nullptr) {
        return false;
    }
    pa_proplist* const about = pa_proplist_new();
    pa_proplist_sets(about, PA_PROP_APPLICATION_NAME, "tovana");
    pa_proplist_sets(about, PA_PROP_APPLICATION_ID, "tovana");
    context_ = pa_context_new_with_proplist(pa_threaded_mainloop_get_api(loop_), "tovana", about);
    pa_proplist_free(about);
    if (context_ == nullptr || pa_threaded_mainloop_start(loop_) < 0) {
        return false;
    }
    const LoopLock lock(loop_);
    pa_context_set_state_callback(
        context_,
        [](pa_context*, void* loop) { signalLoop(static_cast<pa_threaded_mainloop*>(loop)); },
        loop_);
    if (pa_context_connect(context_, nullptr, PA_CONTEXT_NOAUTOSPAWN, nullptr) < 0) {
        return false;
    }
    const auto contextSettled = [this] {
        const pa_context_state_t state = pa_context_get_state(context_);
        return state == PA_CONTEXT_READY || !PA_CONTEXT_IS_GOOD(state);
    };
    if (!waitFor(contextSettled, limit) || pa_context_get_state(context_) != PA_CONTEXT_READY) {
        return false;
    }

    // 16-bit stereo at the synthesiser's rate.
    const pa_sample_spec format{PA_SAMPLE_S16LE, static_cast<uint32_t>(rate_), 2};
    pa_proplist* const role = pa_proplist_new();
    // What a screen reader's speech is: a server that lowers other sound for it does so.
    pa_proplist_sets(role, PA_PROP_MEDIA_ROLE, "a11y");
    stream_ = pa_stream_new_with_proplist(context_, "speech", &format, nullptr, role);
    pa_proplist_free(role);
    if (stream_ == nullptr) {
        return false;
    }
    pa_stream_set_state_callback(
        stream_,
        [](pa_stream* s, void* data) {
            auto* self = static_cast<PulseStream*>(data);
            self->ready_ = pa_stream_get_state(s) == PA_STREAM_READY;
            signalLoop(self->loop_);
        },
        this);
    pa_stream_set_write_callback(
        stream_,
        [](pa_stream*, size_t bytes, void* data) { static_cast<PulseStream*>(data)->fill(bytes); },
        this);
    pa_stream_set_underflow_callback(
        stream_, [](pa_stream*, void* data) { ++static_cast<PulseStream*>(data)->underruns_; },
        this);
    pa_buffer_attr attributes{};
    attributes.maxlength = static_cast<uint32_t>(-1);
    attributes.tlength = static_cast<uint32_t>(bytesOf(kBuffer));
    attributes.prebuf = 0; // plays at once, and an empty buffer does not stop the stream
    attributes.minreq = static_cast<uint32_t>(bytesOf(kRequest));
    attributes.fragsize = static_cast<uint32_t>(-1);
    if (pa_stream_connect_playback(stream_, nullptr, &attributes, PA_STREAM_EARLY_REQUESTS, nullptr,
                                   nullptr) < 0) {
        return false;
    }
    const auto streamSettled = [this] {
        const pa_stream_state_t state = pa_stream_get_state(stream_);
        return state == PA_STREAM_READY || !PA_STREAM_IS_GOOD(state);
    };
    return waitFor(streamSettled, limit) && ready_;
}

PulseStream::~PulseStream()
{
    if (loop_ == nullptr) {
        return;
    }
    {
        const LoopLock lock(loop_);
        if (stream_ != nullptr) {
            pa_stream_set_state_callback(stream_, nullptr, nullptr);
            pa_stream_set_write_callback(stream_, nullptr, nullptr);
            pa_stream_set_underflow_callback(stream_, nullptr, nullptr);
            pa_stream_disconnect(stream_);
            pa_stream_unref(stream_);
        }
        if (context_ != nullptr) {
            pa_context_set_state_callback(context_, nullptr, nullptr);
            pa_context_disconnect(context_);
            pa_context_unref(context_);
        }
    }
    pa_threaded_mainloop_stop(loop_);
    pa_threaded_mainloop_free(loop_);
}

PulseStream::Clock::duration PulseStream::durationOf(size_t frames) const
{
    return std::chrono::duration_cast<Clock::duration>(
        std::chrono::duration<double>(static_cast<double>(frames) / rate_));
}

size_t PulseStream::bytesOf(std::chrono::microseconds time) const
{
    return static_cast<size_t>(time.count()) * static_cast<size_t>(rate_) / 1000000 * kFrameBytes;
}

const int16_t* PulseStream::silence(size_t bytes)
{
    if (silence_.size() * sizeof(int16_t) < bytes) {
        silence_.assign(bytes / sizeof(int16_t), 0);
    }
    return silence_.data();
}

bool PulseStream::write(std::span<const int16_t> speech, size_t quiet, int64_t offset, int seek)
{
    const int16_t* samples = speech.data();
    if (speech.empty()) {
        samples = silence(quiet);
    } else if (quiet > 0) {
        outgoing_.assign(speech.begin(), speech.end());
        outgoing_.resize(outgoing_.size() + quiet / sizeof(int16_t), 0);
        samples = outgoing_.data();
    }
    const size_t bytes = speech.size_bytes() + quiet;
    return bytes == 0 || pa_stream_write(stream_, samples, bytes, nullptr, offset,
                                         static_cast<pa_seek_mode_t>(seek)) == 0;
}

std::optional<size_t> PulseStream::fit(std::span<const int16_t> stereo, size_t room, int64_t offset,
                                       int seek)
{
    const size_t written = std::min(stereo.size(), room / sizeof(int16_t));
    const size_t quiet = room - written * sizeof(int16_t);
    if (!write(stereo.first(written), quiet, offset, seek)) {
        return std::nullopt;
    }
    padding_ = quiet;
    return written;
}

void PulseStream::fill(size_t bytes)
{
    if (!ready_) {
        return;
    }
    bytes -= bytes % kFrameBytes;
    // Speech waits here only once the silence behind the last speech has been written over
    // (queue), so this speech follows the last directly.
    const size_t waiting = waiting_.size() - waitingFrom_;
    const size_t speech = std::min(bytes / sizeof(int16_t), waiting);
    const size_t quiet = bytes - speech * sizeof(int16_t);
    if (!write(std::span(waiting_).subspan(waitingFrom_, speech), quiet, 0, PA_SEEK_RELATIVE)) {
        return;
    }
    padding_ += quiet;
    waitingFrom_ += speech;
    if (waitingFrom_ == waiting_.size()) {
        waiting_.clear();
        waitingFrom_ = 0;
    }
}

void PulseStream::queue(std::span<const int16_t> mono, float leftGain, float rightGain)
{
    if (mono.empty()) {
        return;
    }
    const Clock::time_point now = clock_();
    const bool continuing = now < speechEnd_;
    if (!continuing && device_ != nullptr) {
        // An utterance starts: a sound server gone since the last one is told of now, once,
        // rather than leaving the voice silent unexplained.
        device_->watch();
    }
    toStereo(mono, leftGain, rightGain, stereo_);
    const LoopLock lock(loop_);
    if (!ready_) {
        return;
    }
    const std::span<const int16_t> stereo(stereo_);
    size_t written = 0; // samples
    if (!continuing) {
        // Over the silence, just past the read point, and silence behind it up to the
        // buffer: the server holds as much as before, and the next chunks go over that
        // silence without waiting for the server to ask.
        waiting_.clear();
        waitingFrom_ = 0;
        const auto went = fit(stereo, bytesOf(kBuffer) - bytesOf(kLead),
                              static_cast<int64_t>(bytesOf(kLead)), PA_SEEK_RELATIVE_ON_READ);
        if (!went) {
            return; // the server has gone; its loss is told by the device's watch
        }
        written = *went;
        speechEnd_ = now + kLead;
    } else if (waiting_.size() == waitingFrom_ && padding_ > 0) {
        // Straight on over the silence behind the last speech, as far as it goes, and the
        // rest of that silence again behind it: the server's write index never moves back,
        // so what it holds never drops below its buffer (a late request would find it dry).
        // Where the last speech is about to end, the server may already have read the
        // start of that silence; speech written there would make it take back all it has
        // mixed, every stream's. The chunk goes just past it, a few milliseconds later.
        const auto mayBeRead =
            std::chrono::duration_cast<std::chrono::microseconds>(kReadAhead - (speechEnd_ - now));
        const size_t skipped = mayBeRead.count() > 0 ? std::min(padding_, bytesOf(mayBeRead)) : 0;
        const size_t over = padding_ - skipped;
        const auto went = fit(stereo, over, -static_cast<int64_t>(over), PA_SEEK_RELATIVE);
        if (!went) {
            return;
        }
        written = *went;
        speechEnd_ += durationOf(skipped / kFrameBytes);
    }
    waiting_.insert(waiting_.end(), stereo.begin() + static_cast<ptrdiff_t>(written), stereo.end());
    speechEnd_ += durationOf(mono.size());
}

void PulseStream::stop()
{
    speechEnd_ = clock_();
    const LoopLock lock(loop_);
    waiting_.clear();
    waitingFrom_ = 0;
    if (!ready_) {
        return;
    }
    // Silence from the read point on, over all the server holds: its buffer, a request and
    // the lead, and as much again for a request on its way.
    fit({}, 2 * bytesOf(kBuffer + kRequest + kLead), 0, PA_SEEK_RELATIVE_ON_READ);
}

bool PulseStream::isPlaying() const
{
    return clock_() < speechEnd_;
}

size_t PulseStream::framesAhead() const
{
    const Clock::duration left = speechEnd_ - clock_();
    if (left <= Clock::duration::zero()) {
        return 0;
    }
    return static_cast<size_t>(std::chrono::duration<double>(left).count() * rate_);
}

long long PulseStream::framesHeld(std::chrono::milliseconds limit) const
{
    const LoopLock lock(loop_);
    if (!ready_ || !finish(pa_stream_update_timing_info(stream_, signalDone, loop_),
                           [this, limit](auto done) { return waitFor(done, limit); })) {
        return -1;
    }
    const pa_timing_info* const timing = pa_stream_get_timing_info(stream_);
    if (timing == nullptr || timing->write_index_corrupt != 0 || timing->read_index_corrupt != 0) {
        return -1;
    }
    return (timing->write_index - timing->read_index) / static_cast<long long>(kFrameBytes);
}

bool PulseStream::pause(bool paused, std::chrono::milliseconds limit)
{
    const LoopLock lock(loop_);
    return ready_ && finish(pa_stream_cork(stream_, paused ? 1 : 0, signalDone, loop_),
                            [this, limit](auto done) { return waitFor(done, limit); });
}

} // namespace tov::speech
