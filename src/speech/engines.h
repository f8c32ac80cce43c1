// The engines the program speaks with: espeak-ng behind SAPI 4, playing through the
// process's OpenAL device, and speech-dispatcher behind SAPI 5.
#pragma once

#include "speech/guithread.h"
#include "speech/speechlayer.h"

namespace tov::speech {

// Both post their notifications through `poster`, which must outlive the speech layer.
Sapi4Factory espeakEngines(GuiPoster& poster);
sapi5::TSpVoice::Connector speechDispatcherVoice(GuiPoster& poster);

} // namespace tov::speech
