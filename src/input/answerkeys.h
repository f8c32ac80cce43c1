// Alt+1 to Alt+9, in the main window and the input dialog: say an answer of the game again,
// Alt+1 the last one, Alt+2 the one before it. Which answer a key asks for is decided
// here, once for both windows; what "saying" means (the program's voice or the screen
// reader's) is the shell's.
#pragma once

#include "input/virtualkeys.h"

#include <cstddef>
#include <functional>

namespace tov::input {

//: the digit keys' virtual-key codes are their characters
inline constexpr int kFirstAnswerKey = '1';
inline constexpr int kLastAnswerKey = '9';

// How far back the key asks (1 to 9), or 0 when it is no answer key. Alt alone: Ctrl+Alt
// on some layouts types characters (AltGr), and a Shift press is a different request.
constexpr size_t answerKeyBack(int key, Modifiers modifiers)
{
    const bool onlyAlt = modifiers == Modifiers(Modifier::Alt);
    if (!onlyAlt || key < kFirstAnswerKey || key > kLastAnswerKey) {
        return 0;
    }
    return static_cast<size_t>(key - '0');
}

// Says the answer that far back again, or that there is none.
using AnswerSayer = std::function<void(size_t back)>;

} // namespace tov::input
