// Opening and closing the process's OpenAL device; its sources, buffers and loopback.
#include "sound/audiodevice.h"

#include "sound/sounderrors.h"

#include <AL/alext.h>

#include <mutex>

namespace tov::sound {
namespace {

constexpr const char* kLoopbackExtension = "ALC_SOFT_loopback";

struct AudioDeviceState {
    std::mutex lock;
    std::weak_ptr<AudioDevice> open; //: the process's one device while anyone holds it
    LPALCLOOPBACKOPENDEVICESOFT loopbackOpen = nullptr;
    LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
};

AudioDeviceState& state()
{
    static AudioDeviceState s;
    return s;
}

// Makes the context current for the process, or closes what was opened and throws.
ALCcontext* makeContext(ALCdevice* device, const ALCint* attributes)
{
    ALCcontext* const context = alcCreateContext(device, attributes);
    if (context == nullptr || alcMakeContextCurrent(context) == ALC_FALSE) {
        if (context != nullptr) {
            alcDestroyContext(context);
        }
        alcCloseDevice(device);
        throw cannotBeMade(kContextName);
    }
    return context;
}

int outputFrequency(ALCdevice* device)
{
    ALCint frequency = 0;
    alcGetIntegerv(device, ALC_FREQUENCY, 1, &frequency);
    return frequency;
}

} // namespace

AudioSource::~AudioSource()
{
    if (id_ != 0) {
        alDeleteSources(1, &id_);
    }
}

AudioSource& AudioSource::operator=(AudioSource&& other) noexcept
{
    if (this != &other) {
        if (id_ != 0) {
            alDeleteSources(1, &id_);
        }
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

AudioBuffer::~AudioBuffer()
{
    if (id_ != 0) {
        alDeleteBuffers(1, &id_);
    }
}

AudioBuffer& AudioBuffer::operator=(AudioBuffer&& other) noexcept
{
    if (this != &other) {
        if (id_ != 0) {
            alDeleteBuffers(1, &id_);
        }
        id_ = other.id_;
        other.id_ = 0;
    }
    return *this;
}

AudioDevice::AudioDevice(Kind kind, ALCdevice* device, ALCcontext* context, int frequency)
    : kind_(kind), device_(device), context_(context), frequency_(frequency)
{
}

AudioDevice::~AudioDevice()
{
    // A device opened after this one let go has made its own context current already.
    if (alcGetCurrentContext() == context_) {
        alcMakeContextCurrent(nullptr);
    }
    alcDestroyContext(context_);
    alcCloseDevice(device_);
}

std::shared_ptr<AudioDevice> AudioDevice::current()
{
    const std::lock_guard guard(state().lock);
    return state().open.lock();
}

std::shared_ptr<AudioDevice> AudioDevice::acquire()
{
    AudioDeviceState& s = state();
    const std::lock_guard guard(s.lock);
    if (auto open = s.open.lock()) {
        return open;
    }
    ALCdevice* const device = alcOpenDevice(nullptr);
    if (device == nullptr) {
        throw cannotBeInitialized(kPlatformName);
    }
    ALCcontext* const context = makeContext(device, nullptr);
    std::shared_ptr<AudioDevice> opened(
        new AudioDevice(Kind::System, device, context, outputFrequency(device)));
    s.open = opened;
    return opened;
}

std::shared_ptr<AudioDevice> AudioDevice::acquireLoopback(int rate)
{
    AudioDeviceState& s = state();
    const std::lock_guard guard(s.lock);
    if (auto open = s.open.lock()) {
        if (open->kind() == Kind::Loopback && open->frequency() == rate) {
            return open;
        }
        throw cannotBeInitialized("OpenAL loopback");
    }
    if (s.loopbackOpen == nullptr) {
        if (alcIsExtensionPresent(nullptr, kLoopbackExtension) == ALC_FALSE) {
            throw notLoaded(kLoopbackExtension);
        }
        s.loopbackOpen = reinterpret_cast<LPALCLOOPBACKOPENDEVICESOFT>(
            alcGetProcAddress(nullptr, "alcLoopbackOpenDeviceSOFT"));
        s.renderSamples = reinterpret_cast<LPALCRENDERSAMPLESSOFT>(
            alcGetProcAddress(nullptr, "alcRenderSamplesSOFT"));
        if (s.loopbackOpen == nullptr || s.renderSamples == nullptr) {
            s.loopbackOpen = nullptr;
            throw notLoaded(kLoopbackExtension);
        }
    }
    ALCdevice* const device = s.loopbackOpen(nullptr);
    if (device == nullptr) {
        throw cannotBeInitialized(kPlatformName);
    }
    // Float output is neither dithered nor clipped to 16 bits, and no head-related
    // filtering colours it, so what is rendered can be measured exactly.
    const ALCint attributes[] = {ALC_FORMAT_CHANNELS_SOFT,
                                 ALC_STEREO_SOFT,
                                 ALC_FORMAT_TYPE_SOFT,
                                 ALC_FLOAT_SOFT,
                                 ALC_FREQUENCY,
                                 rate,
                                 ALC_HRTF_SOFT,
                                 ALC_FALSE,
                                 0};
    ALCcontext* const context = makeContext(device, attributes);
    std::shared_ptr<AudioDevice> opened(
        new AudioDevice(Kind::Loopback, device, context, outputFrequency(device)));
    s.open = opened;
    return opened;
}

std::string AudioDevice::name() const
{
    const ALCchar* const name = alcGetString(device_, ALC_DEVICE_SPECIFIER);
    return name != nullptr ? name : "";
}

AudioSource AudioDevice::createSource()
{
    alGetError();
    ALuint id = 0;
    alGenSources(1, &id);
    if (alGetError() != AL_NO_ERROR || id == 0) {
        throw cannotBeMade(kSourceInterfaceName);
    }
    return AudioSource(id);
}

AudioBuffer AudioDevice::createBuffer()
{
    alGetError();
    ALuint id = 0;
    alGenBuffers(1, &id);
    if (alGetError() != AL_NO_ERROR || id == 0) {
        throw cannotBeMade("OpenAL buffer");
    }
    return AudioBuffer(id);
}

void AudioDevice::render(std::span<float> frames)
{
    if (kind_ != Kind::Loopback) {
        throw TovError("only a loopback device renders on request");
    }
    state().renderSamples(device_, frames.data(), static_cast<ALCsizei>(frames.size() / 2));
}

} // namespace tov::sound
