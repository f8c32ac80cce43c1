// The SAPI 4 engine over espeak-ng: its voices are the engine modes (the Czech voice
// first, so that without a voice named "Jakub" the default is Czech), and the central of
// a selected mode synthesises on a worker thread and plays through the process's OpenAL
// device as a streamed source.
//
// 1. TextData converts the text to UTF-8, queues it for the worker and returns. When the
//    engine was idle it posts AudioStart to the GUI thread before returning, so the
//    caller's first pass over its event queue already hears that audio has started.
// 2. The worker synthesises each queued text in turn and streams the samples to the
//    source while it plays; when the queue is empty and the source has played its last
//    sample, it posts AudioStop.
// 3. AudioReset stops the source at once, drops the queue, makes the synthesis in progress
//    stop at its next chunk (espeak-ng's callback returns 1) and posts AudioStop.
// 4. The attributes are espeak-ng's: speed in words per minute (80 to 450), pitch 0 to 100,
//    volume as two 16-bit channel halves; the louder half sets espeak-ng's volume (never
//    above 100, where it would clip) and the softer one is scaled down against it.
//    Inject reads the tags "\Spd=n\", "\Pit=n\" and "\Vol=n\" (n for both halves).
// The worker never touches the system's state: it only posts to the GUI thread.
#pragma once

#include "speech/espeaklibrary.h"
#include "speech/guithread.h"
#include "speech/sapi4.h"

#include <memory>

namespace tov::speech::espeak {

// The engine's own identifier, in every mode record.
inline constexpr sapi4::GUID kEngineID{
    0x6B2F5E10, 0x3C1D, 0x4A7E, {0x9D, 0x52, 0x1E, 0x8A, 0x60, 0x4C, 0x2B, 0x71}};

// The audio destination over the process's output device (opened now: throws TovError
// without one), or over a given device (a loopback device in tests).
std::shared_ptr<sapi4::IAudioMultiMediaDevice> createAudioDestination();
std::shared_ptr<sapi4::IAudioMultiMediaDevice>
audioDestinationOn(std::shared_ptr<sound::AudioDevice> device);

// The enumerator of espeak-ng's voices. Centrals it selects post their notifications
// through `poster`, which must outlive them. Throws TovError when espeak-ng cannot start.
std::shared_ptr<sapi4::ITTSEnumA> createEnumerator(GuiPoster& poster);

// The mode identifier of a voice: the same in every run, derived from its file.
sapi4::GUID modeIdOf(const Voice& voice);

} // namespace tov::speech::espeak
