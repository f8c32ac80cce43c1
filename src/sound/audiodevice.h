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
#pragma once

#include <AL/al.h>
#include <AL/alc.h>

#include <memory>
#include <span>
#include <string>

namespace tov::sound {

// An OpenAL source (a voice), deleted with its owner.
class AudioSource {
public:
    AudioSource() = default;
    explicit AudioSource(ALuint id) : id_(id) {}
    ~AudioSource();
    AudioSource(AudioSource&& other) noexcept : id_(other.id_) { other.id_ = 0; }
    AudioSource& operator=(AudioSource&& other) noexcept;
    AudioSource(const AudioSource&) = delete;
    AudioSource& operator=(const AudioSource&) = delete;
    ALuint id() const { return id_; }

private:
    ALuint id_ = 0;
};

// An OpenAL buffer (sample memory), deleted with its owner. Delete it only when no
// source holds it any more.
class AudioBuffer {
public:
    AudioBuffer() = default;
    explicit AudioBuffer(ALuint id) : id_(id) {}
    ~AudioBuffer();
    AudioBuffer(AudioBuffer&& other) noexcept : id_(other.id_) { other.id_ = 0; }
    AudioBuffer& operator=(AudioBuffer&& other) noexcept;
    AudioBuffer(const AudioBuffer&) = delete;
    AudioBuffer& operator=(const AudioBuffer&) = delete;
    ALuint id() const { return id_; }

private:
    ALuint id_ = 0;
};

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

    // Loopback only: mixes the next frames (interleaved left, right) into `frames`, whose
    // size must be even. Any thread may call it.
    void render(std::span<float> frames);

private:
    AudioDevice(Kind kind, ALCdevice* device, ALCcontext* context, int frequency);

    Kind kind_;
    ALCdevice* device_;   //: owned: closed by the destructor
    ALCcontext* context_; //: owned: current for the whole process while it lives
    int frequency_;
};

} // namespace tov::sound
