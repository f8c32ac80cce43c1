// The SAPI 5 voice's engine: speech-dispatcher through libspeechd, speaking with the
// system's default voice as the user configured it.
//
// 1. Connecting starts the voice's command thread, whose first job opens the connection;
//    the caller never waits. The thread first asks the service for its help text, with a
//    bound of a few seconds: a wedged service (accepts, never answers) and one that does
//    not speak the protocol count as unreachable before libspeechd, which would wait
//    forever or end the process, ever talks to them. Only when nothing is there yet may
//    libspeechd spawn the service. A failure is posted as the voice's failed event,
//    "speech-dispatcher: <reason>".
// 2. Speak only queues a command for the voice's own command thread and returns: a
//    service that stops answering can never block the GUI thread.
//    - flags 1: the text as a MESSAGE (queued behind earlier ones; TEXT would cut them off);
//    - flags 2: cancel everything, including commands not yet sent (their streams end);
//    - flags 8 (with 1, that is 9): the text is SSML.
//    An empty text is never sent: speech-dispatcher waits for its body and the call never
//    returns.
// 3. The service's begin, end and cancel callbacks arrive on libspeechd's thread and are
//    posted to the GUI thread as start and end of stream.
// 4. A command that fails posts its failure (and the end of its stream) and closes the
//    connection; the next command connects again.
#pragma once

#include "speech/guithread.h"
#include "speech/sapi5.h"

#include <memory>

namespace tov::speech::speechd {

// A connected voice whose events are posted through `poster` (which must outlive it).
std::unique_ptr<sapi5::ISpeechVoice> connect(GuiPoster& poster,
                                             std::weak_ptr<sapi5::VoiceEvents> events);

// The connector for TSpVoice.
sapi5::TSpVoice::Connector connector(GuiPoster& poster);

} // namespace tov::speech::speechd
