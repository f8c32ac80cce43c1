// The sound device and its wave lists.
#include "sound/sounddevice.h"

#include "sound/sounderrors.h"

#include <algorithm>

namespace tov::sound {

TCustomSoundDevice::~TCustomSoundDevice()
{
    for (SoundDeviceClient* client : clients_) {
        client->devicegone();
    }
    clients_.clear();
}

void TCustomSoundDevice::initsound()
{
    if (initialized_) {
        return;
    }
    LostBufferHandler& lost = *this;
    directsound_ = std::make_unique<TDirectSound>(opener_(), lost);
    initialized_ = true;
    for (SoundDeviceClient* client : clients_) {
        client->deviceready(*directsound_);
    }
}

TDirectSound& TCustomSoundDevice::directsound()
{
    if (!directsound_) {
        throw notMade(kDeviceInterfaceName);
    }
    return *directsound_;
}

void TCustomSoundDevice::restorebuffers()
{
    if (restoring_) {
        return;
    }
    restoring_ = true;
    struct Reset {
        bool& flag;
        ~Reset() { flag = false; }
    } reset{restoring_};
    for (SoundDeviceClient* client : clients_) {
        client->restore();
    }
}

void TCustomSoundDevice::attach(SoundDeviceClient& client)
{
    if (std::find(clients_.begin(), clients_.end(), &client) == clients_.end()) {
        clients_.push_back(&client);
    }
}

void TCustomSoundDevice::detach(SoundDeviceClient& client)
{
    std::erase(clients_, &client);
}

// ---------------------------------------------------------------------------------------

TCustomWaveList::~TCustomWaveList()
{
    setdevice(nullptr);
}

void TCustomWaveList::setdevice(TCustomSoundDevice* device)
{
    if (device == device_) {
        return;
    }
    if (device_ != nullptr) {
        device_->detach(*this);
        freebuffers();
    }
    device_ = device;
    if (device_ != nullptr) {
        device_->attach(*this);
        if (device_->initialized()) {
            deviceready(device_->directsound());
        }
    }
}

void TCustomWaveList::deviceready(TDirectSound& directsound)
{
    waves_.setdirectsound(&directsound);
    for (auto& item : waves_) {
        item->initialize();
    }
    restore();
}

void TCustomWaveList::devicegone()
{
    freebuffers();
    device_ = nullptr;
}

void TCustomWaveList::freebuffers()
{
    for (auto& item : waves_) {
        item->finalize();
    }
    waves_.setdirectsound(nullptr);
}

void TCustomWaveList::restore()
{
    for (auto& item : waves_) {
        item->restore();
    }
}

} // namespace tov::sound
