// Queuing timed tones as pieces on a source, joined or placed on their frames.
#include "sound/tonesequencer.h"

#include "common/tov_error.h"
#include "sound/platform.h"

#include <algorithm>
#include <cmath>

namespace tov::sound {
namespace {

// A tone that starts within this much after the end of the one before it joins on to it
// without a gap: the timer that ended the statement before may have been late. The lead
// gives such a tone the time to be queued before the mixer reaches that end.
constexpr std::chrono::milliseconds kJoinWithin = kTimedLead;
// A stop this close to a tone's own end lets the tone end by itself, on its frame.
constexpr std::chrono::milliseconds kCutOnlyBefore{2};

int64_t framesIn(std::chrono::microseconds t, int rate)
{
    return t.count() * rate / 1'000'000;
}

// Reads `frames` frames of the loop into `out` (16-bit, the loop's channels), at `step`
// loop frames per output frame from `phase` on, with linear interpolation, at `gain`;
// returns the phase where the next piece goes on. 300 Hz of a 64-sample period at a 44.1
// kHz output: step 19200 / 44100.
double readLoop(const ToneLoop& loop, double phase, double step, float gain, int64_t frames,
                std::vector<int16_t>& out)
{
    const size_t n = loop.frames();
    const auto channels = static_cast<size_t>(loop.channels);
    out.assign(static_cast<size_t>(frames) * channels, 0);
    if (n == 0) {
        return 0.0;
    }
    for (int64_t f = 0; f < frames; ++f) {
        const auto i = static_cast<size_t>(phase);
        const size_t j = (i + 1) % n;
        const auto frac = static_cast<float>(phase - static_cast<double>(i));
        for (size_t c = 0; c < channels; ++c) {
            const float a = loop.samples[i * channels + c];
            const float b = loop.samples[j * channels + c];
            const float v = std::clamp((a + (b - a) * frac) * gain, -1.0f, 1.0f);
            out[static_cast<size_t>(f) * channels + c] =
                static_cast<int16_t>(std::lround(v * 32767.0f));
        }
        phase += step;
        if (phase >= static_cast<double>(n)) {
            phase = std::fmod(phase, static_cast<double>(n));
        }
    }
    return phase;
}

bool isPlaying(ALuint source)
{
    ALint state = AL_STOPPED;
    alGetSourcei(source, AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

} // namespace

bool ToneSequencer::play(ALuint source, const ToneLoop& loop, double hz, float gain,
                         std::chrono::microseconds length)
{
    const int rate = device_->frequency();
    const int64_t frames = framesIn(length, rate);
    if (frames <= 0) {
        return true;
    }
    const int64_t wanted = device_->scheduleFrame() + framesIn(kTimedLead, rate);
    const bool playing = isPlaying(source);
    int64_t silence = 0;
    int64_t begin = wanted;
    if (playing) {
        recycle(source);
        if (wanted - queueEnd_ <= framesIn(kJoinWithin, rate)) {
            begin = queueEnd_; // 2: a sequence, this tone carries on the one before
        } else {
            silence = wanted - queueEnd_; // 3
            phase_ = 0.0;
        }
    } else {
        restart(source); // 4
        silence = wanted - device_->mixedFrames();
        phase_ = 0.0;
    }
    phase_ = readLoop(loop, phase_, hz / rate, gain, frames, tone_);
    if (silence > 0) {
        silence_.assign(static_cast<size_t>(silence) * static_cast<size_t>(loop.channels), 0);
        if (!enqueue(source, silence_, loop.channels)) {
            return false;
        }
    }
    if (!enqueue(source, tone_, loop.channels)) {
        return false;
    }
    if (!playing) {
        alSourcePlay(source);
    } else if (!isPlaying(source)) {
        restart(source); // 5
        if (!enqueue(source, tone_, loop.channels)) {
            return false;
        }
        alSourcePlay(source);
        begin = device_->mixedFrames();
    }
    // 6: the end by the wall clock judges a stop, so that a mixer that falls behind for a
    // while cannot make a stop look early.
    queueEnd_ = begin + frames;
    endsAt_ =
        device_->wallNow() + std::chrono::microseconds((queueEnd_ - wanted) * 1'000'000 / rate);
    return true;
}

std::chrono::microseconds ToneSequencer::left(ALuint source)
{
    if (!isPlaying(source)) {
        return std::chrono::microseconds{0}; // none played, or a key has cut it
    }
    return std::max(
        std::chrono::duration_cast<std::chrono::microseconds>(endsAt_ - device_->wallNow()),
        std::chrono::microseconds{0});
}

bool ToneSequencer::wouldCut(ALuint source)
{
    return isPlaying(source) && endsAt_ - device_->wallNow() > kCutOnlyBefore;
}

void ToneSequencer::released()
{
    for (const ALuint b : queued_) {
        free_.push_back(b);
    }
    queued_.clear();
}

void ToneSequencer::restart(ALuint source)
{
    alSourceStop(source);
    alSourcei(source, AL_BUFFER, 0);
    released();
}

void ToneSequencer::recycle(ALuint source)
{
    ALint processed = 0;
    alGetSourcei(source, AL_BUFFERS_PROCESSED, &processed);
    for (; processed > 0 && !queued_.empty(); --processed) {
        ALuint b = 0;
        alSourceUnqueueBuffers(source, 1, &b);
        queued_.pop_front();
        free_.push_back(b);
    }
}

bool ToneSequencer::enqueue(ALuint source, const std::vector<int16_t>& piece, int channels)
{
    if (free_.empty()) {
        try {
            pieces_.push_back(device_->createBuffer());
        } catch (const TovError&) {
            return false;
        }
        free_.push_back(pieces_.back().id());
    }
    const ALuint b = free_.front();
    const ALenum format = channels == 1 ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    alBufferData(b, format, piece.data(), static_cast<ALsizei>(piece.size() * sizeof(int16_t)),
                 device_->frequency());
    alSourceQueueBuffers(source, 1, &b);
    free_.pop_front();
    queued_.push_back(b);
    return true;
}

} // namespace tov::sound
