// The engines the program speaks with: espeak-ng behind SAPI 4, playing through the
// process's OpenAL device, and speech-dispatcher behind SAPI 5.
#pragma once

#include "speech/guithread.h"
#include "speech/speechlayer.h"

namespace tov::speech {

// Both post their notifications through `poster`, which must outlive the speech layer.
Sapi4Factory espeakEngines(GuiPoster& poster);
// Starts espeak-ng's initialisation off the GUI thread, ahead of the first window.
void prepareEngines();
sapi5::TSpVoice::Connector speechDispatcherVoice(GuiPoster& poster);

} // namespace tov::speech
