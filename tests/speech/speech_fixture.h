// A speech layer over the recording engines, with its settings file in a temporary folder.
#pragma once

#include "common/profile.h"
#include "common/tov_error.h"
#include "doubles/doubles.h"
#include "fakes.h"
#include "speech/speechlayer.h"

#include <memory>
#include <string>
#include <vector>

namespace tov::speech::testing {

struct SpeechFixture {
    SpeechFixture()
        : speech({queue, sounds, profile},
                 {[this]() -> std::shared_ptr<sapi4::IAudioMultiMediaDevice> {
                      if (audioFails) {
                          throw TovError("OpenAL cannot be initialized");
                      }
                      return audio;
                  },
                  [this]() -> std::shared_ptr<sapi4::ITTSEnumA> {
                      if (enumeratorFails) {
                          throw TovError("espeak-ng cannot be initialized");
                      }
                      return enumerator;
                  }},
                 [this](std::weak_ptr<sapi5::VoiceEvents> events) {
                     if (voiceFails) {
                         throw TovError("speech-dispatcher could not be reached: no socket");
                     }
                     auto made = std::make_unique<FakeVoice>(queue, log, std::move(events));
                     voice = made.get();
                     return made;
                 })
    {
        speech.setNotice([this](const std::string& text) { notices.push_back(text); });
    }

    // The layer's state, written here where a test stands in for the voice selection.
    SpeechState& state() { return speech.mutableState(); }

    // SAPI 4 with a voice selected by hand, speech allowed: what Start leaves behind.
    std::shared_ptr<FakeCentral> selectSapi4()
    {
        speech.initspeech();
        speech.createnotifysink();
        auto central = std::make_shared<FakeCentral>(queue, log, "Czech");
        central->Register(state().notifysink, sapi4::IID_ITTSNotifySinkA, &state().registrationkey);
        state().ttscentral = central;
        state().engineready = true;
        speech.setSpeechAllowed(true);
        log.clear();
        return central;
    }

    // SAPI 5 in use, its voice connected.
    void useSapi5()
    {
        speech.useengine(true);
        speech.voice5().setEventInterests(sapi5::SVEAllEvents);
        log.clear();
    }

    tov::testing::TempDir dir;
    Profile profile{dir.path() / "tovana.ini"};
    FakeQueue queue;
    tov::testing::EventLog log; //: engine calls and sound statements, in order
    tov::testing::RecordingSounds sounds{log};
    std::shared_ptr<FakeAudioDestination> audio = std::make_shared<FakeAudioDestination>();
    std::shared_ptr<FakeEnumerator> enumerator =
        std::make_shared<FakeEnumerator>(queue, log, std::vector<std::string>{"Czech"});
    bool audioFails = false;
    bool enumeratorFails = false;
    bool voiceFails = false;
    FakeVoice* voice = nullptr;       //: the SAPI 5 engine, once connected
    std::vector<std::string> notices; //: what the layer told the user
    SpeechLayer speech;
};

} // namespace tov::speech::testing
