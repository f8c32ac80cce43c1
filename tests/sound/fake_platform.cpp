// The recording double of the sound platform.
#include "fake_platform.h"

#include "common/tov_error.h"
#include "sound/wave.h"

namespace tov::testing {
namespace {

using sound::Result;

class FakeBuffer final : public sound::PlatformBuffer {
public:
    FakeBuffer(FakeWorld& world, std::shared_ptr<FakeBufferState> state)
        : world_(world), state_(std::move(state))
    {
    }
    ~FakeBuffer() override { state_->alive = false; }

    Result lock(std::span<uint8_t>& first, std::span<uint8_t>& second) override
    {
        const Result r = call("lock");
        if (r == sound::kOk) {
            // Hand the memory out in two pieces, as a ring buffer may, to prove that the
            // library fills both.
            auto& memory = *state_->memory;
            const size_t half = memory.size() / 2;
            first = std::span<uint8_t>(memory).first(half);
            second = std::span<uint8_t>(memory).subspan(half);
        }
        return r;
    }
    Result unlock() override
    {
        const Result r = call("unlock");
        ++state_->fills;
        return r;
    }
    Result play(sound::PlayMode mode) override
    {
        const bool looping = mode == sound::PlayMode::Looping;
        const Result r = call(looping ? "play(loop)" : "play(once)");
        if (r == sound::kOk) {
            state_->playing = true;
            state_->looping = looping;
            ++state_->plays;
            statuses_ = 0;
        }
        return r;
    }
    Result playFor(std::chrono::microseconds length) override
    {
        const Result r = call("playfor(" + std::to_string(length.count() / 1000) + "ms)");
        if (r == sound::kOk) {
            state_->playing = true;
            state_->looping = true;
            ++state_->plays;
            statuses_ = 0;
            timed_ = length;
        }
        return r;
    }
    // The fake has no clock: a timed play lasts its whole length until it is stopped.
    std::chrono::microseconds timedLeft() override
    {
        return state_->playing ? timed_ : std::chrono::microseconds{0};
    }
    Result stop() override
    {
        const Result r = call("stop");
        if (r == sound::kOk) {
            state_->playing = false;
        }
        return r;
    }
    Result setCurrentPosition(uint32_t position) override
    {
        const Result r = call("position(" + std::to_string(position) + ")");
        if (r == sound::kOk) {
            state_->position = position;
        }
        return r;
    }
    Result setFrequency(int32_t hz) override
    {
        Result r = call("frequency(" + std::to_string(hz) + ")");
        if (hz != sound::kFrequencyOriginal &&
            (hz < sound::kMinFrequency || hz > sound::kMaxFrequency)) {
            r = sound::kInvalidParam;
        }
        if (r == sound::kOk) {
            state_->frequency = hz;
        }
        return r;
    }
    Result setPan(int32_t pan) override
    {
        Result r = call("pan(" + std::to_string(pan) + ")");
        if (pan < sound::kPanLeft || pan > sound::kPanRight) {
            r = sound::kInvalidParam;
        }
        if (r == sound::kOk) {
            state_->pan = pan;
        }
        return r;
    }
    Result setVolume(int32_t volume) override
    {
        Result r = call("volume(" + std::to_string(volume) + ")");
        if (volume < sound::kVolumeSilent || volume > sound::kVolumeFull) {
            r = sound::kInvalidParam;
        }
        if (r == sound::kOk) {
            state_->volume = volume;
        }
        return r;
    }
    Result getStatus(uint32_t& status) override
    {
        // Status queries are frequent; they are not logged, only counted.
        ++state_->statusQueries;
        const Result r = world_.next("status");
        if (state_->playing && !state_->looping && state_->statusesUntilEnd >= 0 &&
            ++statuses_ > state_->statusesUntilEnd) {
            state_->playing = false;
        }
        status = state_->playing
                     ? sound::kStatusPlaying | (state_->looping ? sound::kStatusLooping : 0)
                     : 0;
        return r;
    }

    const std::shared_ptr<FakeBufferState>& state() const { return state_; }

private:
    Result call(const std::string& what)
    {
        world_.log.push_back("b" + std::to_string(state_->id) + "." + what);
        const auto paren = what.find('(');
        return world_.next(paren == std::string::npos ? what : what.substr(0, paren));
    }

    FakeWorld& world_;
    std::shared_ptr<FakeBufferState> state_;
    int statuses_ = 0;
    std::chrono::microseconds timed_{0}; //: the length of the last timed play
};

class FakeDevice final : public sound::PlatformDevice {
public:
    explicit FakeDevice(FakeWorld& world) : world_(world) {}

    Result createSoundBuffer(std::span<const uint8_t> format, uint32_t size,
                             std::unique_ptr<sound::PlatformBuffer>& buffer) override
    {
        const auto fields = sound::parseWaveFormat(format);
        if (world_.refuseBuffers || !fields || fields->channels == 0) {
            return sound::kInvalidParam;
        }
        auto state = make();
        state->memory = std::make_shared<std::vector<uint8_t>>(size);
        world_.log.push_back("create b" + std::to_string(state->id));
        buffer = std::make_unique<FakeBuffer>(world_, state);
        return sound::kOk;
    }

    Result duplicateSoundBuffer(sound::PlatformBuffer& original,
                                std::unique_ptr<sound::PlatformBuffer>& duplicate) override
    {
        const auto& from = dynamic_cast<FakeBuffer&>(original).state();
        auto state = make();
        state->duplicateOf = from->id;
        state->memory = from->memory;
        state->frequency = from->frequency;
        state->pan = from->pan;
        state->volume = from->volume;
        world_.log.push_back("duplicate b" + std::to_string(from->id) + " as b" +
                             std::to_string(state->id));
        duplicate = std::make_unique<FakeBuffer>(world_, state);
        return sound::kOk;
    }

private:
    std::shared_ptr<FakeBufferState> make()
    {
        auto state = std::make_shared<FakeBufferState>();
        state->id = static_cast<int>(world_.buffers.size()) + 1;
        state->statusesUntilEnd = world_.defaultStatusesUntilEnd;
        world_.buffers.push_back(state);
        return state;
    }

    FakeWorld& world_;
};

} // namespace

sound::PlatformOpener FakeWorld::opener()
{
    return [this]() -> std::unique_ptr<sound::PlatformDevice> {
        ++opens;
        if (!openFailure.empty()) {
            throw TovError(openFailure);
        }
        return std::make_unique<FakeDevice>(*this);
    };
}

int FakeWorld::aliveCount() const
{
    int n = 0;
    for (const auto& b : buffers) {
        n += b->alive ? 1 : 0;
    }
    return n;
}

int FakeWorld::playingCount() const
{
    int n = 0;
    for (const auto& b : buffers) {
        n += b->alive && b->playing ? 1 : 0;
    }
    return n;
}

void FakeWorld::finishAll()
{
    for (const auto& b : buffers) {
        if (!b->looping) {
            b->playing = false;
        }
    }
}

std::string FakeWorld::logSince(size_t from) const
{
    std::string out;
    for (size_t i = from; i < log.size(); ++i) {
        out += (out.empty() ? "" : " ") + log[i];
    }
    return out;
}

sound::Result FakeWorld::next(const std::string& call)
{
    const auto it = scripted.find(call);
    if (it == scripted.end() || it->second.empty()) {
        return sound::kOk;
    }
    const sound::Result r = it->second.front();
    it->second.pop_front();
    return r;
}

} // namespace tov::testing
