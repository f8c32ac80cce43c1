// The keyboard as the key handlers see it: virtual-key codes and the shift state of one
// key message. The handlers are written against these codes; the Qt side translates its
// key events into them in one place (qtkeys.h).
#pragma once

#include <cstdint>

namespace tov::input {

// Virtual-key codes. Letters and digits are their capital ASCII codes ('F' is 70).
namespace vk {
inline constexpr int kUnknown = 0; //: a key that none of the handlers names
inline constexpr int kBack = 8;
inline constexpr int kTab = 9;
inline constexpr int kReturn = 13;
inline constexpr int kShift = 16;
inline constexpr int kControl = 17;
inline constexpr int kMenu = 18; //: Alt
inline constexpr int kPause = 19;
inline constexpr int kCapital = 20; //: Caps Lock
inline constexpr int kEscape = 27;
inline constexpr int kSpace = 32;
inline constexpr int kPrior = 33; //: Page Up
inline constexpr int kNext = 34;  //: Page Down
inline constexpr int kEnd = 35;
inline constexpr int kHome = 36;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kSnapshot = 44;
inline constexpr int kInsert = 45;
inline constexpr int kDelete = 46;
inline constexpr int kLWin = 91;
inline constexpr int kApps = 93;
inline constexpr int kNumpad0 = 96;
inline constexpr int kF1 = 112;
inline constexpr int kF2 = 113;
inline constexpr int kF3 = 114;
inline constexpr int kF4 = 115;
inline constexpr int kF24 = 135;
inline constexpr int kNumLock = 144;
inline constexpr int kScroll = 145;
//: the "/ ?" key of the US layout, which the ordinary echo leaves silent
inline constexpr int kOem2 = 191;
inline constexpr int kCount = 256;

constexpr bool isArrow(int key)
{
    return key >= kLeft && key <= kDown;
}
} // namespace vk

// The shift state of a key message.
enum class Modifier : uint8_t { None = 0, Shift = 1, Ctrl = 2, Alt = 4 };

class Modifiers {
public:
    constexpr Modifiers() = default;
    constexpr Modifiers(Modifier m) : bits_(static_cast<uint8_t>(m)) {}
    constexpr Modifiers operator|(Modifiers other) const { return fromBits(bits_ | other.bits_); }
    constexpr bool has(Modifier m) const { return (bits_ & static_cast<uint8_t>(m)) != 0; }
    constexpr bool operator==(const Modifiers&) const = default;

private:
    static constexpr Modifiers fromBits(int bits)
    {
        Modifiers m;
        m.bits_ = static_cast<uint8_t>(bits);
        return m;
    }
    uint8_t bits_ = 0;
};

constexpr Modifiers operator|(Modifier a, Modifier b)
{
    return Modifiers(a) | Modifiers(b);
}

} // namespace tov::input
