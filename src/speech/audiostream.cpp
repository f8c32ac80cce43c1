// Queuing, playing and recycling the stream's buffers.
#include "speech/audiostream.h"

#include "common/tov_error.h"

#include <algorithm>
#include <cmath>

namespace tov::speech {
namespace {

int16_t scaled(int16_t sample, float gain)
{
    if (gain >= 1.0f) {
        return sample;
    }
    return static_cast<int16_t>(std::lround(static_cast<float>(sample) * gain));
}

} // namespace

void toStereo(std::span<const int16_t> mono, float leftGain, float rightGain,
              std::vector<int16_t>& stereo)
{
    stereo.resize(mono.size() * 2);
    for (size_t i = 0; i < mono.size(); ++i) {
        stereo[2 * i] = scaled(mono[i], leftGain);
        stereo[2 * i + 1] = scaled(mono[i], rightGain);
    }
}

size_t audibleFrom(std::span<const int16_t> mono, int rate)
{
    const auto loud = std::find_if(mono.begin(), mono.end(), [](int16_t s) {
        return s >= kAudibleSample || s <= -kAudibleSample;
    });
    if (loud == mono.end()) {
        return mono.size();
    }
    const auto onset = static_cast<size_t>(std::max(rate, 0) / 1000);
    const auto first = static_cast<size_t>(loud - mono.begin());
    return first - std::min(first, onset);
}

std::span<const int16_t> UtteranceOpening::take(std::span<const int16_t> mono)
{
    if (open_) {
        return mono;
    }
    if (held_.empty()) {
        mono = mono.subspan(audibleFrom(mono, rate_));
    }
    held_.insert(held_.end(), mono.begin(), mono.end());
    const auto wanted =
        static_cast<size_t>(std::max(rate_, 0)) * static_cast<size_t>(kLength.count()) / 1000;
    if (held_.empty() || held_.size() < wanted) {
        return {};
    }
    open_ = true;
    return held_;
}

std::span<const int16_t> UtteranceOpening::rest() const
{
    return open_ ? std::span<const int16_t>{} : std::span<const int16_t>(held_);
}

AudioStream::AudioStream(std::shared_ptr<sound::AudioDevice> device, int sampleRate)
    : device_(std::move(device)), rate_(sampleRate), source_(device_->createSource())
{
    // Stereo buffers play straight to the two channels; the source's place does not matter.
    alSourcei(source_.id(), AL_SOURCE_RELATIVE, AL_TRUE);
    alSourcef(source_.id(), AL_GAIN, 1.0f);
}

AudioStream::~AudioStream()
{
    stop();
}

void AudioStream::recycle()
{
    ALint processed = 0;
    alGetSourcei(source_.id(), AL_BUFFERS_PROCESSED, &processed);
    while (processed-- > 0 && !queued_.empty()) {
        ALuint id = 0;
        alSourceUnqueueBuffers(source_.id(), 1, &id);
        queued_.pop_front();
        free_.push_back(id);
    }
}

void AudioStream::queue(std::span<const int16_t> mono, float leftGain, float rightGain)
{
    if (mono.empty()) {
        return;
    }
    // A source that ran dry has played every buffer; take them back first, or playing
    // it again would start over from the oldest.
    recycle();
    toStereo(mono, leftGain, rightGain, stereo_);
    if (free_.empty()) {
        buffers_.push_back(device_->createBuffer());
        free_.push_back(buffers_.back().id());
    }
    const ALuint id = free_.front();
    alGetError();
    alBufferData(id, AL_FORMAT_STEREO16, stereo_.data(),
                 static_cast<ALsizei>(stereo_.size() * sizeof(int16_t)), rate_);
    alSourceQueueBuffers(source_.id(), 1, &id);
    if (alGetError() != AL_NO_ERROR) {
        throw TovError("OpenAL cannot queue the speech samples");
    }
    free_.pop_front();
    queued_.push_back({id, mono.size()});
    if (!isPlaying()) {
        // An utterance starts (or a chunk came late): a sound server gone since the last
        // one is told of now, once, rather than leaving the voice silent unexplained.
        device_->watch();
        alSourcePlay(source_.id());
    }
}

void AudioStream::stop()
{
    alSourceStop(source_.id());
    // A stopped source lets go of its whole queue at once.
    alSourcei(source_.id(), AL_BUFFER, 0);
    for (const Queued& q : queued_) {
        free_.push_back(q.buffer);
    }
    queued_.clear();
}

bool AudioStream::isPlaying() const
{
    ALint state = AL_INITIAL;
    alGetSourcei(source_.id(), AL_SOURCE_STATE, &state);
    return state == AL_PLAYING;
}

size_t AudioStream::framesAhead() const
{
    // The offset counts from the start of the whole queue, played buffers included.
    ALint offset = 0;
    alGetSourcei(source_.id(), AL_SAMPLE_OFFSET, &offset);
    size_t queued = 0;
    for (const Queued& q : queued_) {
        queued += q.frames;
    }
    if (!isPlaying()) {
        return 0;
    }
    return queued - std::min(queued, static_cast<size_t>(std::max(offset, 0)));
}

} // namespace tov::speech
