// Web Audio as the sound library's platform. The C++ side keeps what the library checks
// (the format, the sizes, the ranges of every value) and hands the samples and each call
// to the page's audio (page/audio.js), which owns the AudioContext, the AudioBuffers and
// the voices that play them, and keeps time on the context's clock.
#include "web/webaudio.h"

#include "common/tov_error.h"
#include "sound/wave.h"
#include "web/pagebridge.h"
#include "web/webhost.h"

#include <emscripten.h>

#include <cmath>
#include <exception>
#include <optional>
#include <vector>

namespace {

// clang-format off
EM_JS(int, js_audio_open, (), {
    return Module.page.audio.open() ? 1 : 0;
});
EM_JS(int, js_audio_create, (int channels, int bits, int isFloat, int rate, int blockAlign), {
    return Module.page.audio.create({ channels, bits, isFloat: isFloat !== 0, rate, blockAlign });
});
EM_JS(int, js_audio_duplicate, (int id), {
    return Module.page.audio.duplicate(id);
});
EM_JS(int, js_audio_fill, (int id, const unsigned char* bytes, int size), {
    return Module.page.audio.fill(id, HEAPU8.subarray(bytes, bytes + size)) ? 1 : 0;
});
EM_JS(void, js_audio_release, (int id), {
    Module.page.audio.release(id);
});
EM_JS(int, js_audio_play, (int id, int looping), {
    return Module.page.audio.play(id, looping !== 0) ? 1 : 0;
});
EM_JS(int, js_audio_play_for, (int id, double seconds), {
    return Module.page.audio.playFor(id, seconds) ? 1 : 0;
});
EM_JS(double, js_audio_timed_left, (int id), {
    return Module.page.audio.timedLeft(id);
});
EM_JS(void, js_audio_stop, (int id), {
    Module.page.audio.stop(id);
});
EM_JS(void, js_audio_set_position, (int id, int frame), {
    Module.page.audio.setPosition(id, frame);
});
EM_JS(void, js_audio_set_frequency, (int id, int hz), {
    Module.page.audio.setFrequency(id, hz);
});
EM_JS(void, js_audio_set_pan, (int id, int pan), {
    Module.page.audio.setPan(id, pan);
});
EM_JS(void, js_audio_set_volume, (int id, int volume), {
    Module.page.audio.setVolume(id, volume);
});
EM_JS(int, js_audio_status, (int id), {
    return Module.page.audio.status(id);
});
// clang-format on

} // namespace

namespace tov::web {
namespace {

using sound::kFailed;
using sound::kInvalidParam;
using sound::kOk;
using sound::kOutOfMemory;
using sound::Result;

// The size of a buffer's samples, shared by the buffer and its duplicates.
struct Samples {
    uint32_t size = 0;       //: the size the library asked for, in bytes
    uint32_t frameBytes = 0; //: one sample of every channel
    uint32_t playableBytes() const { return size - size % frameBytes; }
};

// The formats the page decodes: 8- and 16-bit PCM and 32-bit float, mono or stereo, at a
// rate a buffer can be played at; the same as the desktop accepts.
bool playable(const sound::WaveFormat& f)
{
    return sound::sampleLayoutOf(f).has_value() &&
           f.samplesPerSec >= static_cast<uint32_t>(sound::kMinFrequency) &&
           f.samplesPerSec <= static_cast<uint32_t>(sound::kMaxFrequency);
}

class WebAudioBuffer final : public sound::PlatformBuffer {
public:
    WebAudioBuffer(int id, std::shared_ptr<const Samples> samples)
        : id_(id), samples_(std::move(samples))
    {
    }
    WebAudioBuffer(const WebAudioBuffer&) = delete;
    WebAudioBuffer& operator=(const WebAudioBuffer&) = delete;
    ~WebAudioBuffer() override { js_audio_release(id_); }

    int id() const { return id_; }
    const std::shared_ptr<const Samples>& samples() const { return samples_; }

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
        // The page copies the samples into memory of this buffer's own: duplicates made
        // before go on playing the old ones.
        const bool filled =
            js_audio_fill(id_, staging_->data(), static_cast<int>(samples_->playableBytes())) != 0;
        staging_.reset();
        return filled ? kOk : kOutOfMemory;
    }

    Result play(sound::PlayMode mode) override
    {
        return js_audio_play(id_, mode == sound::PlayMode::Looping ? 1 : 0) != 0 ? kOk : kFailed;
    }

    Result playFor(std::chrono::microseconds length) override
    {
        if (length.count() <= 0) {
            return kOk;
        }
        return js_audio_play_for(id_, static_cast<double>(length.count()) / 1e6) != 0 ? kOk
                                                                                      : kFailed;
    }

    std::chrono::microseconds timedLeft() override
    {
        const double seconds = js_audio_timed_left(id_);
        if (!(seconds > 0)) {
            return std::chrono::microseconds{0};
        }
        return std::chrono::microseconds(std::llround(seconds * 1e6));
    }

    Result stop() override
    {
        js_audio_stop(id_);
        return kOk;
    }

    Result setCurrentPosition(uint32_t position) override
    {
        if (position != 0 && position >= samples_->playableBytes()) {
            return kInvalidParam;
        }
        js_audio_set_position(id_, static_cast<int>(position / samples_->frameBytes));
        return kOk;
    }

    Result setFrequency(int32_t hz) override
    {
        if (hz != sound::kFrequencyOriginal &&
            (hz < sound::kMinFrequency || hz > sound::kMaxFrequency)) {
            return kInvalidParam;
        }
        js_audio_set_frequency(id_, hz);
        return kOk;
    }

    Result setPan(int32_t pan) override
    {
        if (pan < sound::kPanLeft || pan > sound::kPanRight) {
            return kInvalidParam;
        }
        js_audio_set_pan(id_, pan);
        return kOk;
    }

    Result setVolume(int32_t volume) override
    {
        if (volume < sound::kVolumeSilent || volume > sound::kVolumeFull) {
            return kInvalidParam;
        }
        js_audio_set_volume(id_, volume);
        return kOk;
    }

    Result getStatus(uint32_t& status) override
    {
        status = static_cast<uint32_t>(js_audio_status(id_));
        return kOk;
    }

private:
    int id_; //: the page's voice
    std::shared_ptr<const Samples> samples_;
    std::optional<std::vector<uint8_t>> staging_; //: the locked memory until unlock
};

class WebAudioDevice final : public sound::PlatformDevice {
public:
    Result createSoundBuffer(std::span<const uint8_t> format, uint32_t size,
                             std::unique_ptr<sound::PlatformBuffer>& buffer) override
    {
        const auto fields = sound::parseWaveFormat(format);
        if (!fields || !playable(*fields) || size < fields->blockAlign) {
            return kInvalidParam;
        }
        const int id = js_audio_create(fields->channels, fields->bitsPerSample,
                                       fields->sampleFormat == sound::kFormatIeeeFloat ? 1 : 0,
                                       static_cast<int>(fields->samplesPerSec), fields->blockAlign);
        if (id <= 0) {
            return kOutOfMemory;
        }
        auto samples = std::make_shared<Samples>();
        samples->size = size;
        samples->frameBytes = fields->blockAlign;
        buffer = std::make_unique<WebAudioBuffer>(id, std::move(samples));
        return kOk;
    }

    Result duplicateSoundBuffer(sound::PlatformBuffer& original,
                                std::unique_ptr<sound::PlatformBuffer>& duplicate) override
    {
        auto* const ours = dynamic_cast<WebAudioBuffer*>(&original);
        if (ours == nullptr) {
            return kInvalidParam;
        }
        const int id = js_audio_duplicate(ours->id());
        if (id <= 0) {
            return kOutOfMemory;
        }
        duplicate = std::make_unique<WebAudioBuffer>(id, ours->samples());
        return kOk;
    }
};

} // namespace

std::unique_ptr<sound::PlatformDevice> openWebAudioPlatform()
{
    if (js_audio_open() == 0) {
        throw TovError("Web Audio cannot be initialized");
    }
    return std::make_unique<WebAudioDevice>();
}

void PageSoundWait::waitout(std::chrono::milliseconds duration)
{
    waiting_ = true;
    page::soundWait(static_cast<int>(duration.count()));
    waiting_ = false;
}

bool PageSoundWait::endwait()
{
    if (!waiting_) {
        return false;
    }
    page::endSoundWait();
    waiting_ = false;
    return true;
}

} // namespace tov::web

extern "C" {

// The key cues of the desktop's input dialog, for the page's own input line: 0 the beep,
// a positive number the click of that number ("click2" at the edges of a line). They play
// at the sound volume, return at once (the page cannot wait on its one thread) and are
// silent with the sounds off. A cue the bank lacks is no reason to stop the program: the
// page is told on its console.
EMSCRIPTEN_KEEPALIVE void tovana_cue(int number)
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr) {
        return;
    }
    try {
        tov::runtime::SoundCues& sounds = host->soundCues();
        if (number == 0) {
            sounds.beep();
        } else {
            sounds.click(number);
        }
    } catch (const std::exception& error) {
        emscripten_log(EM_LOG_WARN, "%s", error.what());
    }
}

} // extern "C"
