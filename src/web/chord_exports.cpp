// The six-key braille keyboard in the page (page/chords.js). The page hands over the key
// events of the input field while braille mode is on; the desktop's chord keyboard
// (input/chordkeyboard.h) decodes, previews and commits them, with its table, its
// prefixes and its echo. The page inserts what a commit typed at the field's cursor.
//
// A key event arrives while the program is suspended in a wait, so what plays or speaks
// (the echo with its capital cue, the tones of Ctrl+B) is posted to the program
// (page::postToProgram); the chord itself is decided here and at once.
//
// The browser's key repeat: Chromium repeats a held key as presses marked `repeat`,
// without releases; other platforms send a release and a press with the same time. Both
// are the desktop's cases, and both are told apart as the input dialog does: a held
// release is committed only when no press of the same key follows within the slack.
#include "common/text.h"
#include "input/chordkeyboard.h"
#include "input/keyecho.h"
#include "input/tableloaders.h"
#include "runtime/switchtones.h"
#include "shell/settings.h"
#include "web/handout.h"
#include "web/pagebridge.h"
#include "web/webhost.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>

namespace {

using tov::input::keyboardState;
using tov::input::KeyboardState;

// What the last call typed into the field, for the page to insert: the text (UTF-8), the
// place it goes in at and where the cursor goes, in the field's characters.
struct Typed {
    std::string text;
    size_t at = 0;
    size_t cursor = 0;
};

// A release that commits a chord, held back in case the browser's repeat presses the same
// key again at once.
struct HeldRelease {
    int key = 0;
    uint64_t at = 0;
};

struct ChordPage {
    bool started = false;
    std::optional<Typed> typed;
    std::optional<HeldRelease> heldRelease;
    HeldRelease lastRelease; //: the last release of the field, held back or not
};

ChordPage& chordPage()
{
    static ChordPage state;
    return state;
}

// The event's time in whole milliseconds, never 0 (which is no time at all).
uint64_t millisecondsOf(double timestamp)
{
    if (!(timestamp > 0)) {
        return 1;
    }
    return static_cast<uint64_t>(std::ceil(timestamp));
}

// Speech and sounds as the program has them, or nothing before the host is made.
const tov::runtime::ConsoleHost* programHost()
{
    tov::web::WebHost* host = tov::web::current();
    return host != nullptr ? &host->console().host() : nullptr;
}

void echo(const std::string& text)
{
    if (text.empty()) {
        return;
    }
    tov::web::page::postToProgram([text] {
        if (const tov::runtime::ConsoleHost* host = programHost()) {
            tov::input::KeyEcho{*host->speech, *host->sounds, tov::input::brailleTables()}(text);
        }
    });
}

// The commit at a release, into the field's line as the page gave it.
void commit(const char* lineUtf8, int cursor)
{
    tov::input::EditLine line;
    line.text = tov::text::fromUtf8(lineUtf8 != nullptr ? lineUtf8 : "");
    line.cursor = std::min(static_cast<size_t>(std::max(cursor, 0)), line.text.size());
    const tov::input::EditLine before = line;
    tov::input::commitChord(keyboardState(), tov::input::brailleTables(), line);
    if (line.text.size() == before.text.size()) {
        return;
    }
    const std::string inserted =
        line.text.substr(before.cursor, line.text.size() - before.text.size());
    chordPage().typed = Typed{tov::text::toUtf8(inserted), before.cursor, line.cursor};
}

void flushRelease(const char* lineUtf8, int cursor)
{
    if (chordPage().heldRelease.has_value()) {
        chordPage().heldRelease.reset();
        commit(lineUtf8, cursor);
    }
}

using tov::web::handOut;

} // namespace

extern "C" {

// Once the program's host is made: the braille table and the key names are read, and
// braille mode is the stored setting. A table that cannot be read leaves the keyboard
// without chords or names, and the player is told, as on the desktop. 1 when braille mode
// is on.
EMSCRIPTEN_KEEPALIVE int tovana_chords_start()
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr) {
        return 0;
    }
    ChordPage& state = chordPage();
    if (!state.started) {
        state.started = true;
        keyboardState().braillekeys = tov::shell::readsettings(host->profile()).braillekeys;
        const std::string error = tov::input::loadKeyboardTablesTelling(
            [](const std::string& name) { return tov::web::locateFile(name); });
        keyboardState().currentprefix.clear();
        if (!error.empty()) {
            tov::web::page::postToProgram(
                [error] { tov::web::page::showMessage(tov::text::toUtf8(error)); });
        }
    }
    return keyboardState().braillekeys ? 1 : 0;
}

EMSCRIPTEN_KEEPALIVE int tovana_chords_on()
{
    return keyboardState().braillekeys ? 1 : 0;
}

// Ctrl+B and the menu's item: braille mode switched, the setting written and stored at
// once, and the rising (on) or falling (off) pair of tones played. 1 when it is now on.
EMSCRIPTEN_KEEPALIVE int tovana_chords_toggle()
{
    tov::web::WebHost* host = tov::web::current();
    if (host == nullptr) {
        return 0;
    }
    KeyboardState& keyboard = keyboardState();
    keyboard.braillekeys = !keyboard.braillekeys;
    const bool on = keyboard.braillekeys;
    tov::shell::GeneralSettings settings = tov::shell::readsettings(host->profile());
    settings.braillekeys = on;
    tov::shell::writesettings(host->profile(), settings);
    tov::web::page::persistUserFiles();
    tov::web::page::postToProgram([on] {
        if (const tov::runtime::ConsoleHost* program = programHost()) {
            tov::runtime::playSwitchTones(*program->sounds, on ? tov::runtime::Switched::On
                                                               : tov::runtime::Switched::Off);
        }
    });
    return on ? 1 : 0;
}

// A key went down in the field; `key` is its virtual key (input/virtualkeys.h), `code` the
// character it produces (0 for none, a control code for Enter, Backspace, Tab and
// Escape), `at` the event's time in milliseconds. A release held back is committed first,
// unless this press is the browser's repeat of that very key. With braille mode on, 1
// when the field must not take the key.
EMSCRIPTEN_KEEPALIVE int tovana_chord_key_down(int key, int code, double at, int repeat,
                                               const char* line, int cursor)
{
    ChordPage& state = chordPage();
    KeyboardState& keyboard = keyboardState();
    state.typed.reset();
    bool repeated = repeat != 0 || keyboard.held.isHeld(key);
    keyboard.held.press(key);
    if (tov::input::isAutoRepeatPair(state.lastRelease.key, state.lastRelease.at, key,
                                     millisecondsOf(at))) {
        repeated = true;
        if (state.heldRelease.has_value() && state.heldRelease->key == state.lastRelease.key) {
            // The key never went up: its chord is still held and must not be typed.
            state.heldRelease.reset();
        }
    }
    flushRelease(line, cursor);
    if (!keyboard.braillekeys || code <= 0) {
        return 0;
    }
    // Outside the code page a character is still a printable one.
    const unsigned char produced = code >= ' ' ? static_cast<unsigned char>(std::min(code, 255))
                                               : static_cast<unsigned char>(code);
    // A key still repeating after the first key of its chord was let go would start a
    // chord of the keys left down: the repeat only repeats the preview of a chord held.
    if (repeated && keyboard.chordbuffer.empty() && produced >= ' ') {
        return 1;
    }
    const tov::input::ChordPreview preview =
        tov::input::previewChord(keyboard, tov::input::brailleTables(), produced);
    echo(preview.echo);
    return preview.swallowed ? 1 : 0;
}

// A key of the field went up. Every release commits the chord pressed before it; one that
// commits a chord is held back, and then the result is 1: the page calls
// tovana_chord_flush after the wait for a repeat's press (tovana_chord_repeat_wait).
EMSCRIPTEN_KEEPALIVE int tovana_chord_key_up(int key, double at, const char* line, int cursor)
{
    ChordPage& state = chordPage();
    KeyboardState& keyboard = keyboardState();
    state.typed.reset();
    flushRelease(line, cursor);
    keyboard.held.release(key);
    state.lastRelease = HeldRelease{key, millisecondsOf(at)};
    if (!keyboard.braillekeys) {
        return 0;
    }
    if (keyboard.chordbuffer.empty()) {
        commit(line, cursor);
        return 0;
    }
    state.heldRelease = state.lastRelease;
    return 1;
}

// How long a release is held back, in milliseconds: as long as the desktop's input
// dialog waits, far longer than a repeat's pair takes and far shorter than a finger.
EMSCRIPTEN_KEEPALIVE int tovana_chord_repeat_wait()
{
    return 100;
}

// The wait for a repeat's press is over: the release held back commits.
EMSCRIPTEN_KEEPALIVE void tovana_chord_flush(const char* line, int cursor)
{
    chordPage().typed.reset();
    flushRelease(line, cursor);
}

// The field lost the focus: its releases go elsewhere, so no key is held any more.
EMSCRIPTEN_KEEPALIVE void tovana_chord_focus_lost()
{
    keyboardState().held.clear();
}

// What the last call typed (UTF-8, for the page to free), or nullptr; and where.
EMSCRIPTEN_KEEPALIVE char* tovana_chord_typed()
{
    const std::optional<Typed>& typed = chordPage().typed;
    return typed.has_value() ? handOut(typed->text) : nullptr;
}
EMSCRIPTEN_KEEPALIVE int tovana_chord_typed_at()
{
    const std::optional<Typed>& typed = chordPage().typed;
    return typed.has_value() ? static_cast<int>(typed->at) : 0;
}
EMSCRIPTEN_KEEPALIVE int tovana_chord_typed_cursor()
{
    const std::optional<Typed>& typed = chordPage().typed;
    return typed.has_value() ? static_cast<int>(typed->cursor) : 0;
}

} // extern "C"
