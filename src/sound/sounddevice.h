// The sound device and the wave lists attached to it: the objects the main window makes
// at start-up. The device opens the platform once (`initsound`); every list attached to
// it then gives its items their buffers, and when the platform reports a lost buffer the
// device has every item of every attached list refill its buffer from its wave.
// Destroying the device first detaches every list and frees their buffers; destroying a
// list detaches it. GUI thread only.
#pragma once

#include "sound/directsound.h"
#include "sound/platform.h"
#include "sound/wavecollection.h"

#include <memory>
#include <vector>

namespace tov::sound {

// What the device tells whatever is attached to it: it became ready (here is what buffers
// are made with), it goes away, or the platform lost buffers and they must be refilled.
class SoundDeviceClient {
public:
    virtual void deviceready(TDirectSound& directsound) = 0;
    virtual void devicegone() = 0;
    virtual void restore() = 0;

protected:
    ~SoundDeviceClient() = default;
};

class TCustomSoundDevice : private LostBufferHandler {
public:
    explicit TCustomSoundDevice(PlatformOpener opener) : opener_(std::move(opener)) {}
    virtual ~TCustomSoundDevice();
    TCustomSoundDevice(const TCustomSoundDevice&) = delete;
    TCustomSoundDevice& operator=(const TCustomSoundDevice&) = delete;

    // Opens the platform's device, then has every attached list give its items their
    // buffers. Throws the platform's failure ("OpenAL cannot be initialized"); the device
    // then stays unready and every item silent. A second call does nothing.
    void initsound();
    bool initialized() const { return initialized_; }
    // Throws "OpenAL device not made" before a successful `initsound`.
    TDirectSound& directsound();

    // Every item of every attached list gives itself its buffer again. A restore that is
    // running already is not started a second time.
    void restorebuffers();

    // A client attached twice is told once. Attaching to a ready device tells the client
    // nothing: it asks `initialized()` itself.
    void attach(SoundDeviceClient& client);
    void detach(SoundDeviceClient& client);

private:
    void bufferlost() override { restorebuffers(); }

    PlatformOpener opener_;
    std::unique_ptr<TDirectSound> directsound_;
    bool initialized_ = false;                //: the platform's device is open
    bool restoring_ = false;                  //: a restore is running
    std::vector<SoundDeviceClient*> clients_; //: attached lists, in the order they came
};

// The device of the program: the process's OpenAL output.
class TSoundDevice final : public TCustomSoundDevice {
public:
    TSoundDevice();
    explicit TSoundDevice(PlatformOpener opener) : TCustomSoundDevice(std::move(opener)) {}
};

class TCustomWaveList : private SoundDeviceClient {
public:
    TCustomWaveList() = default;
    virtual ~TCustomWaveList();
    TCustomWaveList(const TCustomWaveList&) = delete;
    TCustomWaveList& operator=(const TCustomWaveList&) = delete;

    // Attaches the list to a device (nullptr detaches it). On a ready device the items
    // get their buffers at once.
    void setdevice(TCustomSoundDevice* device);
    TCustomSoundDevice* device() const { return device_; }
    TWaveCollection& Waves() { return waves_; }
    const TWaveCollection& Waves() const { return waves_; }

private:
    void deviceready(TDirectSound& directsound) override; // fresh buffers for every item
    void devicegone() override;                           // no buffers, no device
    void restore() override;
    void freebuffers();

    TCustomSoundDevice* device_ = nullptr; //: the device attached to, ready or not
    TWaveCollection waves_;
};

class TWaveList final : public TCustomWaveList {};

} // namespace tov::sound
