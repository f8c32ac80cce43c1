// say, saynowait, stopspeech, saykeyname and the engine switch.
#include "speech/speechlayer.h"

#include "common/localizer.h"
#include "common/profile.h"
#include "common/text.h"
#include "common/tov_error.h"
#include "runtime/switchtones.h"

namespace tov::speech {
namespace {

constexpr int32_t kSayFlags = sapi5::SVSFlagsAsync;
constexpr int32_t kEchoFlags = sapi5::SVSFlagsAsync | sapi5::SVSFIsXML;
constexpr int32_t kStopFlags = sapi5::SVSFPurgeBeforeSpeak;

} // namespace

sapi4::HRESULT TTTSNotifySink::AudioStart(uint64_t)
{
    state_.sapi4speaking = true;
    ++state_.engineevents;
    return sapi4::S_OK;
}

sapi4::HRESULT TTTSNotifySink::AudioStop(uint64_t)
{
    state_.sapi4speaking = false;
    ++state_.engineevents;
    return sapi4::S_OK;
}

SpeechLayer::SpeechLayer(SpeechHosts hosts, Sapi4Factory sapi4, sapi5::TSpVoice::Connector voice5)
    : hosts_(hosts), sapi4_(std::move(sapi4)), voice5_(std::move(voice5))
{
    voice5_.OnStartStream = [this](int32_t stream) { voice5StartStream(stream); };
    voice5_.OnEndStream = [this](int32_t stream) { voice5EndStream(stream); };
    voice5_.OnFailure = [this](const std::string& text) { sapi5failed(text); };
}

void SpeechLayer::tell(const std::string& text) const
{
    if (notice_) {
        notice_(text);
    }
}

void SpeechLayer::connectvoice5()
{
    // The connection finishes on the engine's own thread; nothing here waits for it.
    try {
        voice5_.connect();
    } catch (const TovError& error) {
        sapi5failed(error.what());
    }
}

void SpeechLayer::sapi5failed(const std::string& text)
{
    // Known unreachable: later lines are handed over (the engine keeps trying) but not
    // waited for, or a wedged service would cost every line its whole bound.
    state_.sapi5silent = true;
    if (state_.sapi5failureshown) {
        return; // said once; it stays unreachable until it speaks again
    }
    state_.sapi5failureshown = true;
    // The engine's reason starts with the service's name.
    const std::string reason = text.starts_with("speech-dispatcher: ")
                                   ? text.substr(std::string_view("speech-dispatcher: ").size())
                                   : text;
    tell(message(Message::SpeechdUnreachable) + " " + reason);
}

void SpeechLayer::initspeech()
{
    state_.ttsattributes.reset();
    state_.ttscentral.reset();
    state_.ttsenum.reset();
    state_.audiodestination.reset();
    state_.selectedmode.reset();
    state_.registrationkey = 0;
    try {
        state_.audiodestination = sapi4_.createAudioDestination();
        state_.ttsenum = sapi4_.createEnumerator();
    } catch (const std::exception&) {
        // No SAPI 4 voices then; the settings dialogs tell the user when it matters.
    }
}

void SpeechLayer::usesavedengine()
{
    useengine(hosts_.profile.read(settings::kSapi5));
}

void SpeechLayer::useengine(bool usesapi5)
{
    state_.usesapi5 = usesapi5;
    state_.engineready = usesapi5;
    if (usesapi5) {
        connectvoice5();
    }
}

void SpeechLayer::createnotifysink()
{
    if (state_.notifysink == nullptr) {
        state_.notifysink = std::make_shared<TTTSNotifySink>(state_);
    }
}

void SpeechLayer::voice5StartStream(int32_t)
{
    state_.sapi5speaking = true;
    ++state_.engineevents;
    ++state_.sapi5starts;
    state_.sapi5silent = false;
    state_.sapi5failureshown = false;
}

void SpeechLayer::voice5EndStream(int32_t)
{
    state_.sapi5speaking = false;
    ++state_.engineevents;
}

void SpeechLayer::waitwhile(const bool& speaking, size_t length)
{
    EventQueue& queue = hosts_.queue;
    const auto bound = kSilentWaitPerCharacter * static_cast<int64_t>(length) + kSilentWaitMargin;
    auto deadline = queue.now() + bound;
    uint64_t heard = state_.engineevents;
    while (speaking) {
        queue.processUntil([&] { return !speaking || state_.engineevents != heard; }, deadline);
        if (!speaking) {
            return;
        }
        if (state_.engineevents != heard) {
            // The engine is alive: give it the whole bound again from here.
            heard = state_.engineevents;
            deadline = queue.now() + bound;
        } else if (queue.now() >= deadline) {
            return; // nothing heard: the engine is not going to report the end
        }
    }
}

void SpeechLayer::textdata(const std::string& text)
{
    const sapi4::SDATA data{text.c_str(), static_cast<uint32_t>(text.size() + 1)};
    sapi4::olecheck(state_.ttscentral->TextData(sapi4::CHARSET_TEXT, 0, data, nullptr,
                                                sapi4::IID_ITTSBufNotifySink));
}

void SpeechLayer::sapi4wait(size_t length)
{
    // The engine's AudioStart is pending by now; one pass over the queue lets it in.
    hosts_.queue.processPending();
    waitwhile(state_.sapi4speaking, length);
}

void SpeechLayer::sapi5wait(size_t length)
{
    if (state_.sapi5silent) {
        return; // a stream never started: the next start is news, waiting is not
    }
    EventQueue& queue = hosts_.queue;
    const uint64_t starts = state_.sapi5starts;
    const auto deadline = queue.now() + kSapi5StartBound;
    queue.processUntil([&] { return !state_.sapi5speaking || state_.sapi5starts != starts; },
                       deadline);
    if (state_.sapi5speaking && state_.sapi5starts == starts) {
        state_.sapi5silent = true;
        state_.sapi5speaking = false;
        if (!state_.sapi5failureshown) { // an unreachable service has been named already
            tell(message(Message::SpeechdSilent));
        }
        return;
    }
    waitwhile(state_.sapi5speaking, length);
}

void SpeechLayer::say(const std::string& text)
{
    if (state_.usesapi5) {
        if (text.empty()) {
            return;
        }
        state_.sapi5speaking = true;
        voice5_.Speak(text::toUtf8(text), kSayFlags);
        sapi5wait(text.size());
        voice5_.raisePendingError();
        return;
    }
    if (!state_.voiceallowed || text.empty() || state_.ttscentral == nullptr) {
        return;
    }
    textdata(text);
    sapi4wait(text.size());
}

void SpeechLayer::saynowait(const std::string& text)
{
    if (state_.usesapi5) {
        voice5_.Speak(text::toUtf8(text), kSayFlags);
        return;
    }
    if (state_.voiceallowed && !text.empty() && state_.ttscentral != nullptr) {
        textdata(text);
    }
}

void SpeechLayer::stopspeech()
{
    if (state_.usesapi5) {
        voice5_.Speak(std::string(), kStopFlags);
        return;
    }
    if (state_.engineready && state_.sapi4speaking && state_.ttscentral != nullptr) {
        sapi4::olecheck(state_.ttscentral->AudioReset());
    }
}

void SpeechLayer::saykeyname(const std::string& name)
{
    if (!state_.engineready || name.empty()) {
        return;
    }
    if (state_.usesapi5) {
        voice5_.Speak(text::toUtf8(name), kEchoFlags);
        return;
    }
    if (state_.ttscentral == nullptr) {
        return;
    }
    textdata(name);
    sapi4wait(name.size());
}

void SpeechLayer::switchengine(MenuItem& usesapi5submenu, MenuItem& Voicesubmenu)
{
    const bool on = !state_.usesapi5;
    state_.usesapi5 = on;
    state_.engineready = on;
    usesapi5submenu.setChecked(on);
    Voicesubmenu.setEnabled(!on);
    if (on) {
        state_.sapi5failureshown = false; // chosen anew: a failure is worth saying again
        connectvoice5();
    }
    hosts_.profile.write(settings::kSapi5, on);
    runtime::playSwitchTones(hosts_.sounds, on ? runtime::Switched::On : runtime::Switched::Off);
}

void SpeechLayer::audioreset()
{
    if (state_.ttscentral != nullptr) {
        sapi4::olecheck(state_.ttscentral->AudioReset());
    }
}

void SpeechLayer::inject(const std::string& tag)
{
    if (state_.ttscentral != nullptr) {
        sapi4::olecheck(state_.ttscentral->Inject(tag.c_str()));
    }
}

} // namespace tov::speech
