// The braille display's messages in the localised string tables, after the program's
// own: the Settings item, its spoken name, and what switching it says.
#pragma once

namespace tov::braille {

inline constexpr int kBrailleDisplayMessage = 55;     //: the Settings item's caption
inline constexpr int kBrailleDisplayNameMessage = 56; //: the item's spoken name
inline constexpr int kNoDisplayMessage = 57;          //: switched on, and no display answered
inline constexpr int kDisplayOnMessage = 58;
inline constexpr int kDisplayOffMessage = 59;

} // namespace tov::braille
