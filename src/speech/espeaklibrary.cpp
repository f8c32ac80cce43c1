// Initialising espeak-ng, listing its voices and synthesising through its callback.
#include "speech/espeaklibrary.h"

#include "common/tov_error.h"

#include <espeak-ng/speak_lib.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <future>
#include <thread>

namespace tov::speech::espeak {
namespace {

// Milliseconds of samples per callback: small, so the first sound is handed over early.
constexpr int kBufferMilliseconds = 20;
constexpr std::string_view kCzech = "cs";
constexpr std::string_view kMbrolaFolder = "mb/";

// How long acquire waits for an initialisation that prepare started: espeak-ng reads
// its phoneme data and every voice file, some 15 ms here; a data folder that hangs (a
// dead network mount) must not hang the program with it.
constexpr auto kInitialisationBound = std::chrono::seconds(5);

struct LibraryState {
    std::mutex lock;
    // espeak-ng hangs when it is initialised again after espeak_Terminate, so the one
    // library stays until the process ends.
    std::shared_ptr<Library> open;
    //: the initialisation prepare started on its worker thread, until acquire takes it
    std::shared_future<std::shared_ptr<Library>> preparing;
};

LibraryState& state()
{
    static LibraryState s;
    return s;
}

// One synthesis, reached from the callback through espeak-ng's user data. No exception
// may cross espeak-ng's C frames: a failing receiver or observer ends the synthesis.
struct SynthJob {
    const Library::SampleReceiver& receiver;
    const std::function<void(std::string_view)>& observer;
    bool stopped = false;

    void receive(std::span<const int16_t> samples) noexcept
    {
        try {
            stopped = !receiver(samples);
        } catch (...) {
            stopped = true;
        }
    }
    void phoneme(std::string_view ipa) noexcept
    {
        try {
            if (observer) {
                observer(ipa);
            }
        } catch (...) {
            stopped = true;
        }
    }
};

int synthCallback(short* samples, int count, espeak_EVENT* events)
{
    SynthJob* job = nullptr;
    for (espeak_EVENT* e = events; e != nullptr; ++e) {
        if (e->user_data != nullptr) {
            job = static_cast<SynthJob*>(e->user_data);
        }
        if (e->type == espeakEVENT_LIST_TERMINATED) {
            break;
        }
        if (job != nullptr && e->type == espeakEVENT_PHONEME) {
            const char* ipa = e->id.string;
            job->phoneme(std::string_view(ipa, strnlen(ipa, sizeof e->id.string)));
        }
    }
    if (job == nullptr || job->stopped) {
        return 1;
    }
    if (samples != nullptr && count > 0) {
        job->receive(std::span<const int16_t>(reinterpret_cast<const int16_t*>(samples),
                                              static_cast<size_t>(count)));
    }
    return job->stopped ? 1 : 0;
}

// The first language of espeak-ng's list: a priority byte, then the name and its zero.
std::string firstLanguage(const char* languages)
{
    if (languages == nullptr || languages[0] == '\0') {
        return {};
    }
    return std::string(languages + 1);
}

std::vector<Voice> listVoices()
{
    std::vector<Voice> czech;
    std::vector<Voice> others;
    const espeak_VOICE** list = espeak_ListVoices(nullptr);
    for (size_t i = 0; list != nullptr && list[i] != nullptr; ++i) {
        const espeak_VOICE* v = list[i];
        if (v->name == nullptr || v->identifier == nullptr) {
            continue;
        }
        Voice voice{v->name, v->identifier, firstLanguage(v->languages), v->gender, v->age};
        // MBROLA voices need a second synthesiser that this program does not install.
        if (voice.identifier.starts_with(kMbrolaFolder)) {
            continue;
        }
        (voice.language == kCzech ? czech : others).push_back(std::move(voice));
    }
    czech.insert(czech.end(), std::make_move_iterator(others.begin()),
                 std::make_move_iterator(others.end()));
    return czech;
}

} // namespace

Library::Library(int sampleRate, std::vector<Voice> voices)
    : sampleRate_(sampleRate), voices_(std::move(voices))
{
}

Library::~Library()
{
    espeak_Terminate();
}

std::shared_ptr<Library> Library::initialise()
{
    const int rate =
        espeak_Initialize(AUDIO_OUTPUT_SYNCHRONOUS, kBufferMilliseconds, nullptr,
                          espeakINITIALIZE_DONT_EXIT | espeakINITIALIZE_PHONEME_EVENTS |
                              espeakINITIALIZE_PHONEME_IPA);
    if (rate <= 0) {
        throw TovError("espeak-ng cannot be initialized");
    }
    espeak_SetSynthCallback(synthCallback);
    return std::shared_ptr<Library>(new Library(rate, listVoices()));
}

void Library::prepare()
{
    LibraryState& s = state();
    const std::lock_guard guard(s.lock);
    if (s.open != nullptr || s.preparing.valid()) {
        return;
    }
    std::packaged_task<std::shared_ptr<Library>()> task(&Library::initialise);
    s.preparing = task.get_future().share();
    // Detached: if espeak-ng never finishes, the process must still be able to end.
    std::thread(std::move(task)).detach();
}

std::shared_ptr<Library> Library::acquire()
{
    LibraryState& s = state();
    const std::lock_guard guard(s.lock);
    if (s.open != nullptr) {
        return s.open;
    }
    if (s.preparing.valid()) {
        if (s.preparing.wait_for(kInitialisationBound) != std::future_status::ready) {
            throw TovError("espeak-ng did not finish starting");
        }
        // A failed initialisation is not tried again: espeak-ng keeps half of its state.
        s.open = s.preparing.get(); // rethrows its TovError
        return s.open;
    }
    s.open = initialise();
    return s.open;
}

void Library::setPhonemeObserver(std::function<void(std::string_view)> observer)
{
    const std::lock_guard guard(lock_);
    phonemeObserver_ = std::move(observer);
}

bool Library::synthesize(const SynthSettings& settings, std::string_view utf8,
                         const SampleReceiver& receive)
{
    const std::lock_guard guard(lock_);
    if (settings.voice != currentVoice_) {
        if (espeak_SetVoiceByName(settings.voice.c_str()) != EE_OK) {
            currentVoice_.clear();
            return false;
        }
        currentVoice_ = settings.voice;
    }
    espeak_SetParameter(espeakRATE, std::clamp(settings.rate, kMinimumRate, kMaximumRate), 0);
    espeak_SetParameter(espeakPITCH, std::clamp(settings.pitch, 0, kMaximumPitch), 0);
    espeak_SetParameter(espeakVOLUME, std::clamp(settings.volume, 0, kFullVolume), 0);

    const std::string text(utf8); // espeak-ng reads up to the terminator
    SynthJob job{receive, phonemeObserver_};
    const espeak_ERROR result = espeak_Synth(text.c_str(), text.size() + 1, 0, POS_CHARACTER, 0,
                                             espeakCHARS_UTF8, nullptr, &job);
    return result == EE_OK;
}

} // namespace tov::speech::espeak
