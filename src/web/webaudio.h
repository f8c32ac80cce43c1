// The sound library's platform in the browser: Web Audio behind the same buffer calls as
// OpenAL on the desktop (sound/platform.h), and the sound statement's wait on the page's
// timers.
#pragma once

#include "runtime/soundcues.h"
#include "sound/platform.h"

#include <memory>

namespace tov::web {

// Opens the page's audio (page/audio.js). Throws TovError when the browser has none.
std::unique_ptr<sound::PlatformDevice> openWebAudioPlatform();

// The sound statement's wait: the page's timer, ended early by a key.
class PageSoundWait final : public runtime::SoundWait {
public:
    void waitout(std::chrono::milliseconds duration) override;
    bool endwait() override;
    bool iswaiting() const override { return waiting_; }

private:
    bool waiting_ = false;
};

} // namespace tov::web
