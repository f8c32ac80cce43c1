// Web Audio as the sound library's platform.
#include "web/webaudio.h"

#include "common/tov_error.h"
#include "web/pagebridge.h"

namespace tov::web {

std::unique_ptr<sound::PlatformDevice> openWebAudioPlatform()
{
    throw TovError("Web Audio is not connected yet");
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
