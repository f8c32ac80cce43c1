// The sound device and its wave lists.
#include "sound/sounddevice.h"

#include "sound/openalplatform.h"
#include "sound/sounderrors.h"

#include <algorithm>

namespace tov::sound {

TCustomSoundDevice::~TCustomSoundDevice()
{
    for (TCustomWaveList* list : lists_) {
        list->finalize();
    }
    lists_.clear();
}

void TCustomSoundDevice::initsound()
{
    if (initialized_) {
        return;
    }
    LostBufferHandler& lost = *this;
    directsound_ = std::make_unique<TDirectSound>(opener_(), lost);
    initialized_ = true;
    for (TCustomWaveList* list : lists_) {
        list->initialize();
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
    for (TCustomWaveList* list : lists_) {
        list->restore();
    }
}

void TCustomSoundDevice::attach(TCustomWaveList& list)
{
    if (std::find(lists_.begin(), lists_.end(), &list) == lists_.end()) {
        lists_.push_back(&list);
    }
}

void TCustomSoundDevice::detach(TCustomWaveList& list)
{
    std::erase(lists_, &list);
}

TSoundDevice::TSoundDevice() : TCustomSoundDevice([] { return openOpenAlPlatform(); }) {}

// ---------------------------------------------------------------------------------------

TCustomWaveList::~TCustomWaveList()
{
    setdevice(nullptr);
}

void TCustomWaveList::setdevice(TCustomSoundDevice* device)
{
    if (device == waves_.device()) {
        return;
    }
    if (waves_.device() != nullptr) {
        waves_.device()->detach(*this);
        for (auto& item : waves_) {
            item->finalize();
        }
    }
    waves_.setdevice(device);
    if (device != nullptr) {
        device->attach(*this);
        if (device->initialized()) {
            initialize();
        }
    }
}

void TCustomWaveList::initialize()
{
    for (auto& item : waves_) {
        item->initialize();
    }
    restore();
}

void TCustomWaveList::finalize()
{
    for (auto& item : waves_) {
        item->finalize();
    }
    waves_.setdevice(nullptr);
}

void TCustomWaveList::restore()
{
    for (auto& item : waves_) {
        item->restore();
    }
}

} // namespace tov::sound
