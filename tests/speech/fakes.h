// Recording doubles of both speech engines, of the GUI event queue and of the voice
// dialog's controls. Every engine call lands in one ordered log, so a test can say what
// reached the engines and in which order.
#pragma once

#include "doubles/doubles.h"
#include "speech/guithread.h"
#include "speech/sapi4.h"
#include "speech/sapi5.h"
#include "speech/speechlayer.h"
#include "speech/voicecontrols.h"

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <vector>

namespace tov::speech::testing {

using namespace std::chrono_literals;

// The GUI queue with a clock of its own. Posted calls run at the next pass; calls posted
// "later" stand for what an engine does a while afterwards and run when the queue would
// otherwise sleep. A wait with nothing left to run sleeps to its deadline at once.
class FakeQueue final : public GuiPoster, public EventQueue {
public:
    void post(std::function<void()> call) override { now_.push_back(std::move(call)); }
    void postLater(std::function<void()> call) { later_.push_back(std::move(call)); }
    void processPending() override;
    void processUntil(const std::function<bool()>& done, Clock::time_point deadline) override;
    Clock::time_point now() const override { return clock; }

    Clock::time_point clock{};
    int pendingPasses = 0; //: calls of processPending
    int waits = 0;         //: calls of processUntil
    size_t waiting() const { return now_.size() + later_.size(); }

private:
    bool runNow();
    std::deque<std::function<void()>> now_;
    std::deque<std::function<void()>> later_;
};

// When the fake engines report the end of what they were given.
enum class Ending {
    Later,  //: start at once, end a while later
    Never,  //: start at once, never end (a broken service)
    Silent, //: neither start nor end (a service whose audio output is broken)
};

struct Range {
    uint32_t min = 0;
    uint32_t max = 0;
    uint32_t current = 0;
    bool implemented = true;
};

struct TextDataCall {
    sapi4::VOICECHARSET charset;
    uint32_t flags;
    std::string bytes; //: every byte handed over, the terminator included
    const void* notify;
    sapi4::IID iid;
};

class FakeCentral final : public sapi4::ITTSCentralA,
                          public sapi4::ITTSAttributesA,
                          public std::enable_shared_from_this<FakeCentral> {
public:
    FakeCentral(FakeQueue& queue, tov::testing::EventLog& log, std::string name)
        : queue_(queue), log_(log), name_(std::move(name))
    {
    }

    sapi4::HRESULT QueryInterface(const sapi4::IID& iid,
                                  std::shared_ptr<sapi4::ITTSAttributesA>& out) override;
    sapi4::HRESULT TextData(sapi4::VOICECHARSET charset, uint32_t flags, sapi4::SDATA text,
                            void* notify, const sapi4::IID& iid) override;
    sapi4::HRESULT AudioReset() override;
    sapi4::HRESULT Inject(const char* tags) override;
    sapi4::HRESULT Register(std::shared_ptr<sapi4::ITTSNotifySinkA> sink, const sapi4::IID& iid,
                            uint32_t* key) override;
    sapi4::HRESULT UnRegister(uint32_t key) override;

    sapi4::HRESULT PitchGet(uint16_t* pitch) override;
    sapi4::HRESULT PitchSet(uint16_t pitch) override;
    sapi4::HRESULT SpeedGet(uint32_t* speed) override;
    sapi4::HRESULT SpeedSet(uint32_t speed) override;
    sapi4::HRESULT VolumeGet(uint32_t* volume) override;
    sapi4::HRESULT VolumeSet(uint32_t volume) override;

    // The engine stops speaking: AudioStop reaches the sinks at the next pass.
    void finish();

    Ending ending = Ending::Later;
    bool startsLate = false;              //: AudioStart only comes after the caller's first pass
    sapi4::HRESULT failure = sapi4::S_OK; //: what TextData, AudioReset and Inject return
    Range speed{80, 450, 175};
    Range pitch{0, 100, 50};
    Range volume{0, 0xFFFFFFFF, 0xFFFFFFFF};

    std::vector<TextDataCall> texts;
    std::vector<std::string> tags;
    int resets = 0;
    std::map<uint32_t, std::shared_ptr<sapi4::ITTSNotifySinkA>> sinks;
    std::vector<sapi4::IID> registeredIIDs;
    bool speaking = false;
    const std::string& name() const { return name_; }

private:
    void notify(bool start);
    sapi4::HRESULT get(const Range& range, uint32_t* value);
    sapi4::HRESULT set(Range& range, uint32_t value);

    FakeQueue& queue_;
    tov::testing::EventLog& log_;
    std::string name_;
    uint32_t nextKey_ = 41;
    uint64_t generation_ = 0; //: a reset makes a pending "later" end stale
};

class FakeEnumerator final : public sapi4::ITTSEnumA {
public:
    FakeEnumerator(FakeQueue& queue, tov::testing::EventLog& log, std::vector<std::string> names);

    sapi4::HRESULT Next(uint32_t count, sapi4::TTSMODEINFOA* records, uint32_t* fetched) override;
    sapi4::HRESULT Reset() override;
    sapi4::HRESULT Select(const sapi4::GUID& modeID, std::shared_ptr<sapi4::ITTSCentralA>& central,
                          const std::shared_ptr<sapi4::IAudioMultiMediaDevice>& audio) override;

    static sapi4::GUID idOf(size_t index);

    // Applied to each central as it is selected.
    std::function<void(FakeCentral&)> prepare;
    std::vector<std::shared_ptr<FakeCentral>> centrals; //: every central selected, in order
    std::vector<const sapi4::IAudioMultiMediaDevice*> audioGiven;
    int nexts = 0;

private:
    FakeQueue& queue_;
    tov::testing::EventLog& log_;
    std::vector<std::string> names_;
    size_t position_ = 0;
};

class FakeAudioDestination final : public sapi4::IAudioMultiMediaDevice {
public:
    std::shared_ptr<sound::AudioDevice> device() const override { return nullptr; }
};

class FakeVoice final : public sapi5::ISpeechVoice {
public:
    FakeVoice(FakeQueue& queue, tov::testing::EventLog& log,
              std::weak_ptr<sapi5::VoiceEvents> events)
        : queue_(queue), log_(log), events_(std::move(events))
    {
    }
    void setEventInterests(int32_t interests) override;
    void Speak(const std::string& utf8, int32_t flags) override;
    // What the real voice does when the service fails a command: the failure, then the
    // end of the stream.
    void fail(const std::string& text);

    struct Spoken {
        std::string utf8;
        int32_t flags;
        bool operator==(const Spoken&) const = default;
    };
    std::vector<Spoken> spoken;
    std::vector<int32_t> interests;
    Ending ending = Ending::Later;

private:
    FakeQueue& queue_;
    tov::testing::EventLog& log_;
    std::weak_ptr<sapi5::VoiceEvents> events_;
    int32_t nextStream_ = 1;
    uint64_t generation_ = 0; //: a purge makes pending ends come at once instead
};

// --- the voice dialog's controls ---

class FakeCaption final : public Captioned {
public:
    explicit FakeCaption(std::string text) : text_(std::move(text)) {}
    std::string caption() const override { return text_; }

private:
    std::string text_;
};

} // namespace tov::speech::testing
