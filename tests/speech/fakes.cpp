// The recording doubles' behaviour.
#include "fakes.h"

#include "common/text.h"

#include <algorithm>
#include <cstring>

namespace tov::speech::testing {

// --- FakeQueue ---

bool FakeQueue::runNow()
{
    if (now_.empty()) {
        return false;
    }
    std::deque<std::function<void()>> batch;
    batch.swap(now_);
    for (auto& call : batch) {
        call();
    }
    return true;
}

void FakeQueue::processPending()
{
    ++pendingPasses;
    runNow();
}

void FakeQueue::processUntil(const std::function<bool()>& done, Clock::time_point deadline)
{
    ++waits;
    while (true) {
        if (runNow()) {
            if (done()) {
                return;
            }
            continue;
        }
        if (done()) {
            return;
        }
        if (!later_.empty()) {
            clock += 100ms; // what an engine does "a while later"
            auto call = std::move(later_.front());
            later_.pop_front();
            call();
            if (done()) {
                return;
            }
            continue;
        }
        clock = std::max(clock, deadline);
        return;
    }
}

// --- FakeCentral ---

sapi4::HRESULT FakeCentral::QueryInterface(const sapi4::IID& iid,
                                           std::shared_ptr<sapi4::ITTSAttributesA>& out)
{
    log_.push_back("QueryInterface");
    if (!(iid == sapi4::IID_ITTSAttributesA)) {
        return sapi4::E_NOINTERFACE;
    }
    out = shared_from_this();
    return sapi4::S_OK;
}

void FakeCentral::notify(bool start)
{
    queue_.post([weak = weak_from_this(), start] {
        const auto self = weak.lock();
        if (!self) {
            return;
        }
        for (const auto& [key, sink] : self->sinks) {
            start ? sink->AudioStart(0) : sink->AudioStop(0);
        }
    });
}

void FakeCentral::finish()
{
    if (speaking) {
        speaking = false;
        notify(false);
    }
}

sapi4::HRESULT FakeCentral::TextData(sapi4::VOICECHARSET charset, uint32_t flags, sapi4::SDATA text,
                                     void* notify, const sapi4::IID& iid)
{
    const auto* bytes = static_cast<const char*>(text.pData);
    texts.push_back({charset, flags, std::string(bytes, text.dwSize), notify, iid});
    log_.push_back(std::string(tov::testing::kTextEntry) +
                   std::string(bytes, strnlen(bytes, text.dwSize)));
    if (sapi4::FAILED(failure)) {
        return failure;
    }
    if (!speaking) {
        speaking = true;
        if (startsLate) {
            queue_.postLater([weak = weak_from_this()] {
                if (const auto self = weak.lock()) {
                    self->notify(true);
                }
            });
        } else {
            this->notify(true);
        }
    }
    if (ending == Ending::Later) {
        queue_.postLater([weak = weak_from_this(), generation = generation_] {
            const auto self = weak.lock();
            if (self && self->generation_ == generation) {
                self->finish();
            }
        });
    }
    return sapi4::S_OK;
}

sapi4::HRESULT FakeCentral::AudioReset()
{
    ++resets;
    ++generation_;
    log_.push_back("AudioReset");
    finish();
    return failure;
}

sapi4::HRESULT FakeCentral::Inject(const char* text)
{
    tags.push_back(text);
    log_.push_back("Inject " + std::string(text));
    return failure;
}

sapi4::HRESULT FakeCentral::Register(std::shared_ptr<sapi4::ITTSNotifySinkA> sink,
                                     const sapi4::IID& iid, uint32_t* key)
{
    log_.push_back("Register");
    registeredIIDs.push_back(iid);
    if (sink == nullptr) {
        return sapi4::E_INVALIDARG;
    }
    *key = nextKey_++;
    sinks[*key] = std::move(sink);
    return sapi4::S_OK;
}

sapi4::HRESULT FakeCentral::UnRegister(uint32_t key)
{
    log_.push_back("UnRegister " + std::to_string(key));
    return sinks.erase(key) == 1 ? sapi4::S_OK : sapi4::TTSERR_NOTREGISTERED;
}

sapi4::HRESULT FakeCentral::get(const Range& range, uint32_t* value)
{
    if (!range.implemented) {
        return sapi4::E_NOTIMPL;
    }
    *value = range.current;
    return sapi4::S_OK;
}

sapi4::HRESULT FakeCentral::set(Range& range, uint32_t value)
{
    if (!range.implemented) {
        return sapi4::E_NOTIMPL;
    }
    range.current = std::clamp(value, range.min, range.max);
    return sapi4::S_OK;
}

sapi4::HRESULT FakeCentral::PitchGet(uint16_t* p)
{
    uint32_t v = 0;
    const sapi4::HRESULT hr = get(pitch, &v);
    *p = static_cast<uint16_t>(v);
    return hr;
}

sapi4::HRESULT FakeCentral::PitchSet(uint16_t p)
{
    return set(pitch, p);
}

sapi4::HRESULT FakeCentral::SpeedGet(uint32_t* s)
{
    return get(speed, s);
}

sapi4::HRESULT FakeCentral::SpeedSet(uint32_t s)
{
    return set(speed, s);
}

sapi4::HRESULT FakeCentral::VolumeGet(uint32_t* v)
{
    return get(volume, v);
}

sapi4::HRESULT FakeCentral::VolumeSet(uint32_t v)
{
    return set(volume, v);
}

// --- FakeEnumerator ---

FakeEnumerator::FakeEnumerator(FakeQueue& queue, tov::testing::EventLog& log,
                               std::vector<std::string> names)
    : queue_(queue), log_(log), names_(std::move(names))
{
}

sapi4::GUID FakeEnumerator::idOf(size_t index)
{
    return {0x1000 + static_cast<uint32_t>(index), 0x22, 0x33, {4, 5, 6, 7, 8, 9, 10, 11}};
}

sapi4::HRESULT FakeEnumerator::Next(uint32_t count, sapi4::TTSMODEINFOA* records, uint32_t* fetched)
{
    ++nexts;
    uint32_t done = 0;
    while (done < count && position_ < names_.size()) {
        sapi4::TTSMODEINFOA record;
        record.gModeID = idOf(position_);
        sapi4::setField(record.szModeName, names_[position_]);
        records[done++] = record;
        ++position_;
    }
    *fetched = done;
    return done == count ? sapi4::S_OK : sapi4::S_FALSE;
}

sapi4::HRESULT FakeEnumerator::Reset()
{
    position_ = 0;
    return sapi4::S_OK;
}

sapi4::HRESULT FakeEnumerator::Select(const sapi4::GUID& modeID,
                                      std::shared_ptr<sapi4::ITTSCentralA>& central,
                                      const std::shared_ptr<sapi4::IAudioMultiMediaDevice>& audio)
{
    for (size_t i = 0; i < names_.size(); ++i) {
        if (idOf(i) == modeID) {
            log_.push_back("Select " + names_[i]);
            auto made = std::make_shared<FakeCentral>(queue_, log_, names_[i]);
            if (prepare) {
                prepare(*made);
            }
            centrals.push_back(made);
            audioGiven.push_back(audio.get());
            central = made;
            return sapi4::S_OK;
        }
    }
    return sapi4::TTSERR_INVALIDMODE;
}

// --- FakeVoice ---

void FakeVoice::setEventInterests(int32_t value)
{
    interests.push_back(value);
    log_.push_back("EventInterests " + std::to_string(value));
}

void FakeVoice::Speak(const std::string& utf8, int32_t flags)
{
    spoken.push_back({utf8, flags});
    log_.push_back("Speak " + text::fromUtf8(utf8) + " " + std::to_string(flags));
    const auto post = [this](bool start, int32_t stream) {
        queue_.post([events = events_, start, stream] {
            if (const auto e = events.lock()) {
                start ? e->startStream(stream) : e->endStream(stream);
            }
        });
    };
    if ((flags & sapi5::SVSFPurgeBeforeSpeak) != 0) {
        ++generation_;
        post(false, 0); // the purged stream ends
    }
    if (utf8.empty() || ending == Ending::Silent) {
        return;
    }
    const int32_t stream = nextStream_++;
    post(true, stream);
    if (ending == Ending::Later) {
        queue_.postLater([this, post, stream, generation = generation_] {
            if (generation == generation_) {
                post(false, stream);
            }
        });
    }
}

void FakeVoice::fail(const std::string& text)
{
    queue_.post([events = events_, text] {
        if (const auto e = events.lock()) {
            e->failed(text);
            e->endStream(0);
        }
    });
}

} // namespace tov::speech::testing
