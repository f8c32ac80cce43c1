// The braille chord keyboard: while braille mode is on, F D S J K L are the six dots of a
// braille cell and Space alone is the space chord. The chord's character is spoken while
// the keys are held and typed when the first of them is let go.
//
// 1. Every key press of the input line that produces a character runs the preview: it
//    clears the chord, swallows the character when it is printable (so the line never
//    gets the letters of the dot keys), decodes the held keys into the chord buffer and
//    echoes the first character that the chord would give under the current prefix,
//    without moving the prefix on. With auto-repeat the preview, and so the echo, repeats.
// 2. Every key release commits: the chord buffer is translated again, this time moving the
//    prefix on, the buffer is emptied, and the text (if any) goes in at the cursor. So the
//    first release of a chord types it, and every later release commits the empty chord.
// 3. A prefix chord types nothing: after the capital sign (dot 6) chord 12 gives "B" and
//    the prefix is spent; the capitals-string and number prefixes last until the space
//    chord or another prefix chord. The prefix outlives the input line, so a prefix typed
//    last before Enter applies to the first chord of the next line.
// All of this runs on the GUI thread inside the input line's key events.
#pragma once

#include "input/brailletables.h"
#include "input/heldkeys.h"
#include "input/keyecho.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace tov::input {

// The keyboard unit's state, one instance for the process.
struct KeyboardState {
    bool braillekeys = false; //: braille mode; the shell reads and writes its ini value
    HeldKeys held;            //: the keys down as the key messages have established so far
    std::string chordbuffer;  //: chord decoded at the last key press; committed at the next release
    std::string chordoutput;  //: text of the latest translation, waiting to be echoed or typed
    std::string currentprefix; //: "" or a prefix's name ("#cap"); kept across input lines
};

// The one instance. Tests reset it with `keyboardState() = {};`.
KeyboardState& keyboardState();

// The dot keys in dot order: F is dot 1, D dot 2, S dot 3, J dot 4, K dot 5, L dot 6.
inline constexpr int kDotKeys[6] = {'F', 'D', 'S', 'J', 'K', 'L'};

// The chord of the held keys: the held dots in ascending order ("14" for F and J, in
// whatever order they went down), Space ignored; " " for Space alone; "" otherwise.
std::string DecodeChord(const HeldKeys& held);

// The text the chord gives under `prefix`, which it updates: the space chord gives " "
// and ends any prefix; a prefix's chord selects it and gives ""; a character entry of the
// prefix's section (of [characters] when there is no prefix) gives its text and spends
// "#cap"; anything else, the empty chord included, gives "" and leaves the prefix alone.
std::string TranslateChord(std::string_view chord, std::string& prefix,
                           const BrailleTables& tables);

// The input line as the commit sees it; one byte is one character.
struct EditLine {
    std::string text;
    size_t cursor = 0; //: 0 is before the first character, text.size() after the last
};

// What the preview at a key press decided: whether the line must not see the character,
// and the character to echo ("" for none).
struct ChordPreview {
    bool swallowed = false;
    std::string echo;
};

// The preview at a key press of the input line that produced the character `code`: the
// character is swallowed when it is printable (code 32 or more). Nothing is spoken here,
// so the caller can let the line take a control key (Backspace) before the echo waits.
ChordPreview previewChord(KeyboardState& state, const BrailleTables& tables, unsigned char code);
// The same, echoing at once. True when the character is to be swallowed.
bool previewChord(KeyboardState& state, const BrailleTables& tables, unsigned char code,
                  const KeyEcho& echokey);

// The echo the preview would give, for a chord that no held keys made: the first
// character that the chord buffer gives under the current prefix, which it leaves as it
// is. A chord typed on a braille display calls it with a copy of the state taken before
// its commit, so that the commit's key cues come before the echo's wait.
void echoChord(const KeyboardState& state, const KeyEcho& echokey);

// The X server's auto-repeat, when the client has not asked XKB to make it detectable,
// sends a release of the held key and at once a press of it, both stamped with the same
// server time. True when the press of `pressedKey` at `pressedAt` is the second half of
// such a pair begun by the release of `releasedKey` at `releasedAt` (milliseconds; 0 is
// no time at all, as on events the program makes itself). A finger cannot lift and press
// a key again within kRepeatPairSlack.
inline constexpr uint64_t kRepeatPairSlack = 10;
bool isAutoRepeatPair(int releasedKey, uint64_t releasedAt, int pressedKey, uint64_t pressedAt);

// The commit at a key release of the input line. The text goes at the end with the cursor
// after it, or, with the cursor inside the line, at the cursor with the cursor moved one
// place to the right.
void commitChord(KeyboardState& state, const BrailleTables& tables, EditLine& line);

} // namespace tov::input
