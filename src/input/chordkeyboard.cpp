// Decoding, translating, previewing and committing braille chords.
#include "input/chordkeyboard.h"

namespace tov::input {

KeyboardState& keyboardState()
{
    static KeyboardState state;
    return state;
}

std::string DecodeChord(const HeldKeys& held)
{
    std::string chord;
    for (size_t dot = 0; dot < std::size(kDotKeys); ++dot) {
        if (held.isHeld(kDotKeys[dot])) {
            chord.push_back(static_cast<char>('1' + dot));
        }
    }
    if (chord.empty() && held.isHeld(vk::kSpace)) {
        chord = kSpaceChord;
    }
    return chord;
}

std::string TranslateChord(std::string_view chord, std::string& prefix, const BrailleTables& tables)
{
    if (chord == kSpaceChord) {
        prefix.clear();
        return std::string(kSpaceChord);
    }
    // The release of an arrow, Shift or Backspace commits the empty chord. It is no cell,
    // so it types nothing even where a table line has lost its dots ("a=").
    if (chord.empty()) {
        return {};
    }
    for (const brlpreftype& entry : tables.prefixes()) {
        if (entry.dots == chord) {
            prefix = entry.name;
            return {};
        }
    }
    for (const brlchartype& entry : tables.characters()) {
        if (entry.dots == chord && entry.prefix == prefix) {
            if (prefix == kCapitalPrefix) {
                prefix.clear();
            }
            return entry.character;
        }
    }
    return {};
}

ChordPreview previewChord(KeyboardState& state, const BrailleTables& tables, unsigned char code)
{
    state.chordoutput.clear();
    state.chordbuffer.clear();
    ChordPreview preview;
    preview.swallowed = code >= ' ';
    state.chordbuffer = DecodeChord(state.held);
    // A copy: only the commit moves the prefix on, so the character heard while the keys
    // are held is the one typed when they are let go.
    std::string prefix = state.currentprefix;
    state.chordoutput = TranslateChord(state.chordbuffer, prefix, tables);
    preview.echo = state.chordoutput.substr(0, 1);
    return preview;
}

bool previewChord(KeyboardState& state, const BrailleTables& tables, unsigned char code,
                  const KeyEcho& echokey)
{
    const ChordPreview preview = previewChord(state, tables, code);
    if (!preview.echo.empty()) {
        echokey(preview.echo);
    }
    return preview.swallowed;
}

void echoChord(const KeyboardState& state, const KeyEcho& echokey)
{
    // A copy, as in the preview: after the capital sign, chord 1 echoes "A" and the
    // prefix stays for the commit that the caller makes.
    std::string prefix = state.currentprefix;
    const std::string output = TranslateChord(state.chordbuffer, prefix, echokey.tables);
    if (!output.empty()) {
        echokey(output.substr(0, 1));
    }
}

bool isAutoRepeatPair(int releasedKey, uint64_t releasedAt, int pressedKey, uint64_t pressedAt)
{
    if (releasedKey != pressedKey || releasedAt == 0 || pressedAt == 0 || pressedAt < releasedAt) {
        return false;
    }
    return pressedAt - releasedAt <= kRepeatPairSlack;
}

void commitChord(KeyboardState& state, const BrailleTables& tables, EditLine& line)
{
    state.chordoutput = TranslateChord(state.chordbuffer, state.currentprefix, tables);
    state.chordbuffer.clear();
    if (!state.chordoutput.empty()) {
        if (line.cursor >= line.text.size()) {
            line.text += state.chordoutput;
            line.cursor = line.text.size();
        } else {
            line.text.insert(line.cursor, state.chordoutput);
            ++line.cursor;
        }
    }
    state.chordoutput.clear();
}

} // namespace tov::input
