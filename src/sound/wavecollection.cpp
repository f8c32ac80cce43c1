// Playing the bank's items, and loading the bank.
#include "sound/wavecollection.h"

#include "common/atomic_file.h"
#include "sound/sounderrors.h"

#include <algorithm>
#include <optional>
#include <thread>

namespace tov::sound {
namespace {

constexpr auto kPollStep = std::chrono::milliseconds(10);
// What a waiting play allows beyond the wave's own length before it gives up.
constexpr auto kPlayMargin = std::chrono::milliseconds(500);

} // namespace

TWaveCollectionItem::TWaveCollectionItem(TWaveCollection& collection, StoredWave stored)
    : Name(std::move(stored.Name)), MaxPlayingCount(std::max(stored.MaxPlayingCount, 0)),
      Wave(std::move(stored.Wave)), collection_(collection), looped_(stored.Looped)
{
}

TDirectSound* TWaveCollectionItem::directsound() const
{
    return collection_.directsound();
}

void TWaveCollectionItem::freebuffers()
{
    extrabuffers_.clear();
    mainbuffer_.reset();
}

void TWaveCollectionItem::initialize()
{
    freebuffers();
    initialized_ = directsound() != nullptr;
}

void TWaveCollectionItem::finalize()
{
    freebuffers();
    initialized_ = false;
}

void TWaveCollectionItem::restore()
{
    if (!Wave.hasData()) {
        return;
    }
    TDirectSound* const ds = directsound();
    if (ds == nullptr) {
        return;
    }
    initialized_ = true;
    if (!mainbuffer_) {
        mainbuffer_ = ds->createsoundbuffer(Wave.format, static_cast<uint32_t>(Wave.data.size()));
    }
    mainbuffer_->fill(Wave.data);
    mainbuffer_->setfrequency(frequency_);
    mainbuffer_->setpan(pan_);
    mainbuffer_->setvolume(volume_);
}

TDirectSoundBuffer* TWaveCollectionItem::choosebuffer()
{
    for (auto& buffer : extrabuffers_) {
        if (!buffer->isplaying()) {
            return buffer.get();
        }
    }
    if (MaxPlayingCount == 0 || extrabuffers_.size() < static_cast<size_t>(MaxPlayingCount)) {
        if (!mainbuffer_ || directsound() == nullptr) {
            return nullptr;
        }
        extrabuffers_.push_back(directsound()->duplicatesoundbuffer(*mainbuffer_));
        return extrabuffers_.back().get();
    }
    // Every allowed voice is busy: cut off the oldest and let it be the newest.
    std::rotate(extrabuffers_.begin(), extrabuffers_.begin() + 1, extrabuffers_.end());
    return extrabuffers_.back().get();
}

std::chrono::milliseconds TWaveCollectionItem::playbound() const
{
    const auto format = parseWaveFormat(Wave.format);
    if (!format || format->blockAlign == 0) {
        return kPlayMargin;
    }
    int64_t rate = frequency_ == kFrequencyOriginal ? format->samplesPerSec : frequency_;
    // A rate the buffer would have refused leaves it slower, never faster, than this.
    rate = std::clamp<int64_t>(rate, kMinFrequency, kMaxFrequency);
    const int64_t frames = static_cast<int64_t>(Wave.data.size() / format->blockAlign);
    return std::chrono::milliseconds(frames * 1000 / rate + 1) + kPlayMargin;
}

void TWaveCollectionItem::play(Wait wait)
{
    if (!initialized_) {
        return;
    }
    if (looped_) {
        if (!mainbuffer_) {
            throw notMade(kSourceInterfaceName);
        }
        mainbuffer_->stop();
        mainbuffer_->setcurrentposition(0);
        mainbuffer_->play(PlayMode::Looping);
        return;
    }
    TDirectSoundBuffer* const buffer = choosebuffer();
    if (buffer == nullptr) {
        return;
    }
    buffer->stop();
    buffer->setcurrentposition(0);
    buffer->setfrequency(frequency_);
    buffer->setpan(pan_);
    buffer->setvolume(volume_);
    buffer->play(PlayMode::Once);
#if defined(__EMSCRIPTEN__)
    // The browser's page has one thread, and a sleep there spins: waiting for the cue would
    // freeze the page for its length. Web Audio plays the cue to its end by itself.
    wait = Wait::No;
#endif
    if (wait == Wait::Yes) {
        const auto deadline = std::chrono::steady_clock::now() + playbound();
        while (buffer->isplaying() && std::chrono::steady_clock::now() < deadline) {
            std::this_thread::sleep_for(kPollStep);
        }
    }
}

std::chrono::microseconds TWaveCollectionItem::playfor(std::chrono::milliseconds duration)
{
    if (!initialized_ || !looped_) {
        play(Wait::No);
        return duration;
    }
    if (!mainbuffer_) {
        throw notMade(kSourceInterfaceName);
    }
    // No stop first: the buffer itself tells a tone that carries on from one to restart.
    mainbuffer_->playfor(duration);
    if (mainbuffer_->result() != kOk) {
        return duration;
    }
    return std::min<std::chrono::microseconds>(mainbuffer_->timedleft(), duration);
}

void TWaveCollectionItem::stop()
{
    if (mainbuffer_) {
        mainbuffer_->stop();
    }
    for (auto& buffer : extrabuffers_) {
        buffer->stop();
    }
}

void TWaveCollectionItem::setlooped(bool looped)
{
    if (looped != looped_) {
        stop();
        looped_ = looped;
    }
}

void TWaveCollectionItem::setfrequency(int32_t hz)
{
    frequency_ = hz;
    if (initialized_ && mainbuffer_) {
        mainbuffer_->setfrequency(hz);
    }
}

void TWaveCollectionItem::setpan(int32_t pan)
{
    pan_ = pan;
    if (initialized_ && mainbuffer_) {
        mainbuffer_->setpan(pan);
    }
}

void TWaveCollectionItem::setvolume(int32_t volume)
{
    volume_ = volume;
    if (initialized_ && mainbuffer_) {
        mainbuffer_->setvolume(volume);
    }
}

// ---------------------------------------------------------------------------------------

TWaveCollectionItem& TWaveCollection::find(std::string_view name) const
{
    TWaveCollectionItem* const item = lookup(name);
    if (item == nullptr) {
        throw waveNotFound(name);
    }
    return *item;
}

void TWaveCollection::loadbank(const std::filesystem::path& file)
{
    const std::optional<std::string> bytes = files::readFile(file);
    if (!bytes) {
        clear();
        throw TovError("Cannot open file \"" + files::displayName(file) + "\"");
    }
    loadbankimage({reinterpret_cast<const uint8_t*>(bytes->data()), bytes->size()});
}

void TWaveCollection::loadbankimage(std::span<const uint8_t> bytes)
{
    clear();
    std::vector<StoredWave> stored = TWaveCollectionComponent::readbank(bytes);
    for (StoredWave& wave : stored) {
        add(std::make_unique<TWaveCollectionItem>(*this, std::move(wave)));
    }
    if (directsound_ != nullptr) {
        for (auto& item : *this) {
            item->initialize();
        }
        for (auto& item : *this) {
            item->restore();
        }
    }
}

} // namespace tov::sound
