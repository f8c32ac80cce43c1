// The speech layer: everything the system says aloud goes through here, to one of two
// engines: SAPI 4 (a chosen voice with its pitch, speed and volume; espeak-ng behind it)
// or SAPI 5 (the system's default voice; speech-dispatcher behind it). The user picks the
// engine with the menu item `usesapi5submenu`, stored as "Voice"/"SAPI5".
//
// What reaches each engine:
//   say, saynowait   SAPI 5: Speak(text, 1)        SAPI 4: TextData(0, 0, text + NUL)
//   saykeyname       SAPI 5: Speak(name, 9)        SAPI 4: TextData of the name
//   stopspeech       SAPI 5: Speak("", 2)          SAPI 4: AudioReset, only while speaking
//
// 1. `say` hands the text over, then serves the event queue until the engine reports the
//    end: SAPI 5 through the end of a stream, SAPI 4 through AudioStop. Key handlers and
//    menu commands therefore run inside `say`, `stopspeech` among them, whose end of
//    audio ends the wait.
// 2. A wait that hears nothing from the engine for the text's expected length plus a
//    margin ends by itself: a broken speech service never freezes the program.
// 3. `voiceallowed` governs SAPI 4 only; SAPI 5 speaks whatever it is.
// 4. SAPI 5 is connected only once it is chosen (the settings or the menu item): a user
//    who never speaks through it never waits for it nor hears of it. When it cannot be
//    reached the user is told once, with the reason, and `say` stops waiting on it,
//    both until it speaks again.
// 5. A SAPI 5 stream that has not started within kSapi5StartBound (its audio output is
//    broken, say) ends the wait; the user is told once that it is not speaking, and
//    `say` no longer waits for it until a stream starts again.
// All of this runs on the GUI thread.
#pragma once

#include "runtime/host.h"
#include "speech/guithread.h"
#include "speech/sapi4.h"
#include "speech/sapi5.h"
#include "speech/voicesettings.h"

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tov {
class Profile;
}

namespace tov::speech {

namespace testing {
struct SpeechFixture;
}

// A menu item as the engine switch sees it.
class MenuItem {
public:
    virtual ~MenuItem() = default;
    virtual void setChecked(bool checked) = 0;
    virtual void setEnabled(bool enabled) = 0;
};

// What the layer knows of its engines. Only the layer and its voice selection write it;
// everyone else asks the layer's named questions.
struct SpeechState {
    //: the user allows speech (Sounds dialog, "voice"/"voiceallowed"); SAPI 4 only
    bool voiceallowed = false;
    //: SAPI 5 is the engine in use ("Voice"/"SAPI5"); the menu's check mark shows it
    bool usesapi5 = false;
    //: SAPI 4: an engine has been selected for a voice; with SAPI 5 simply true
    bool engineready = false;
    //: between the SAPI 4 engine's AudioStart and AudioStop
    bool sapi4speaking = false;
    //: set by `say` and the start of a SAPI 5 stream, cleared by the end of one
    bool sapi5speaking = false;
    //: engine notifications heard so far, so a wait can tell a quiet engine from a dead one
    uint64_t engineevents = 0;
    //: SAPI 5 streams that have started so far
    uint64_t sapi5starts = 0;
    //: a SAPI 5 stream never started: `say` stops waiting on it until one starts again
    bool sapi5silent = false;
    //: the user has been told that SAPI 5 cannot be reached; cleared when it speaks
    bool sapi5failureshown = false;

    // The SAPI 4 objects; empty when absent.
    std::shared_ptr<sapi4::IAudioMultiMediaDevice> audiodestination;
    std::shared_ptr<sapi4::ITTSEnumA> ttsenum; //: present: SAPI 4 voices are available
    std::shared_ptr<sapi4::ITTSCentralA> ttscentral;
    std::shared_ptr<sapi4::ITTSAttributesA> ttsattributes;
    std::shared_ptr<sapi4::ITTSNotifySinkA> notifysink; //: made with the voice dialog
    std::optional<sapi4::TTSMODEINFOA> selectedmode;    //: the chosen voice's record
    uint32_t registrationkey = 0;                       //: of notifysink with ttscentral
};

// How the SAPI 4 objects are made; each throws TovError when it cannot be.
struct Sapi4Factory {
    std::function<std::shared_ptr<sapi4::IAudioMultiMediaDevice>()> createAudioDestination;
    std::function<std::shared_ptr<sapi4::ITTSEnumA>()> createEnumerator;
};

struct SpeechHosts {
    EventQueue& queue;
    runtime::SoundStatement& sounds; //: the engine switch's tones
    const Profile& profile;
};

// The SAPI 4 notification sink: AudioStart sets `sapi4speaking`, AudioStop clears it.
class TTTSNotifySink final : public sapi4::ITTSNotifySinkA {
public:
    explicit TTTSNotifySink(SpeechState& state) : state_(state) {}
    sapi4::HRESULT AttribChanged(uint32_t) override { return sapi4::S_OK; }
    sapi4::HRESULT AudioStart(uint64_t) override;
    sapi4::HRESULT AudioStop(uint64_t) override;
    sapi4::HRESULT Visual(uint64_t, char, char, uint32_t) override { return sapi4::S_OK; }

private:
    SpeechState& state_;
};

// A wait hears nothing for the text's length at this pace plus the margin, then gives up.
inline constexpr std::chrono::milliseconds kSilentWaitPerCharacter{150};
inline constexpr std::chrono::milliseconds kSilentWaitMargin{5000};
// A SAPI 5 stream that has not started this long after it was handed over never will.
inline constexpr std::chrono::milliseconds kSapi5StartBound{2000};

class SpeechLayer final : public runtime::Speech {
public:
    SpeechLayer(SpeechHosts hosts, Sapi4Factory sapi4, sapi5::TSpVoice::Connector voice5);
    SpeechLayer(const SpeechLayer&) = delete;
    SpeechLayer& operator=(const SpeechLayer&) = delete;

    // For reading only; the questions below are what the hosts ask.
    const SpeechState& state() const { return state_; }

    // The user allows speech ("voice"/"voiceallowed"); it governs SAPI 4 only.
    bool isSpeechAllowed() const { return state_.voiceallowed; }
    void setSpeechAllowed(bool allowed) { state_.voiceallowed = allowed; }
    // SAPI 5 (speech-dispatcher) is the engine in use.
    bool usesSpeechDispatcher() const { return state_.usesapi5; }
    // The program's own voice reads what is printed: SAPI 5, or an allowed SAPI 4 voice
    // that has been selected. Otherwise a desktop screen reader must.
    bool speaksPrintedText() const
    {
        return state_.usesapi5 || (state_.voiceallowed && state_.ttscentral != nullptr);
    }
    // The SAPI 5 voice; its stream events are wired to voice5StartStream/voice5EndStream.
    sapi5::TSpVoice& voice5() { return voice5_; }
    EventQueue& queue() { return hosts_.queue; }
    // The SAPI 4 voice's choice and levels, which the dialog renders and the file keeps.
    VoiceSettings& voiceSettings() { return voiceSettings_; }
    const VoiceSettings& voiceSettings() const { return voiceSettings_; }
    // Where the layer's own notices go (Windows-1250): that SAPI 5 cannot be reached or
    // is not speaking. Without one they go unsaid.
    void setNotice(std::function<void(const std::string& text)> notice)
    {
        notice_ = std::move(notice);
    }
    const Profile& profile() const { return hosts_.profile; }

    // Main window creation, before the settings are read: drops every SAPI 4 object, then
    // makes the audio destination and the enumerator; a failure leaves them empty, silently.
    void initspeech();
    // After the settings are read: the engine the settings file names ("Voice"/"SAPI5").
    void usesavedengine();
    // The engine given: SAPI 5 when `usesapi5`, else SAPI 4 waiting for a voice.
    void useengine(bool usesapi5);
    // SAPI 4 voices can be listed (initspeech made the enumerator).
    bool voicesavailable() const { return state_.ttsenum != nullptr; }
    // The voice dialog's creation: the notification sink, kept for the whole run.
    void createnotifysink();

    void say(const std::string& text) override;
    void saynowait(const std::string& text) override;
    void stopspeech() override;
    // SAPI 5 takes the name as markup and is not waited for; SAPI 4 speaks it whether or
    // not speech is allowed, and waits as `say` does.
    void saykeyname(const std::string& name) override;
    bool engineready() const override { return state_.engineready; }
    // The `usesapi5submenu` command: switches engines, stores the choice, and shows it in
    // the item's check mark; the Voice item is enabled for SAPI 4 only.
    void switchengine(MenuItem& usesapi5submenu, MenuItem& Voicesubmenu);

    // The voice dialog's "reset": silences the SAPI 4 engine when one is selected.
    void audioreset();
    // Hands the SAPI 4 engine a control tag when one is selected.
    void inject(const std::string& tag);

    void voice5StartStream(int32_t streamNumber);
    void voice5EndStream(int32_t streamNumber);

private:
    // The voice selection fills in the SAPI 4 objects; the tests' fixture stands in for it.
    friend class VoiceSelection;
    friend struct testing::SpeechFixture;
    SpeechState& mutableState() { return state_; }

    void textdata(const std::string& text);
    // Serves the event queue while `speaking` holds, within the bound for `length` characters.
    void waitwhile(const bool& speaking, size_t length);
    void sapi4wait(size_t length);
    void sapi5wait(size_t length);
    void sapi5failed(const std::string& text);
    void connectvoice5();
    void tell(const std::string& text) const;

    SpeechHosts hosts_;
    Sapi4Factory sapi4_;
    SpeechState state_;
    VoiceSettings voiceSettings_;
    sapi5::TSpVoice voice5_;
    std::function<void(const std::string&)> notice_;
};

} // namespace tov::speech
