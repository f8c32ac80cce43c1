// Opening and closing the process's OpenAL device; its sources, buffers and loopback.
#include "sound/audiodevice.h"

#include "sound/openalconfig.h"
#include "sound/realtime.h"
#include "sound/sounderrors.h"

#include <AL/alext.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace tov::sound {
namespace {

constexpr const char* kLoopbackExtension = "ALC_SOFT_loopback";

constexpr const char* kDisconnectExtension = "ALC_EXT_disconnect";

constexpr const char* kClockExtension = "ALC_SOFT_device_clock";
// What the anchor may rise by, per frame of wall time: a thousandth, 3.6 s an hour, far
// more than two crystals drift apart, far less than an update's worth between looks.
constexpr int64_t kAnchorRiseDivisor = 1000;
// A mixer this many updates behind the wall clock is taken to have stood still.
constexpr int64_t kStandstillUpdates = 8;

struct AudioDeviceState {
    std::mutex lock;
    std::weak_ptr<AudioDevice> open; //: the process's one device while anyone holds it
    LPALCLOOPBACKOPENDEVICESOFT loopbackOpen = nullptr;
    LPALCRENDERSAMPLESSOFT renderSamples = nullptr;
    LPALCGETINTEGER64VSOFT getInteger64 = nullptr; //: null without the clock extension
    AudioDevice::LossHandler lossHandler;          //: guarded by lock
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

int updateFramesOf(ALCdevice* device, int frequency)
{
    ALCint refresh = 0;
    alcGetIntegerv(device, ALC_REFRESH, 1, &refresh);
    return refresh > 0 ? std::max(1, frequency / refresh) : 1024;
}

// The echo of a key is heard at the first update after its samples arrive, and a key that
// silences speech takes effect at the next one: OpenAL's default updates of 1024 frames
// (23.2 ms), three of them queued at the sound server, would spend the whole latency
// budget waiting. OpenAL Soft 1.19 ignores ALC_REFRESH and takes the period only from its
// configuration, so the program hands it a file of its own (sound/openalconfig.h) --
// unless the user or a test names a configuration in ALSOFT_CONF, or a file OpenAL reads
// sets a timing key: the user's settings then hold unchanged. Through a sound server the
// speech goes beside OpenAL, and the updates are longer. Done before the first OpenAL call
// of the process, which reads the configuration; returns the file made, or nothing.
constexpr int kShortUpdateFrames = 256;
constexpr ALCint kRefreshWanted = 44100 / kShortUpdateFrames;

std::filesystem::path requestShortUpdates()
{
    if (std::getenv("ALSOFT_CONF") != nullptr) {
        return {};
    }
    std::vector<std::string> userConfigs;
    for (const std::filesystem::path& file : openAlConfigFiles()) {
        userConfigs.push_back(readConfigFile(file));
    }
    const std::string ours = shortUpdateConfig(userConfigs, realtimeAllowed(), soundServerNamed());
    if (ours.empty()) {
        return {};
    }
    std::error_code error;
    std::string pattern = (std::filesystem::temp_directory_path(error) / "tovana-openal-XXXXXX");
    if (error || ::mkdtemp(pattern.data()) == nullptr) {
        return {};
    }
    const std::filesystem::path file = std::filesystem::path(pattern) / "alsoft.conf";
    std::ofstream out(file);
    out << ours;
    out.close();
    if (!out || ::setenv("ALSOFT_CONF", file.c_str(), 0) != 0) {
        std::filesystem::remove_all(pattern, error);
        return {};
    }
    return file;
}

void loadClock(AudioDeviceState& s, ALCdevice* device)
{
    if (s.getInteger64 == nullptr && alcIsExtensionPresent(device, kClockExtension) == ALC_TRUE) {
        s.getInteger64 = reinterpret_cast<LPALCGETINTEGER64VSOFT>(
            alcGetProcAddress(device, "alcGetInteger64vSOFT"));
    }
}

} // namespace

AudioDevice::AudioDevice(Kind kind, ALCdevice* device, ALCcontext* context, int frequency)
    : kind_(kind), device_(device), context_(context), frequency_(frequency),
      updateFrames_(updateFramesOf(device, frequency)),
      canTellLoss_(kind == Kind::System &&
                   alcIsExtensionPresent(device, kDisconnectExtension) == ALC_TRUE)
{
    loadClock(state(), device);
}

bool AudioDevice::connected() const
{
    if (!canTellLoss_) {
        return true;
    }
    ALCint connected = ALC_TRUE;
    alcGetIntegerv(device_, ALC_CONNECTED, 1, &connected);
    return connected != ALC_FALSE;
}

void AudioDevice::watch()
{
    if (lossTold_.load(std::memory_order_relaxed) || connected()) {
        return;
    }
    if (lossTold_.exchange(true)) {
        return; // another thread found it first and tells it
    }
    LossHandler handler;
    {
        const std::lock_guard guard(state().lock);
        handler = state().lossHandler;
    }
    // Outside the lock: the handler may well ask for the device again.
    if (handler) {
        handler(name());
    }
}

void AudioDevice::onLoss(LossHandler handler)
{
    const std::lock_guard guard(state().lock);
    state().lossHandler = std::move(handler);
}

namespace {

// Nanoseconds as frames, without overflow for a clock that has run for years.
int64_t framesOfNanoseconds(int64_t ns, int rate)
{
    constexpr int64_t kSecond = 1'000'000'000;
    return ns / kSecond * rate + ns % kSecond * rate / kSecond;
}

} // namespace

int64_t wallFrames(std::chrono::steady_clock::time_point t, int rate)
{
    return framesOfNanoseconds(
        std::chrono::duration_cast<std::chrono::nanoseconds>(t.time_since_epoch()).count(), rate);
}

int64_t AudioDevice::mixedFrames() const
{
    const LPALCGETINTEGER64VSOFT get = state().getInteger64;
    if (get == nullptr) {
        return 0;
    }
    ALCint64SOFT clock = 0;
    get(device_, ALC_DEVICE_CLOCK_SOFT, 1, &clock);
    return framesOfNanoseconds(clock, frequency_);
}

void AudioDevice::findMixingGrid()
{
    // Looks at the clocks just after an update has been mixed, so that even the first
    // tone is placed where the mixer has not been yet: without this look, the first
    // statements of a sequence could be placed into an update already mixed, and the
    // falling tone would stumble at its start. Sleeps at most two updates, once.
    if (state().getInteger64 == nullptr) {
        return;
    }
    const int64_t before = mixedFrames();
    const auto limit = std::chrono::steady_clock::now() +
                       std::chrono::microseconds(2'000'000LL * updateFrames_ / frequency_);
    while (mixedFrames() == before && std::chrono::steady_clock::now() < limit) {
        std::this_thread::sleep_for(std::chrono::microseconds(500));
    }
    scheduleFrame();
}

std::chrono::steady_clock::time_point AudioDevice::wallNow()
{
    const std::lock_guard guard(scheduleLock_);
    return wallClock_ ? wallClock_() : std::chrono::steady_clock::now();
}

void AudioDevice::setWallClock(WallClock clock)
{
    const std::lock_guard guard(scheduleLock_);
    wallClock_ = std::move(clock);
    anchored_ = false;
}

int64_t AudioDevice::scheduleFrame()
{
    const int64_t mixed = mixedFrames();
    const std::lock_guard guard(scheduleLock_);
    const int64_t now =
        wallFrames(wallClock_ ? wallClock_() : std::chrono::steady_clock::now(), frequency_);
    const int64_t seen = now - mixed;
    if (!anchored_ || seen < anchor_) {
        anchor_ = seen;
    } else {
        anchor_ = std::min(seen, anchor_ + (now - lastLook_) / kAnchorRiseDivisor);
    }
    anchored_ = true;
    lastLook_ = now;
    int64_t frame = now - anchor_;
    // Far ahead of the mixer means it stood still for a while (a loopback device nobody
    // rendered): start over from where it stands. A real mixer that falls an update or
    // two behind (a busy machine, a slow disk under the wave writer) catches up, and the
    // mapping must not jump back meanwhile, or a tone would be cut before its end.
    if (frame - mixed > kStandstillUpdates * int64_t{updateFrames_}) {
        anchor_ = seen;
        frame = mixed;
    }
    return frame;
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
    const std::filesystem::path request = requestShortUpdates();
    ALCdevice* const device = alcOpenDevice(nullptr);
    if (!request.empty()) {
        // Read once, at the open: the environment is left as it was found.
        ::unsetenv("ALSOFT_CONF");
        std::error_code ignored;
        std::filesystem::remove_all(request.parent_path(), ignored);
    }
    if (device == nullptr) {
        throw cannotBeInitialized(kPlatformName);
    }
    // For an OpenAL that takes its update period from the context (1.19 does not).
    const ALCint attributes[] = {ALC_REFRESH, kRefreshWanted, 0};
    ALCcontext* const context = makeContext(device, attributes);
    std::shared_ptr<AudioDevice> opened(
        new AudioDevice(Kind::System, device, context, outputFrequency(device)));
    opened->findMixingGrid();
    // OpenAL names no backend to its caller; the pulse backend's client thread, opened with
    // the device, tells. No other part of the process talks to a server before the device
    // is open.
    opened->onSoundServer_ = threadsNamed(kPulseClientThread) > 0;
    if (opened->onSoundServer_) {
        // That thread's scheduling; where the system refuses, the sound plays as before.
        raiseThreadsNamed(kPulseClientThread);
    }
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
