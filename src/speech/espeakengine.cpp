// The espeak-ng enumerator, its central and attributes, and the synthesis worker.
#include "speech/espeakengine.h"

#include "common/text.h"
#include "common/tov_error.h"
#include "sound/audiodevice.h"
#include "speech/audiostream.h"
#include "speech/controltags.h"
#include "speech/pulsestream.h"

#include <algorithm>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <thread>

namespace tov::speech::espeak {
namespace {

using namespace std::chrono_literals;
using sapi4::HRESULT;

// How often the worker looks at a playing source to learn that it has finished. It
// sleeps through half of what is left to play (at most kLongestPoll, since a loopback
// device plays only as fast as it is rendered), and near the end every kPlaybackPoll:
// the latest AudioStop comes that long after the last sample.
constexpr auto kPlaybackPoll = 10ms;
constexpr auto kLongestPoll = 100ms;
// Synthesis runs far ahead of playback; beyond this much queued speech it waits.
constexpr auto kMaximumAhead = 30s;
// How long the worker waits for the sound server to take a stream of its own.
constexpr auto kServerAnswer = 2000ms;

constexpr uint32_t kChannelMask = 0xFFFF;
constexpr uint32_t kFullChannels = 0xFFFFFFFF;
constexpr uint16_t kMaximumTagVolume = 0xFFFF;
constexpr const char* kManufacturer = "eSpeak NG";

class MMAudioDest final : public sapi4::IAudioMultiMediaDevice {
public:
    explicit MMAudioDest(std::shared_ptr<sound::AudioDevice> device) : device_(std::move(device)) {}
    std::shared_ptr<sound::AudioDevice> device() const override { return device_; }

private:
    std::shared_ptr<sound::AudioDevice> device_;
};

uint64_t fnv1a(std::string_view bytes, uint64_t hash)
{
    for (const char c : bytes) {
        hash ^= static_cast<uint8_t>(c);
        hash *= 0x100000001B3ull;
    }
    return hash;
}

// Sinks registered with one central. GUI thread only.
struct Sinks {
    std::map<uint32_t, std::shared_ptr<sapi4::ITTSNotifySinkA>> byKey;
    uint32_t nextKey = 1;
};

uint64_t timestamp()
{
    // Hundreds of nanoseconds, as the platform's file times count.
    return static_cast<uint64_t>(std::chrono::duration_cast<std::chrono::nanoseconds>(
                                     std::chrono::steady_clock::now().time_since_epoch())
                                     .count() /
                                 100);
}

class Central final : public sapi4::ITTSCentralA,
                      public sapi4::ITTSAttributesA,
                      public std::enable_shared_from_this<Central> {
public:
    Central(std::shared_ptr<Library> library, const Voice& voice,
            std::shared_ptr<sound::AudioDevice> device, GuiPoster& poster)
        : library_(std::move(library)), poster_(poster), voiceName_(voice.name),
          device_(std::move(device)),
          stream_(std::make_unique<AudioStream>(device_, library_->sampleRate()))
    {
        worker_ = std::thread([this] {
            speakToTheServer();
            work();
        });
    }

    ~Central() override
    {
        {
            const std::lock_guard guard(lock_);
            stopping_ = true;
            ++generation_;
            jobs_.clear();
        }
        wake_.notify_all();
        worker_.join();
    }

    Central(const Central&) = delete;
    Central& operator=(const Central&) = delete;

    // --- ITTSCentralA ---
    HRESULT QueryInterface(const sapi4::IID& iid,
                           std::shared_ptr<sapi4::ITTSAttributesA>& out) override
    {
        if (!(iid == sapi4::IID_ITTSAttributesA)) {
            return sapi4::E_NOINTERFACE;
        }
        out = shared_from_this();
        return sapi4::S_OK;
    }

    HRESULT TextData(sapi4::VOICECHARSET charset, uint32_t, sapi4::SDATA data, void*,
                     const sapi4::IID&) override
    {
        if (charset != sapi4::CHARSET_TEXT) {
            return sapi4::E_NOTIMPL; // phonetic input is not understood
        }
        if (data.pData == nullptr && data.dwSize != 0) {
            return sapi4::E_INVALIDARG;
        }
        const auto* bytes = static_cast<const char*>(data.pData);
        const std::string_view text(bytes, data.pData == nullptr ? 0 : strnlen(bytes, data.dwSize));
        Job job{text::toUtf8(text), settings(), leftGain(), rightGain(), 0};
        {
            const std::lock_guard guard(lock_);
            job.generation = generation_;
            jobs_.push_back(std::move(job));
            if (!busy_) {
                busy_ = true;
                notify(Notification::AudioStart);
            }
        }
        wake_.notify_all();
        return sapi4::S_OK;
    }

    HRESULT AudioReset() override
    {
        {
            const std::lock_guard guard(lock_);
            ++generation_;
            jobs_.clear();
            stream_->stop();
            if (busy_) {
                busy_ = false;
                notify(Notification::AudioStop);
            }
        }
        wake_.notify_all();
        return sapi4::S_OK;
    }

    HRESULT Inject(const char* tags) override
    {
        if (tags == nullptr) {
            return sapi4::E_INVALIDARG;
        }
        for (const ControlTag& tag : parseControlTags(tags)) {
            switch (tag.kind) {
            case TagKind::Speed:
                SpeedSet(tag.value);
                break;
            case TagKind::Pitch:
                PitchSet(static_cast<uint16_t>(std::min<uint32_t>(tag.value, 0xFFFF)));
                break;
            case TagKind::Volume: {
                const uint32_t half = std::min<uint32_t>(tag.value, kMaximumTagVolume);
                VolumeSet(half | (half << 16));
                break;
            }
            }
        }
        return sapi4::S_OK;
    }

    HRESULT Register(std::shared_ptr<sapi4::ITTSNotifySinkA> sink, const sapi4::IID& iid,
                     uint32_t* key) override
    {
        if (!(iid == sapi4::IID_ITTSNotifySinkA)) {
            return sapi4::E_NOINTERFACE;
        }
        if (sink == nullptr || key == nullptr) {
            return sapi4::E_INVALIDARG;
        }
        *key = sinks_->nextKey++;
        sinks_->byKey[*key] = std::move(sink);
        return sapi4::S_OK;
    }

    HRESULT UnRegister(uint32_t key) override
    {
        return sinks_->byKey.erase(key) == 1 ? sapi4::S_OK : sapi4::TTSERR_NOTREGISTERED;
    }

    // --- ITTSAttributesA ---
    HRESULT PitchGet(uint16_t* pitch) override
    {
        if (pitch == nullptr) {
            return sapi4::E_INVALIDARG;
        }
        *pitch = pitch_;
        return sapi4::S_OK;
    }
    HRESULT PitchSet(uint16_t pitch) override
    {
        pitch_ = std::min<uint16_t>(pitch, kMaximumPitch);
        return sapi4::S_OK;
    }
    HRESULT SpeedGet(uint32_t* speed) override
    {
        if (speed == nullptr) {
            return sapi4::E_INVALIDARG;
        }
        *speed = speed_;
        return sapi4::S_OK;
    }
    HRESULT SpeedSet(uint32_t speed) override
    {
        speed_ = std::clamp<uint32_t>(speed, kMinimumRate, kMaximumRate);
        return sapi4::S_OK;
    }
    HRESULT VolumeGet(uint32_t* volume) override
    {
        if (volume == nullptr) {
            return sapi4::E_INVALIDARG;
        }
        *volume = volume_;
        return sapi4::S_OK;
    }
    HRESULT VolumeSet(uint32_t volume) override
    {
        volume_ = volume; // every value is within the two 16-bit halves
        return sapi4::S_OK;
    }

private:
    enum class Notification { AudioStart, AudioStop };

    struct Job {
        std::string utf8;
        SynthSettings settings; //: taken when the text was handed over
        float left;
        float right;
        uint64_t generation; //: an AudioReset since then makes the job stale
    };

    uint32_t louderHalf() const { return std::max(volume_ & kChannelMask, volume_ >> 16); }
    float gainOf(uint32_t half) const
    {
        const uint32_t loud = louderHalf();
        return loud == 0 ? 0.0f : static_cast<float>(half) / static_cast<float>(loud);
    }
    float leftGain() const { return gainOf(volume_ & kChannelMask); }
    float rightGain() const { return gainOf(volume_ >> 16); }

    SynthSettings settings() const
    {
        const int volume = static_cast<int>(
            std::lround(static_cast<double>(louderHalf()) * kFullVolume / kChannelMask));
        return {voiceName_, static_cast<int>(speed_), static_cast<int>(pitch_), volume};
    }

    // Called with lock_ held, from either thread; the sinks hear it on the GUI thread.
    void notify(Notification which)
    {
        poster_.post([sinks = std::weak_ptr<Sinks>(sinks_), which, at = timestamp()] {
            const auto alive = sinks.lock();
            if (!alive) {
                return; // the central is gone, and with it whoever listened
            }
            const auto listeners = alive->byKey; // a sink may unregister while it hears
            for (const auto& [key, sink] : listeners) {
                if (which == Notification::AudioStart) {
                    sink->AudioStart(at);
                } else {
                    sink->AudioStop(at);
                }
            }
        });
    }

    std::chrono::milliseconds pollInterval() const
    {
        const auto left = std::chrono::milliseconds(stream_->framesAhead() * 1000 /
                                                    static_cast<size_t>(stream_->sampleRate()));
        return std::clamp<std::chrono::milliseconds>(left / 2, kPlaybackPoll, kLongestPoll);
    }

    size_t maximumAheadFrames() const
    {
        return static_cast<size_t>(stream_->sampleRate()) *
               static_cast<size_t>(std::chrono::seconds(kMaximumAhead).count());
    }

    // The synthesis callback's half, on the worker: false ends the synthesis. The job's
    // silence is dropped and its opening gathered (UtteranceOpening): a key's echo is
    // heard as soon as it is synthesised.
    bool feed(const Job& job, std::span<const int16_t> samples, UtteranceOpening& opening)
    {
        samples = opening.take(samples);
        if (samples.empty()) {
            const std::lock_guard guard(lock_);
            return !stopping_ && job.generation == generation_;
        }
        return deliver(job, samples);
    }

    // Queues `samples` once the stream is less than kMaximumAhead ahead; false when the
    // job has been cut off meanwhile.
    bool deliver(const Job& job, std::span<const int16_t> samples)
    {
        std::unique_lock guard(lock_);
        while (!stopping_ && job.generation == generation_ &&
               stream_->framesAhead() > maximumAheadFrames()) {
            wake_.wait_for(guard, kPlaybackPoll);
            stream_->recycle();
        }
        if (stopping_ || job.generation != generation_) {
            return false;
        }
        stream_->queue(samples, job.left, job.right);
        return true;
    }

    // Where OpenAL plays through a sound server, the speech goes to that server in a
    // stream of its own, which is heard sooner (speech/pulsestream.h). Asked for on the
    // worker, so that no caller waits for the server; the jobs wait until it has answered.
    void speakToTheServer()
    {
        if (device_->kind() != sound::AudioDevice::Kind::System || !device_->onSoundServer()) {
            return;
        }
        auto direct = PulseStream::open(device_, library_->sampleRate(), kServerAnswer);
        if (direct == nullptr) {
            return; // OpenAL's source speaks
        }
        const std::lock_guard guard(lock_);
        stream_->stop();
        stream_ = std::move(direct);
    }

    void work()
    {
        std::unique_lock guard(lock_);
        while (!stopping_) {
            if (jobs_.empty()) {
                if (!busy_) {
                    wake_.wait(guard);
                    continue;
                }
                stream_->recycle();
                if (stream_->isPlaying()) {
                    wake_.wait_for(guard, pollInterval());
                } else {
                    busy_ = false;
                    notify(Notification::AudioStop);
                }
                continue;
            }
            const Job job = std::move(jobs_.front());
            jobs_.pop_front();
            guard.unlock();
            // A failed synthesis has spoken what it could; the queue goes on.
            UtteranceOpening opening(library_->sampleRate());
            library_->synthesize(job.settings, job.utf8,
                                 [this, &job, &opening](auto s) { return feed(job, s, opening); });
            if (!opening.rest().empty()) {
                deliver(job, opening.rest()); // an utterance shorter than its opening
            }
            guard.lock();
        }
    }

    const std::shared_ptr<Library> library_;
    GuiPoster& poster_;
    const std::string voiceName_;
    // Attributes and sinks: GUI thread only.
    uint32_t speed_ = 175;
    uint16_t pitch_ = 50;
    uint32_t volume_ = kFullChannels;
    const std::shared_ptr<Sinks> sinks_ = std::make_shared<Sinks>();

    std::mutex lock_; //: guards what follows, and every call on the stream
    std::condition_variable wake_;
    std::deque<Job> jobs_;
    uint64_t generation_ = 0; //: counts AudioResets
    bool busy_ = false;       //: AudioStart posted, AudioStop not yet
    bool stopping_ = false;
    const std::shared_ptr<sound::AudioDevice> device_;
    std::unique_ptr<SpeechOutput> stream_;
    std::thread worker_; //: started last, joined first
};

class TTSEnumerator final : public sapi4::ITTSEnumA {
public:
    TTSEnumerator(std::shared_ptr<Library> library, GuiPoster& poster)
        : library_(std::move(library)), poster_(poster)
    {
    }

    HRESULT Next(uint32_t count, sapi4::TTSMODEINFOA* records, uint32_t* fetched) override
    {
        if (records == nullptr || (fetched == nullptr && count != 1)) {
            return sapi4::E_INVALIDARG;
        }
        const auto& voices = library_->voices();
        uint32_t done = 0;
        while (done < count && position_ < voices.size()) {
            records[done++] = recordOf(voices[position_++]);
        }
        if (fetched != nullptr) {
            *fetched = done;
        }
        return done == count ? sapi4::S_OK : sapi4::S_FALSE;
    }

    HRESULT Reset() override
    {
        position_ = 0;
        return sapi4::S_OK;
    }

    HRESULT Select(const sapi4::GUID& modeID, std::shared_ptr<sapi4::ITTSCentralA>& central,
                   const std::shared_ptr<sapi4::IAudioMultiMediaDevice>& audio) override
    {
        const auto& voices = library_->voices();
        const auto voice = std::find_if(voices.begin(), voices.end(),
                                        [&](const Voice& v) { return modeIdOf(v) == modeID; });
        if (voice == voices.end()) {
            return sapi4::TTSERR_INVALIDMODE;
        }
        if (audio == nullptr || audio->device() == nullptr) {
            return sapi4::TTSERR_NOAUDIO;
        }
        try {
            central = std::make_shared<Central>(library_, *voice, audio->device(), poster_);
        } catch (const TovError&) {
            return sapi4::TTSERR_NOAUDIO; // OpenAL has no source left
        }
        return sapi4::S_OK;
    }

private:
    static sapi4::TTSMODEINFOA recordOf(const Voice& voice)
    {
        sapi4::TTSMODEINFOA record;
        record.gEngineID = kEngineID;
        sapi4::setField(record.szMfgName, kManufacturer);
        sapi4::setField(record.szProductName, kManufacturer);
        record.gModeID = modeIdOf(voice);
        sapi4::setField(record.szModeName, text::fromUtf8(voice.name));
        sapi4::setField(record.language.szDialect, voice.language);
        sapi4::setField(record.szSpeaker, text::fromUtf8(voice.name));
        record.wGender = voice.gender == 2   ? sapi4::GENDER_FEMALE
                         : voice.gender == 1 ? sapi4::GENDER_MALE
                                             : sapi4::GENDER_NEUTRAL;
        record.wAge = static_cast<uint16_t>(std::max(voice.age, 0));
        return record;
    }

    const std::shared_ptr<Library> library_;
    GuiPoster& poster_;
    size_t position_ = 0; //: the next voice that Next hands out
};

} // namespace

sapi4::GUID modeIdOf(const Voice& voice)
{
    const uint64_t high = fnv1a(voice.identifier, 0xCBF29CE484222325ull);
    const uint64_t low = fnv1a(voice.identifier, high ^ 0x9E3779B97F4A7C15ull);
    sapi4::GUID id;
    id.Data1 = static_cast<uint32_t>(high >> 32);
    id.Data2 = static_cast<uint16_t>(high >> 16);
    id.Data3 = static_cast<uint16_t>((high & 0x0FFF) | 0x5000); // a name-based identifier
    for (size_t i = 0; i < id.Data4.size(); ++i) {
        id.Data4[i] = static_cast<uint8_t>(low >> (8 * (7 - i)));
    }
    id.Data4[0] = static_cast<uint8_t>((id.Data4[0] & 0x3F) | 0x80);
    return id;
}

std::shared_ptr<sapi4::IAudioMultiMediaDevice> createAudioDestination()
{
    return audioDestinationOn(sound::AudioDevice::acquire());
}

std::shared_ptr<sapi4::IAudioMultiMediaDevice>
audioDestinationOn(std::shared_ptr<sound::AudioDevice> device)
{
    return std::make_shared<MMAudioDest>(std::move(device));
}

std::shared_ptr<sapi4::ITTSEnumA> createEnumerator(GuiPoster& poster)
{
    return std::make_shared<TTSEnumerator>(Library::acquire(), poster);
}

} // namespace tov::speech::espeak
