// The device and buffer owners.
#include "sound/directsound.h"

#include "sound/sounderrors.h"

#include <algorithm>

namespace tov::sound {

Result TDirectSoundBuffer::check(Result result)
{
    result_ = result;
    if (result == kBufferLost) {
        lost_.bufferlost();
    }
    return result;
}

void TDirectSoundBuffer::fill(std::span<const uint8_t> samples)
{
    std::span<uint8_t> first;
    std::span<uint8_t> second;
    if (check(buffer_->lock(first, second)) != kOk) {
        throw cannotBeLocked(kSoundBufferName);
    }
    // The memory may come in two pieces; the samples run on from the first into the second.
    const size_t inFirst = std::min(first.size(), samples.size());
    const size_t inSecond = std::min(second.size(), samples.size() - inFirst);
    std::copy_n(samples.begin(), inFirst, first.begin());
    std::copy_n(samples.begin() + static_cast<std::ptrdiff_t>(inFirst), inSecond, second.begin());
    check(buffer_->unlock());
}

uint32_t TDirectSoundBuffer::status()
{
    uint32_t status = 0;
    if (check(buffer_->getStatus(status)) != kOk) {
        return 0;
    }
    return status;
}

std::unique_ptr<TDirectSoundBuffer> TDirectSound::createsoundbuffer(std::span<const uint8_t> format,
                                                                    uint32_t size)
{
    std::unique_ptr<PlatformBuffer> buffer;
    if (device_->createSoundBuffer(format, size, buffer) != kOk || !buffer) {
        throw cannotBeMade(kSoundBufferName);
    }
    return std::make_unique<TDirectSoundBuffer>(std::move(buffer), lost_);
}

std::unique_ptr<TDirectSoundBuffer> TDirectSound::duplicatesoundbuffer(TDirectSoundBuffer& original)
{
    std::unique_ptr<PlatformBuffer> buffer;
    if (device_->duplicateSoundBuffer(original.platform(), buffer) != kOk || !buffer) {
        throw cannotBeMade(kSoundBufferName);
    }
    return std::make_unique<TDirectSoundBuffer>(std::move(buffer), lost_);
}

} // namespace tov::sound
