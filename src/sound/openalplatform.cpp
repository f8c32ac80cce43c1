// The platform device and buffers over OpenAL.
#include "sound/openalplatform.h"

#include "common/tov_error.h"
#include "sound/sounddevice.h"
#include "sound/tonesequencer.h"
#include "sound/wave.h"

#include <AL/alext.h>

#include <cstring>

#include <algorithm>
#include <cmath>
#include <numbers>
#include <optional>
#include <vector>

namespace tov::sound {
namespace {

// One wave's samples in OpenAL, shared by a buffer and its duplicates.
struct SampleMemory {
    AudioBuffer buffer;
    ALenum format = 0;
    int rate = 0;            //: the wave's own sample rate in Hz
    uint32_t size = 0;       //: the size the library asked for, in bytes
    uint32_t frameBytes = 0; //: one sample of every channel
    int channels = 1;
    std::vector<float> loop; //: the samples as -1..1, interleaved, for timed tones
    uint32_t playableBytes() const { return size - size % frameBytes; }
    size_t loopFrames() const { return loop.size() / static_cast<size_t>(channels); }
};

// The samples as -1..1 floats, for timed tones to read at any rate.
std::vector<float> decoded(const std::vector<uint8_t>& bytes, ALenum format, uint32_t playable)
{
    std::vector<float> out;
    const uint8_t* const p = bytes.data();
    switch (format) {
    case AL_FORMAT_MONO8:
    case AL_FORMAT_STEREO8:
        for (uint32_t i = 0; i < playable; ++i) {
            out.push_back((static_cast<float>(p[i]) - 128.0f) / 128.0f);
        }
        break;
    case AL_FORMAT_MONO16:
    case AL_FORMAT_STEREO16:
        for (uint32_t i = 0; i + 1 < playable; i += 2) {
            out.push_back(static_cast<float>(static_cast<int16_t>(p[i] | (p[i + 1] << 8))) /
                          32768.0f);
        }
        break;
    default: // 32-bit float
        for (uint32_t i = 0; i + 3 < playable; i += 4) {
            float f = 0.0f;
            std::memcpy(&f, p + i, sizeof f);
            out.push_back(f);
        }
        break;
    }
    return out;
}

bool frequencyAccepted(int32_t hz)
{
    return hz == kFrequencyOriginal || (hz >= kMinFrequency && hz <= kMaxFrequency);
}

float gainOf(int32_t volume)
{
    if (volume <= kVolumeSilent) {
        return 0.0f;
    }
    return static_cast<float>(std::pow(10.0, volume / 2000.0));
}

// The OpenAL format of a wave's samples, or nothing when OpenAL cannot play them.
std::optional<ALenum> alFormatOf(const WaveFormat& f)
{
    const std::optional<SampleLayout> layout = sampleLayoutOf(f);
    if (!layout) {
        return std::nullopt;
    }
    const bool mono = f.channels == 1;
    switch (*layout) {
    case SampleLayout::Pcm8:
        return mono ? AL_FORMAT_MONO8 : AL_FORMAT_STEREO8;
    case SampleLayout::Pcm16:
        return mono ? AL_FORMAT_MONO16 : AL_FORMAT_STEREO16;
    case SampleLayout::Float32:
        if (alIsExtensionPresent("AL_EXT_FLOAT32") == AL_TRUE) {
            return mono ? AL_FORMAT_MONO_FLOAT32 : AL_FORMAT_STEREO_FLOAT32;
        }
        break;
    }
    return std::nullopt;
}

Result alResult()
{
    return alGetError() == AL_NO_ERROR ? kOk : kFailed;
}

class OpenAlBuffer final : public PlatformBuffer {
public:
    OpenAlBuffer(std::shared_ptr<AudioDevice> device, std::shared_ptr<SampleMemory> samples)
        : device_(std::move(device)), samples_(std::move(samples))
    {
    }

    // A duplicate: the same samples and settings, a voice of its own.
    OpenAlBuffer(const OpenAlBuffer& original)
        : device_(original.device_), samples_(original.samples_), frequency_(original.frequency_),
          pan_(original.pan_), volume_(original.volume_)
    {
    }

    Result lock(std::span<uint8_t>& first, std::span<uint8_t>& second) override
    {
        if (staging_) {
            return kFailed;
        }
        staging_.emplace(samples_->size, uint8_t{0});
        first = *staging_;
        second = {};
        return kOk;
    }

    Result unlock() override
    {
        if (!staging_) {
            return kFailed;
        }
        alGetError();
        if (samples_.use_count() > 1) {
            // Duplicates still play the old memory, and OpenAL refuses to refill a buffer
            // that a source holds: this buffer takes fresh memory of its own.
            auto fresh = std::make_shared<SampleMemory>();
            fresh->format = samples_->format;
            fresh->rate = samples_->rate;
            fresh->size = samples_->size;
            fresh->frameBytes = samples_->frameBytes;
            try {
                fresh->buffer = device_->createBuffer();
            } catch (const TovError&) {
                staging_.reset();
                return kOutOfMemory;
            }
            samples_ = std::move(fresh);
        }
        detach();
        alBufferData(samples_->buffer.id(), samples_->format, staging_->data(),
                     static_cast<ALsizei>(samples_->playableBytes()), samples_->rate);
        samples_->channels = samples_->format == AL_FORMAT_MONO8 ||
                                     samples_->format == AL_FORMAT_MONO16 ||
                                     samples_->format == AL_FORMAT_MONO_FLOAT32
                                 ? 1
                                 : 2;
        samples_->loop = decoded(*staging_, samples_->format, samples_->playableBytes());
        staging_.reset();
        return alResult();
    }

    Result play(PlayMode mode) override
    {
        // A sound server gone since the last sound leaves every sound silent: the user
        // is told, once, instead of hearing nothing and not knowing why.
        device_->watch();
        alGetError();
        if (timed_) {
            detach();
        }
        if (!ensureSource()) {
            return kOutOfMemory;
        }
        const ALuint id = source_.id();
        alSourcei(id, AL_LOOPING, mode == PlayMode::Looping ? AL_TRUE : AL_FALSE);
        ALint state = AL_STOPPED;
        alGetSourcei(id, AL_SOURCE_STATE, &state);
        if (state != AL_PLAYING) {
            // A stopped source starts where `stop` left it or where it was put.
            alSourcei(id, AL_BYTE_OFFSET, static_cast<ALint>(position_));
        }
        alSourcePlay(id);
        return alResult();
    }

    Result playFor(std::chrono::microseconds length) override
    {
        alGetError();
        if (!ensureVoice()) {
            return kOutOfMemory;
        }
        if (attached_) {
            detach();
        }
        if (!timed_) {
            timed_ = true;
            applyProperties();
        }
        const double hz = frequency_ == kFrequencyOriginal ? samples_->rate : frequency_;
        if (!tones_.play(source_.id(), {samples_->loop, samples_->channels}, hz, gainOf(volume_),
                         length)) {
            return kOutOfMemory;
        }
        return alResult();
    }

    std::chrono::microseconds timedLeft() override
    {
        if (!timed_) {
            return std::chrono::microseconds{0}; // no timed tone was played
        }
        return tones_.left(source_.id());
    }

    Result stop() override
    {
        const ALuint id = source_.id();
        if (id == 0) {
            return kOk;
        }
        alGetError();
        if (timed_) {
            // The tone ends on its own frame; only a stop well before that cuts it (a key
            // that ends the wait early), at the next update.
            if (tones_.wouldCut(id)) {
                detach();
                timed_ = true;
            }
            return alResult();
        }
        ALint state = AL_STOPPED;
        alGetSourcei(id, AL_SOURCE_STATE, &state);
        if (state == AL_PLAYING) {
            ALint offset = 0;
            alGetSourcei(id, AL_BYTE_OFFSET, &offset);
            position_ = static_cast<uint32_t>(offset);
        }
        // A stopped source, unlike a paused one, starts its next play as a fresh voice
        // at its new settings instead of gliding there from the old ones.
        alSourceStop(id);
        return alResult();
    }

    Result setCurrentPosition(uint32_t position) override
    {
        if (position != 0 && position >= samples_->playableBytes()) {
            return kInvalidParam;
        }
        position_ = position - position % samples_->frameBytes;
        const ALuint id = source_.id();
        if (id != 0 && !timed_) {
            ALint state = AL_STOPPED;
            alGetError();
            alGetSourcei(id, AL_SOURCE_STATE, &state);
            if (state == AL_PLAYING) {
                alSourcei(id, AL_BYTE_OFFSET, static_cast<ALint>(position_));
            }
            return alResult();
        }
        return kOk;
    }

    Result setFrequency(int32_t hz) override
    {
        if (!frequencyAccepted(hz)) {
            return kInvalidParam;
        }
        frequency_ = hz;
        return applyProperties();
    }

    Result setPan(int32_t pan) override
    {
        if (pan < kPanLeft || pan > kPanRight) {
            return kInvalidParam;
        }
        pan_ = pan;
        return applyProperties();
    }

    Result setVolume(int32_t volume) override
    {
        if (volume < kVolumeSilent || volume > kVolumeFull) {
            return kInvalidParam;
        }
        volume_ = volume;
        return applyProperties();
    }

    Result getStatus(uint32_t& status) override
    {
        status = 0;
        if (source_.id() == 0) {
            return kOk;
        }
        alGetError();
        ALint state = AL_STOPPED;
        ALint looping = AL_FALSE;
        alGetSourcei(source_.id(), AL_SOURCE_STATE, &state);
        alGetSourcei(source_.id(), AL_LOOPING, &looping);
        if (state == AL_PLAYING) {
            // A timed tone is the loop cut to length.
            status = kStatusPlaying | (looping == AL_TRUE || timed_ ? kStatusLooping : 0);
        }
        return alResult();
    }

private:
    // Stops the voice and takes every buffer off it: the samples and any timed pieces.
    void detach()
    {
        timed_ = false;
        if (source_.id() == 0) {
            return;
        }
        alSourceStop(source_.id());
        alSourcei(source_.id(), AL_BUFFER, 0);
        attached_ = false;
        tones_.released();
    }

    // The source is made at the first play, so buffers that are only ever the source of
    // duplicates (and waves never played) hold no voice.
    bool ensureVoice()
    {
        if (source_.id() == 0) {
            try {
                source_ = device_->createSource();
            } catch (const TovError&) {
                return false;
            }
            const ALuint id = source_.id();
            alSourcei(id, AL_SOURCE_RELATIVE, AL_TRUE);
            alSourcef(id, AL_ROLLOFF_FACTOR, 0.0f);
            applyProperties();
        }
        return true;
    }

    // The voice with the wave's own samples on it.
    bool ensureSource()
    {
        if (!ensureVoice()) {
            return false;
        }
        if (!attached_) {
            alSourcei(source_.id(), AL_BUFFER, static_cast<ALint>(samples_->buffer.id()));
            attached_ = true;
        }
        return true;
    }

    Result applyProperties()
    {
        const ALuint id = source_.id();
        if (id == 0) {
            return kOk;
        }
        alGetError();
        // A timed tone carries its frequency in its samples, made at the output's rate.
        const double pitch =
            frequency_ == kFrequencyOriginal || timed_ ? 1.0 : double(frequency_) / samples_->rate;
        alSourcef(id, AL_PITCH, static_cast<float>(pitch));
        // A timed tone carries its volume in its samples too: a gain changed on a voice
        // that plays glides there over its next samples, and the tone before, joined on
        // to, would lend its loudness to the start of a silent one.
        alSourcef(id, AL_GAIN, timed_ ? 1.0f : gainOf(volume_));
        // The source moves round toward the side the pan favours, all the way at the
        // ends; OpenAL's panning law decides the exact balance in between.
        const double azimuth = std::numbers::pi / 2 * pan_ / kPanRight;
        alSource3f(id, AL_POSITION, static_cast<float>(std::sin(azimuth)), 0.0f,
                   static_cast<float>(-std::cos(azimuth)));
        return alResult();
    }

    // Members die in reverse: the source lets go of the samples before they are deleted,
    // and both go before the device.
    std::shared_ptr<AudioDevice> device_;
    std::shared_ptr<SampleMemory> samples_;
    ToneSequencer tones_{device_}; //: the timed tones; outlives the source
    AudioSource source_;
    bool attached_ = false;                       //: the source holds samples_
    bool timed_ = false;                          //: the source plays queued timed pieces
    std::optional<std::vector<uint8_t>> staging_; //: the locked memory until unlock
    int32_t frequency_ = kFrequencyOriginal;
    int32_t pan_ = kPanCentre;
    int32_t volume_ = kVolumeFull;
    uint32_t position_ = 0; //: where the next play starts, in bytes
};

class OpenAlDevice final : public PlatformDevice {
public:
    explicit OpenAlDevice(std::shared_ptr<AudioDevice> device) : device_(std::move(device)) {}

    Result createSoundBuffer(std::span<const uint8_t> format, uint32_t size,
                             std::unique_ptr<PlatformBuffer>& buffer) override
    {
        const auto fields = parseWaveFormat(format);
        if (!fields) {
            return kInvalidParam;
        }
        const auto alFormat = alFormatOf(*fields);
        if (!alFormat || fields->samplesPerSec < static_cast<uint32_t>(kMinFrequency) ||
            fields->samplesPerSec > static_cast<uint32_t>(kMaxFrequency) ||
            size < fields->blockAlign) {
            return kInvalidParam;
        }
        auto samples = std::make_shared<SampleMemory>();
        try {
            samples->buffer = device_->createBuffer();
        } catch (const TovError&) {
            return kOutOfMemory;
        }
        samples->format = *alFormat;
        samples->rate = static_cast<int>(fields->samplesPerSec);
        samples->size = size;
        samples->frameBytes = fields->blockAlign;
        buffer = std::make_unique<OpenAlBuffer>(device_, std::move(samples));
        return kOk;
    }

    Result duplicateSoundBuffer(PlatformBuffer& original,
                                std::unique_ptr<PlatformBuffer>& duplicate) override
    {
        auto* const ours = dynamic_cast<OpenAlBuffer*>(&original);
        if (ours == nullptr) {
            return kInvalidParam;
        }
        duplicate = std::make_unique<OpenAlBuffer>(*ours);
        return kOk;
    }

private:
    std::shared_ptr<AudioDevice> device_;
};

} // namespace

std::unique_ptr<PlatformDevice> openOpenAlPlatform()
{
    return openOpenAlPlatform(AudioDevice::acquire());
}

std::unique_ptr<PlatformDevice> openOpenAlPlatform(std::shared_ptr<AudioDevice> device)
{
    return std::make_unique<OpenAlDevice>(std::move(device));
}

// The program's device is the OpenAL output; this lives here, not beside the device's
// logic, so that a host with another platform (the browser's) links no OpenAL.
TSoundDevice::TSoundDevice() : TCustomSoundDevice([] { return openOpenAlPlatform(); }) {}

} // namespace tov::sound
