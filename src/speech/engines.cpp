// Wiring the real engines into the layers.
#include "speech/engines.h"

#include "speech/espeakengine.h"
#include "speech/espeaklibrary.h"
#include "speech/speechdvoice.h"

namespace tov::speech {

Sapi4Factory espeakEngines(GuiPoster& poster)
{
    return {[] { return espeak::createAudioDestination(); },
            [&poster] { return espeak::createEnumerator(poster); }};
}

void prepareEngines()
{
    espeak::Library::prepare();
}

sapi5::TSpVoice::Connector speechDispatcherVoice(GuiPoster& poster)
{
    return speechd::connector(poster);
}

} // namespace tov::speech
