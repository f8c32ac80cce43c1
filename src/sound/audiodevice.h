// The process's audio output: one OpenAL device and context, opened at first use and
// shared by everyone who needs to make sound (the sound bank's buffers, the speech
// engine's streamed source), closed when the last holder lets go. A loopback device
// stands in for it in tests and benchmarks: it renders only when asked, into memory, so
// what would have been heard can be measured.
//
// A machine without a sound server has no device (`acquire` throws "OpenAL cannot be
// initialized"); ALSOFT_DRIVERS=null gives a real device that plays into nothing.
// OpenAL is thread-safe: sources may be fed from an engine thread while the GUI thread
// plays the bank.
//
// The device's timeline: OpenAL mixes in updates (1024 frames, 23.2 ms at 44.1 kHz,
// unless configured otherwise), so a source started or stopped between two updates
// changes at the next one, up to an update late. `scheduleFrame` tells which frame of
// the output belongs to this moment, so that a sound can be placed on the frame it asks
// for (sound/openalplatform.cpp pads the queue of a timed tone up to it): a 10 ms tone
// asked for just after an update still starts 10 ms after the one asked for just before.
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <utility>

namespace tov::sound {

// An OpenAL name (a source or a buffer) with one owner: deleted with it, handed on by a
// move, which deletes what the receiving owner held before.
template <void (*Delete)(ALsizei, const ALuint*)>
class AudioName {
public:
    AudioName() = default;
    explicit AudioName(ALuint id) : id_(id) {}
    ~AudioName() { release(); }
    AudioName(AudioName&& other) noexcept : id_(std::exchange(other.id_, 0)) {}
    AudioName& operator=(AudioName&& other) noexcept
    {
        if (this != &other) {
            release();
            id_ = std::exchange(other.id_, 0);
        }
        return *this;
    }
    AudioName(const AudioName&) = delete;
    AudioName& operator=(const AudioName&) = delete;
    ALuint id() const { return id_; }

private:
    void release() noexcept
    {
        if (id_ != 0) {
            Delete(1, &id_);
        }
    }

    ALuint id_ = 0;
};

// An OpenAL source (a voice).
using AudioSource = AudioName<alDeleteSources>;
// An OpenAL buffer (sample memory). Delete it only when no source holds it any more.
using AudioBuffer = AudioName<alDeleteBuffers>;

class AudioDevice {
public:
    enum class Kind { System, Loopback };

    // The open device, or the system's default output opened now. Throws TovError
    // "OpenAL cannot be initialized" (no device) or "OpenAL context cannot be made".
    static std::shared_ptr<AudioDevice> acquire();
    // A loopback device rendering 32-bit float stereo at `rate` Hz. Throws "ALC_SOFT_loopback
    // not loaded" without the extension, and "OpenAL cannot be initialized" while another
    // device is open (the process has one device at a time).
    static std::shared_ptr<AudioDevice> acquireLoopback(int rate);
    // The open device, or nullptr; never opens one.
    static std::shared_ptr<AudioDevice> current();

    ~AudioDevice();
    AudioDevice(const AudioDevice&) = delete;
    AudioDevice& operator=(const AudioDevice&) = delete;

    Kind kind() const { return kind_; }
    // The output's sample rate in Hz.
    int frequency() const { return frequency_; }
    std::string name() const;

    // Throw TovError "OpenAL source cannot be made" / "OpenAL buffer cannot be made"
    // when OpenAL has none left.
    AudioSource createSource();
    AudioBuffer createBuffer();

    // Whether the output still reaches a sound card: false once the sound server behind it
    // has gone (killed, or restarted: OpenAL does not follow a new server). A loopback
    // device, or an OpenAL that cannot tell, is taken to be connected.
    bool connected() const;
    // Looks whether the output is gone; the first look that finds it gone tells the
    // handler given to `onLoss`, on the thread that looked, and no look after it does.
    // One query of the device and no wait: cheap enough for every sound played and every
    // utterance started, and for a timer on the GUI thread.
    void watch();
    // Whom a lost output is told to, with the output's name; empty: nobody. For the whole
    // process, so a device opened later is watched for the same host.
    using LossHandler = std::function<void(const std::string& output)>;
    static void onLoss(LossHandler handler);

    // OpenAL plays through a PulseAudio server (its pulse backend, rather than ALSA, a
    // wave file or nothing): a stream of one's own can reach the same server.
    bool onSoundServer() const { return onSoundServer_; }

    // The frames of one mixing update: what a start or a stop may be late by.
    int updateFrames() const { return updateFrames_; }

    // Loopback only: mixes the next frames (interleaved left, right) into `frames`, whose
    // size must be even. Any thread may call it.
    void render(std::span<float> frames);

    // Frames mixed so far: a source played now begins at this frame of the output.
    int64_t mixedFrames() const;
    // The output frame that belongs to this moment: never before `mixedFrames()`, about
    // an update after it while the mixer keeps pace. Any thread may call it.
    int64_t scheduleFrame();

    // The clock that `scheduleFrame` reads, the steady clock unless replaced: a test that
    // plays the sound card itself (renders a loopback device update by update) keeps the
    // time of its own card.
    using WallClock = std::function<std::chrono::steady_clock::time_point()>;
    void setWallClock(WallClock clock);
    // That clock's time now.
    std::chrono::steady_clock::time_point wallNow();

private:
    AudioDevice(Kind kind, ALCdevice* device, ALCcontext* context, int frequency);
    void findMixingGrid();

    Kind kind_;
    bool onSoundServer_ = false;
    ALCdevice* device_;   //: owned: closed by the destructor
    ALCcontext* context_; //: owned: current for the whole process while it lives
    int frequency_;
    int updateFrames_ = 1024;
    bool canTellLoss_ = false;          //: ALC_EXT_disconnect is there
    std::atomic<bool> lossTold_{false}; //: the loss has been told; never again

    // How the wall clock maps onto the output: frame = (now in frames) - anchor. Each
    // look at the clocks sees the mixer somewhere within an update, so the anchor is the
    // smallest (now - mixed) seen, let rise slowly so that two clocks drifting apart
    // cannot push every sound later and later.
    std::mutex scheduleLock_;
    WallClock wallClock_; //: guarded by scheduleLock_; empty: the steady clock
    bool anchored_ = false;
    int64_t anchor_ = 0;   //: in frames; guarded by scheduleLock_
    int64_t lastLook_ = 0; //: the wall clock in frames at the last look
};

// A moment of the steady clock counted in frames of `rate`: the wall side of the timeline
// that `scheduleFrame` maps onto the output.
int64_t wallFrames(std::chrono::steady_clock::time_point t, int rate);

} // namespace tov::sound
