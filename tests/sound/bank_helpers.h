// Small banks for the tests, written by the same writer as our shipped bank.
#pragma once

#include "bankwriter.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tov::testing {

// A 16-bit mono item of `frames` samples, each holding `fill`.
inline tools::BankItem waveItem(std::string name, bool looped = false, int32_t maxPlayingCount = 0,
                                size_t frames = 64, int16_t fill = 1000)
{
    tools::BankItem item;
    item.name = std::move(name);
    item.looped = looped;
    item.maxPlayingCount = maxPlayingCount;
    item.samples.assign(frames, fill);
    return item;
}

inline std::vector<uint8_t> bankOf(const std::vector<tools::BankItem>& items)
{
    return tools::writeBank(items);
}

} // namespace tov::testing
