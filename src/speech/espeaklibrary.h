// The espeak-ng library, owned once for the process: initialised at first use in
// synchronous mode (samples come back through a callback on the thread that asked for
// them) and terminated when the process ends. It is never initialised twice: espeak-ng
// hangs in a second espeak_Initialize after espeak_Terminate. espeak-ng keeps one global voice and
// one set of parameters, so every synthesis runs under this owner's lock.
//
// Facts this owner respects:
// - espeak-ng drops the letters of Windows-1250 bytes it does not know (š ž ť Š Ž):
//   texts arrive here as UTF-8.
// - espeak_Cancel does not stop synchronous synthesis; returning 1 from the synthesis
//   callback does. `synthesize` stops as soon as its sample receiver says so.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tov::speech::espeak {

struct Voice {
    std::string name;       //: as espeak-ng names it, UTF-8 ("Czech")
    std::string identifier; //: its file, relative to the voices folder ("zlw/cs")
    std::string language;   //: the first language it speaks ("cs")
    int gender = 0;         //: 0 none, 1 male, 2 female
    int age = 0;
};

// What one synthesis speaks with; values in espeak-ng's own units.
struct SynthSettings {
    std::string voice; //: a Voice::name
    int rate = 175;    //: words per minute
    int pitch = 50;    //: 0 to 100
    int volume = 100;  //: 0 to 100: above 100 espeak-ng compresses and clips
};

inline constexpr int kMinimumRate = 80;
inline constexpr int kMaximumRate = 450;
inline constexpr int kMaximumPitch = 100;
inline constexpr int kFullVolume = 100;

class Library {
public:
    // The open library, or espeak-ng initialised now. Throws TovError when espeak-ng or
    // its data cannot be loaded.
    // Waits at most a few seconds for an initialisation that prepare started.
    static std::shared_ptr<Library> acquire();
    // Starts initialising espeak-ng on a worker thread, so that it runs while the window
    // is being built; the first acquire takes the result.
    static void prepare();

    ~Library();
    Library(const Library&) = delete;
    Library& operator=(const Library&) = delete;

    // Every voice, the Czech ones first, then the others in espeak-ng's order.
    const std::vector<Voice>& voices() const { return voices_; }
    // Samples per second of every synthesis (16-bit mono).
    int sampleRate() const { return sampleRate_; }

    using SampleReceiver = std::function<bool(std::span<const int16_t> samples)>;
    // Synthesises `utf8` on the calling thread; `receive` gets the samples chunk by chunk
    // and returns false to stop at once. Returns false when espeak-ng failed.
    bool synthesize(const SynthSettings& settings, std::string_view utf8,
                    const SampleReceiver& receive);

    // Test and diagnosis hook: hears the IPA name of every phoneme synthesised from now on,
    // on the synthesising thread.
    void setPhonemeObserver(std::function<void(std::string_view ipa)> observer);

private:
    Library(int sampleRate, std::vector<Voice> voices);
    static std::shared_ptr<Library> initialise();

    const int sampleRate_;
    const std::vector<Voice> voices_;
    std::mutex lock_;          //: held through every call into espeak-ng
    std::string currentVoice_; //: the voice espeak-ng holds now, so it is loaded only once
    std::function<void(std::string_view)> phonemeObserver_;
};

} // namespace tov::speech::espeak
