// Which keys are down, as the key messages have established so far: a key is held from
// its press to its release as the program received them, whatever the hardware does
// meanwhile. A chord is decoded from this state at the key press being handled, so the
// decoding follows the order of the events even when the program was busy.
#pragma once

#include "input/virtualkeys.h"

#include <bitset>

namespace tov::input {

class HeldKeys {
public:
    void press(int key)
    {
        if (inRange(key)) {
            held_.set(static_cast<size_t>(key));
        }
    }
    void release(int key)
    {
        if (inRange(key)) {
            held_.reset(static_cast<size_t>(key));
        }
    }
    bool isHeld(int key) const { return inRange(key) && held_.test(static_cast<size_t>(key)); }
    // Every key up: the program has lost the keyboard and will not hear the releases.
    void clear() { held_.reset(); }
    bool none() const { return held_.none(); }

private:
    static constexpr bool inRange(int key) { return key > vk::kUnknown && key < vk::kCount; }
    std::bitset<vk::kCount> held_;
};

} // namespace tov::input
