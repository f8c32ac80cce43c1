// Thin owners of the platform's device and buffers (platform.h). They keep the result of
// every buffer call, turn the failures that the library cannot go on from into errors, and
// pass a lost buffer on to whoever can refill every buffer (the sound device).
// GUI thread only.
#pragma once

#include "sound/platform.h"

#include <cstdint>
#include <memory>
#include <span>

namespace tov::sound {

// Told when a buffer call reports kBufferLost.
class LostBufferHandler {
public:
    virtual void bufferlost() = 0;

protected:
    ~LostBufferHandler() = default;
};

class TDirectSoundBuffer {
public:
    TDirectSoundBuffer(std::unique_ptr<PlatformBuffer> buffer, LostBufferHandler& lost)
        : buffer_(std::move(buffer)), lost_(lost)
    {
    }
    TDirectSoundBuffer(const TDirectSoundBuffer&) = delete;
    TDirectSoundBuffer& operator=(const TDirectSoundBuffer&) = delete;

    //: the result of the last call; a rejected value leaves the buffer as it was
    Result result() const { return result_; }

    // Copies the samples into the buffer's memory. Throws "Sound Buffer cannot be locked".
    void fill(std::span<const uint8_t> samples);

    void play(PlayMode mode) { check(buffer_->play(mode)); }
    void playfor(std::chrono::microseconds length) { check(buffer_->playFor(length)); }
    std::chrono::microseconds timedleft() { return buffer_->timedLeft(); }
    void stop() { check(buffer_->stop()); }
    void setcurrentposition(uint32_t position) { check(buffer_->setCurrentPosition(position)); }
    void setfrequency(int32_t hz) { check(buffer_->setFrequency(hz)); }
    void setpan(int32_t pan) { check(buffer_->setPan(pan)); }
    void setvolume(int32_t volume) { check(buffer_->setVolume(volume)); }
    // The status bits; 0 when the platform cannot tell.
    uint32_t status();
    bool isplaying() { return (status() & (kStatusPlaying | kStatusLooping)) != 0; }

    PlatformBuffer& platform() { return *buffer_; }

private:
    Result check(Result result);

    std::unique_ptr<PlatformBuffer> buffer_;
    LostBufferHandler& lost_;
    Result result_ = kOk;
};

class TDirectSound {
public:
    TDirectSound(std::unique_ptr<PlatformDevice> device, LostBufferHandler& lost)
        : device_(std::move(device)), lost_(lost)
    {
    }
    TDirectSound(const TDirectSound&) = delete;
    TDirectSound& operator=(const TDirectSound&) = delete;

    // A buffer for `size` bytes of samples in the format block's format. Throws "Sound
    // Buffer cannot be made" when the platform refuses it (an unusable format, say).
    std::unique_ptr<TDirectSoundBuffer> createsoundbuffer(std::span<const uint8_t> format,
                                                          uint32_t size);
    // A second voice over the original's samples. Throws like createsoundbuffer.
    std::unique_ptr<TDirectSoundBuffer> duplicatesoundbuffer(TDirectSoundBuffer& original);

private:
    std::unique_ptr<PlatformDevice> device_;
    LostBufferHandler& lost_;
};

} // namespace tov::sound
