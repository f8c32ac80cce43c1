// The SAPI 5 voice as the speech layer uses it: `voice5`, a TSpVoice component that
// connects to its engine on first use, speaks with Speak(text, flags) and reports the
// start and end of each stream. Behind it stands an ISpeechVoice: speech-dispatcher in
// the program (speechdvoice.h), a recording double in tests.
//
// Stream events reach the component on the GUI thread (the engine posts them there).
// An engine failure found after Speak returned (the service broke off, say) ends the
// stream and goes to OnFailure; without that handler it is kept and the component's next
// call raises it. Setting the event interests only records them until the engine is
// connected: a program that never speaks through SAPI 5 never reaches its engine.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace tov::speech::sapi5 {

// Speak flags (SpeechVoiceSpeakFlags).
inline constexpr int32_t SVSFlagsAsync = 1;
inline constexpr int32_t SVSFPurgeBeforeSpeak = 2;
inline constexpr int32_t SVSFIsXML = 8;

// Event interests (SpeechVoiceEvents).
inline constexpr int32_t SVEStartInputStream = 2;
inline constexpr int32_t SVEEndInputStream = 4;
inline constexpr int32_t SVEVoiceChange = 8;
inline constexpr int32_t SVEBookmark = 16;
inline constexpr int32_t SVEWordBoundary = 32;
inline constexpr int32_t SVEPhoneme = 64;
inline constexpr int32_t SVESentenceBoundary = 128;
inline constexpr int32_t SVEViseme = 256;
inline constexpr int32_t SVEAudioLevel = 512;
inline constexpr int32_t SVEPrivate = 32768;
inline constexpr int32_t SVEAllEvents = 33790;

// What an engine tells its component, on the GUI thread.
class VoiceEvents {
public:
    virtual ~VoiceEvents() = default;
    virtual void startStream(int32_t streamNumber) = 0;
    virtual void endStream(int32_t streamNumber) = 0;
    virtual void failed(const std::string& text) = 0;
};

// The engine behind the component. Speak hands the text over and returns; it never waits
// for the engine.
class ISpeechVoice {
public:
    virtual ~ISpeechVoice() = default;
    virtual void setEventInterests(int32_t interests) = 0;
    // `utf8` is the text (UTF-8, as the engine reads it); throws TovError when the engine
    // refuses the request at once.
    virtual void Speak(const std::string& utf8, int32_t flags) = 0;
};

class TSpVoice {
public:
    // Connects an engine whose events go to `events` (held weakly: posted events for a
    // component that is gone are dropped). Throws TovError when the engine cannot be
    // reached.
    using Connector =
        std::function<std::unique_ptr<ISpeechVoice>(std::weak_ptr<VoiceEvents> events)>;

    explicit TSpVoice(Connector connect);
    ~TSpVoice();
    TSpVoice(const TSpVoice&) = delete;
    TSpVoice& operator=(const TSpVoice&) = delete;

    // Records the interests, and hands them to the engine once it is connected.
    void setEventInterests(int32_t interests);
    // Connects the engine first when it is not connected yet, and raises a failure kept
    // from before.
    void Speak(const std::string& utf8, int32_t flags);
    // Connects the engine now (it may finish connecting later) when it is not connected.
    void connect();

    int32_t EventInterests() const { return interests_; }
    bool isConnected() const { return engine_ != nullptr; }
    // Raises the failure the engine reported since the last call, if any.
    void raisePendingError();

    std::function<void(int32_t streamNumber)> OnStartStream;
    std::function<void(int32_t streamNumber)> OnEndStream;
    std::function<void(const std::string& text)> OnFailure;

private:
    class Relay;

    Connector connect_;
    std::shared_ptr<Relay> relay_;
    std::unique_ptr<ISpeechVoice> engine_;
    int32_t interests_ = 0;
    std::optional<std::string> pendingError_; //: an engine failure not yet raised
};

} // namespace tov::speech::sapi5
