// The six-key braille chords on F D S J K L (and Space alone for the space), switched with
// Ctrl+B. The chord keyboard itself is the program's (web/chord_exports.cpp): this module
// hands it the input field's key presses and releases while braille mode is on, and
// inserts what a finished chord typed at the field's cursor. The echo and the tones of the
// switch are the program's too, through its speech and sounds.

// The virtual keys of the program's key handlers (input/virtualkeys.h), by the physical
// key: a chord is a place on the keyboard whatever the layout prints on it.
const kVirtualKeys = {
  Backspace: 8, Tab: 9, Enter: 13, NumpadEnter: 13, ShiftLeft: 16, ShiftRight: 16,
  ControlLeft: 17, ControlRight: 17, AltLeft: 18, AltRight: 18, Escape: 27, Space: 32,
  PageUp: 33, PageDown: 34, End: 35, Home: 36, ArrowLeft: 37, ArrowUp: 38, ArrowRight: 39,
  ArrowDown: 40, Delete: 46,
};

function virtualKey(code) {
  if (/^Key[A-Z]$/.test(code)) return code.charCodeAt(3);
  if (/^Digit[0-9]$/.test(code)) return code.charCodeAt(5);
  return kVirtualKeys[code] ?? 0;
}

// The character the key produces as the program's key handlers see it: a printable one,
// the control code of Enter, Backspace, Tab and Escape, or 0 (an arrow, a shortcut).
const kControlCodes = { Enter: 13, Backspace: 8, Tab: 9, Escape: 27 };
function producedCode(event) {
  if (event.ctrlKey || event.altKey || event.metaKey) return 0;
  if ([...event.key].length === 1) return event.key.codePointAt(0);
  return kControlCodes[event.key] ?? 0;
}

export function createChords(page) {
  const field = () => document.getElementById('inputline');
  let on = false;
  let flushTimer = null;
  const toggled = [];

  // Calls the program with the field's line and cursor as its last two arguments, then
  // puts in what the call typed.
  function withLine(call, ...values) {
    const module = page.module;
    const input = field();
    const text = input.value;
    const bytes = module.lengthBytesUTF8(text) + 1;
    const line = module._malloc(bytes);
    module.stringToUTF8(text, line, bytes);
    let result;
    try {
      result = call(...values, line, input.selectionStart ?? text.length);
    } finally {
      module._free(line);
    }
    insertTyped(input);
    return result;
  }

  function insertTyped(input) {
    const module = page.module;
    const typed = module._tovana_chord_typed();
    if (!typed) return;
    const text = module.UTF8ToString(typed);
    module._free(typed);
    const at = module._tovana_chord_typed_at();
    const cursor = module._tovana_chord_typed_cursor();
    input.setRangeText(text, at, at);
    input.setSelectionRange(cursor, cursor);
  }

  function inField(event) {
    return page.module && on && event.target === field();
  }

  function flushLater() {
    if (flushTimer !== null) clearTimeout(flushTimer);
    flushTimer = setTimeout(() => {
      flushTimer = null;
      if (page.module) withLine(page.module._tovana_chord_flush);
    }, page.module._tovana_chord_repeat_wait());
  }

  function toggle() {
    if (!page.module) return on;
    on = page.module._tovana_chords_toggle() !== 0;
    for (const callback of toggled) callback(on);
    return on;
  }

  function onKeyDown(event) {
    if (event.ctrlKey && !event.altKey && !event.metaKey && !event.shiftKey &&
        (event.code === 'KeyB' || event.key === 'b' || event.key === 'B')) {
      event.preventDefault();
      if (!event.repeat) toggle();
      return true;
    }
    if (!inField(event)) return false;
    const swallowed = withLine(page.module._tovana_chord_key_down, virtualKey(event.code),
      producedCode(event), event.timeStamp, event.repeat ? 1 : 0) !== 0;
    if (swallowed) event.preventDefault();
    return swallowed;
  }

  function onKeyUp(event) {
    if (!inField(event)) return;
    const held = withLine(page.module._tovana_chord_key_up, virtualKey(event.code), event.timeStamp);
    if (held !== 0) flushLater();
  }

  page.keyHandlers.push(onKeyDown);
  document.addEventListener('keyup', onKeyUp, true);
  // The releases of keys held while the field loses the focus go elsewhere.
  const lost = () => { if (page.module) page.module._tovana_chord_focus_lost(); };
  document.addEventListener('focusout', (event) => { if (event.target === field()) lost(); });
  window.addEventListener('blur', lost);

  return {
    // Braille mode as the stored setting has it, once the program is there.
    moduleReady() { on = page.module._tovana_chords_start() !== 0; },
    isOn: () => on,
    // Ctrl+B, and the menus' item: the tones say which way it went.
    toggle,
    // `callback(on)` after each switch, for a menu's check mark.
    onToggle(callback) { toggled.push(callback); },
  };
}
