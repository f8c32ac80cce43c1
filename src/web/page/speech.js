// How the page is heard: with its own voice (the browser's speechSynthesis) or through
// the player's screen reader, never both. The first visit asks which (the program asks,
// in its own words, before the game starts); Settings switches it later. The choice is the
// settings file's "voiceallowed", read and written by the program.
//
// With its own voice the page keeps the desktop's habits: every printed line is spoken,
// every typed character is echoed by its name from the program's key-name tables, any
// key stops the speech, and the Up and Down arrows in the input line review the 24
// screen lines. With the screen reader the page says nothing itself: the followed region
// is live and the reader speaks it. Alt+1 to Alt+9 repeat an answer either way.

const $ = (id) => document.getElementById(id);

// Message numbers of the program (common/messages.h).
const M = {
  ok: 7, cancel: 8, voiceTitle: 11, voices: 12, pitch: 13, speed: 14, volume: 15,
  voiceOff: 18, voiceSelected: 19, screen: 26, emptyLine: 29, endOfScreen: 30,
  noAnswer: 60, noPageVoice: 70, pageVoiceOn: 71, pageVoiceOff: 72,
};
// Virtual-key codes the program's key handling is written against (input/virtualkeys.h).
const VK = { back: 8, escape: 27, end: 35, home: 36, left: 37, up: 38, right: 39, down: 40, del: 46, f2: 113, f3: 114 };

// How long the voices may take to appear: speech-dispatcher lists them a moment after
// the page asks.
const kVoicesWait = 3000;
// A text that is never reported spoken lets the program go on after this long.
const kSayBase = 4000;
const kSayPerCharacter = 120;
const kSayLongest = 60000;
// The page's voice levels run from -100 to 100 (speech_exports.cpp).
const kLevelSpan = 100;

const withoutAccelerator = (text) => text.replace(/&(.)/g, '$1');

class Speech {
  constructor(page) {
    this.page = page;
    this.module = null;
    this.ownVoice = false;      // the page speaks; else the screen reader does
    this.synth = typeof window.speechSynthesis === 'object' ? window.speechSynthesis : null;
    this.voice = null;          // the chosen SpeechSynthesisVoice, null for the browser's default
    this.levels = { pitch: 0, speed: 0, volume: kLevelSpan };
    this.voicesKnown = null;    // resolves once the voices are listed or given up on
    this.silent = false;        // no voice at all: the game goes on in text
    this.speaking = new Set();  // each utterance's finisher, until it ends
    this.unheard = [];          // texts the browser refused before the player's first key
    this.review = false;        // the Up and Down arrows' review of the screen is open
    this.stops = 0;             // how often the speech was stopped: a text queued before is dropped
    this.toldNoVoice = false;
    // Each echo's time to speechSynthesis.speak, in ms: from the key event's own time
    // (what the player waits), and from the page's first sight of the key (the page's part).
    page.timings.echoes = [];
    page.timings.echoesInPage = [];
    this.keyArrived = 0;
    window.addEventListener('keydown', () => { this.keyArrived = performance.now(); }, true);
  }

  // The page is ready to load the program; the question is the program's to ask.
  async ready() {}

  // --- what the program calls (web/pagebridge.cpp) ---

  // The first visit's question: one sentence, two answers; true for the page's own voice.
  askHearing(question, ownVoice, screenReader) {
    const box = document.createElement('div');
    box.id = 'hearing';
    box.setAttribute('role', 'dialog');
    box.setAttribute('aria-modal', 'true');
    box.setAttribute('aria-labelledby', 'hearing-question');
    const text = document.createElement('p');
    text.id = 'hearing-question';
    text.textContent = question;
    box.appendChild(text);
    const answer = (label, value) => {
      const button = document.createElement('button');
      button.type = 'button';
      button.textContent = withoutAccelerator(label);
      button.dataset.answer = value ? 'voice' : 'reader';
      box.appendChild(button);
      return button;
    };
    const voiceButton = answer(ownVoice, true);
    const readerButton = answer(screenReader, false);
    $('loading').after(box);
    voiceButton.focus();
    return new Promise((resolve) => {
      const chosen = (value) => {
        box.remove();
        resolve(value);
      };
      voiceButton.addEventListener('click', () => chosen(true));
      readerButton.addEventListener('click', () => chosen(false));
    });
  }

  // The program is up and tells how the page is heard.
  attach(module, ownVoice) {
    this.module = module;
    module._tovana_load_key_names();
    // One echo looked up now, unspoken: the first key's lookup otherwise pays for the
    // engine's first run of that code, several milliseconds late.
    this.taken(this.withText('a', (copy) => module._tovana_echo_name(copy)));
    this.loadVoice();
    this.setMode(ownVoice);
    if (!this.listening) {
      this.listening = true;
      this.page.keyHandlers.push((event) => this.keyDown(event));
      document.addEventListener('keyup', (event) => this.keyUp(event), true);
      document.addEventListener('pointerdown', () => this.speakUnheard(), true);
    }
  }

  say(text) {
    if (!this.ownVoice || this.silent || text === '') return Promise.resolve();
    return this.afterVoices(() => this.speak(text, { keep: true }));
  }
  sayNoWait(text) {
    if (this.ownVoice && !this.silent && text !== '') this.afterVoices(() => this.speak(text, { keep: true }));
  }
  sayKeyName(name) {
    if (this.ownVoice && !this.silent && name !== '') this.speak(name);
  }
  stopSpeech() {
    this.stops += 1;
    if (!this.synth || this.speaking.size === 0) return;
    this.synth.cancel();
    for (const finish of [...this.speaking]) finish();
  }
  engineReady() {
    return this.ownVoice && !this.silent && this.synth !== null;
  }

  // --- what the menus call ---

  // 'voice' when the page speaks itself, 'reader' when the screen reader does.
  hearing() {
    return this.ownVoice ? 'voice' : 'reader';
  }
  setHearing(mode) {
    const own = mode === 'voice';
    if (this.module) this.module._tovana_set_hearing(own ? 1 : 0);
    this.setMode(own);
    const text = this.message(own ? M.pageVoiceOn : M.pageVoiceOff);
    if (own) this.sayNoWait(text); else this.page.announce(text);
  }

  // The voice dialog: the voices, pitch, speed and volume, stored as the desktop stores
  // them. Resolves when it closes.
  openVoiceDialog() {
    if (!this.ownVoice || this.silent) {
      this.page.announce(this.message(this.silent ? M.noPageVoice : M.voiceOff));
      return Promise.resolve();
    }
    const caption = (number) => withoutAccelerator(this.message(number));
    const before = document.activeElement;
    const box = document.createElement('div');
    box.id = 'voicedialog';
    box.setAttribute('role', 'dialog');
    box.setAttribute('aria-modal', 'true');
    box.setAttribute('aria-labelledby', 'voicedialog-title');
    const title = document.createElement('h2');
    title.id = 'voicedialog-title';
    title.textContent = caption(M.voiceTitle);
    box.appendChild(title);
    const labelled = (id, number, control) => {
      const label = document.createElement('label');
      label.htmlFor = id;
      label.textContent = caption(number);
      control.id = id;
      box.append(label, control);
      return control;
    };
    const list = labelled('voicedialog-voices', M.voices, document.createElement('select'));
    list.size = 6;
    const voices = this.synth ? this.synth.getVoices() : [];
    voices.forEach((voice, index) => {
      const option = document.createElement('option');
      option.value = String(index);
      option.textContent = `${voice.name} (${voice.lang})`;
      option.selected = voice === this.voice;
      list.appendChild(option);
    });
    const bar = (id, number, value) => {
      const input = document.createElement('input');
      input.type = 'range';
      input.min = String(this.module._tovana_voice_level(0, 0));
      input.max = String(this.module._tovana_voice_level(0, 1));
      input.step = '10';
      input.value = String(value);
      return labelled(id, number, input);
    };
    const pitch = bar('voicedialog-pitch', M.pitch, this.levels.pitch);
    const speed = bar('voicedialog-speed', M.speed, this.levels.speed);
    const volume = bar('voicedialog-volume', M.volume, this.levels.volume);
    const ok = document.createElement('button');
    ok.type = 'button';
    ok.textContent = caption(M.ok);
    const cancel = document.createElement('button');
    cancel.type = 'button';
    cancel.textContent = caption(M.cancel);
    box.append(ok, cancel);
    $('loading').after(box);
    list.focus();
    return new Promise((resolve) => {
      const close = () => {
        box.remove();
        if (before && before.isConnected) before.focus();
        resolve();
      };
      ok.addEventListener('click', () => {
        const voice = list.value === '' ? null : voices[Number(list.value)];
        this.storeVoice(voice ? voice.name : '', Number(pitch.value), Number(speed.value), Number(volume.value));
        close();
        this.sayNoWait(this.message(M.voiceSelected));
      });
      cancel.addEventListener('click', close);
      box.addEventListener('keydown', (event) => {
        if (event.key === 'Escape') { event.preventDefault(); close(); }
      });
    });
  }

  // --- the voice ---

  setMode(ownVoice) {
    this.ownVoice = ownVoice;
    if (!ownVoice) {
      this.stopSpeech();
      this.review = false;
    }
    // Only one of the two speaks the answers: the screen reader follows the region only
    // while the page is silent.
    $('answers').setAttribute('aria-live', ownVoice && !this.silent ? 'off' : 'polite');
    if (ownVoice && this.voicesKnown === null) this.voicesKnown = this.findVoices();
  }

  // Waits, bounded, for the browser's voices. Without any, the page says so once and goes
  // on in text; voices that come later (a speech service started late) are taken then.
  findVoices() {
    if (!this.synth) {
      this.noVoice();
      return Promise.resolve();
    }
    this.synth.addEventListener('voiceschanged', () => this.voicesChanged());
    if (this.synth.getVoices().length > 0) {
      this.voicesChanged();
      return Promise.resolve();
    }
    return new Promise((resolve) => {
      this.voicesArrived = resolve;
      setTimeout(() => {
        if (this.synth.getVoices().length === 0) this.noVoice();
        resolve();
      }, kVoicesWait);
    });
  }

  voicesChanged() {
    const voices = this.synth.getVoices();
    if (voices.length === 0) return;
    this.chooseVoice(voices);
    if (this.silent) {
      this.silent = false;
      this.setMode(this.ownVoice);
    }
    if (this.voicesArrived) this.voicesArrived();
  }

  noVoice() {
    this.silent = true;
    $('answers').setAttribute('aria-live', 'polite');
    if (this.toldNoVoice) return;
    this.toldNoVoice = true;
    const note = document.createElement('p');
    note.id = 'speech-note';
    note.textContent = this.message(M.noPageVoice);
    $('loading').after(note);
    this.page.announce(note.textContent);
  }

  // Runs `speak` once the voices are known, unless a key has stopped the speech meanwhile.
  afterVoices(speak) {
    const stops = this.stops;
    return this.voicesKnown.then(() => {
      if (stops === this.stops && this.ownVoice && !this.silent) return speak();
      return undefined;
    });
  }

  // The stored voice when the browser has it, else a Czech one, else the browser's own.
  chooseVoice(voices) {
    const stored = this.storedPerson;
    this.voice = voices.find((voice) => voice.name === stored) ??
      voices.find((voice) => voice.lang.toLowerCase().startsWith('cs')) ?? null;
  }

  // The stored voice and levels, as the program reads them from the settings file.
  loadVoice() {
    const module = this.module;
    const person = module._tovana_voice_person();
    this.storedPerson = person ? module.UTF8ToString(person) : '';
    if (person) module._free(person);
    this.levels = {
      pitch: module._tovana_voice_level(0, 2),
      speed: module._tovana_voice_level(1, 2),
      volume: module._tovana_voice_level(2, 2),
    };
    if (this.synth && this.synth.getVoices().length > 0) this.chooseVoice(this.synth.getVoices());
  }

  storeVoice(name, pitch, speed, volume) {
    const module = this.module;
    const bytes = module.lengthBytesUTF8(name) + 1;
    const copy = module._malloc(bytes);
    module.stringToUTF8(name, copy, bytes);
    module._tovana_voice_store(copy, pitch, speed, volume);
    module._free(copy);
    this.loadVoice();
  }

  // Hands a text to the browser; resolves when it is spoken, cut, refused or given up on.
  // `keep`: a text the browser refuses before the player's first key is kept for it.
  speak(text, { keep = false, started = null } = {}) {
    if (!this.synth) return Promise.resolve();
    const utterance = new SpeechSynthesisUtterance(text);
    if (this.voice) {
      utterance.voice = this.voice;
      utterance.lang = this.voice.lang;
    }
    utterance.pitch = 1 + this.levels.pitch / kLevelSpan;
    utterance.rate = 10 ** (this.levels.speed / kLevelSpan);
    utterance.volume = (this.levels.volume + kLevelSpan) / (2 * kLevelSpan);
    return new Promise((resolve) => {
      let timer = null;
      const finish = () => {
        if (!this.speaking.delete(finish)) return;
        clearTimeout(timer);
        resolve();
      };
      this.speaking.add(finish);
      timer = setTimeout(finish, Math.min(kSayLongest, kSayBase + kSayPerCharacter * text.length));
      utterance.onend = finish;
      utterance.onerror = (event) => {
        // Chrome refuses speech until the page has had a key or a click.
        if (keep && event.error === 'not-allowed') this.unheard.push(text);
        finish();
      };
      if (started !== null) {
        const now = performance.now();
        this.page.timings.echoes.push(Math.max(0, now - started));
        this.page.timings.echoesInPage.push(now - this.keyArrived);
      }
      this.synth.speak(utterance);
    });
  }

  // What the browser refused before the first key, spoken now that there is one.
  speakUnheard() {
    if (this.unheard.length === 0 || !this.ownVoice) return false;
    const texts = this.unheard.splice(0);
    for (const text of texts) this.speak(text);
    return true;
  }

  // A message of the program, from the module this speech was attached to (the page's
  // own reference comes a moment later).
  message(number) {
    return this.taken(this.module ? this.module._tovana_message(number) : 0) ?? '';
  }

  // --- keys ---

  // A string the program allocated, taken into JavaScript and freed.
  taken(pointer) {
    if (!pointer) return null;
    const text = this.module.UTF8ToString(pointer);
    this.module._free(pointer);
    return text;
  }
  withText(text, call) {
    const module = this.module;
    const bytes = module.lengthBytesUTF8(text) + 1;
    const copy = module._malloc(bytes);
    module.stringToUTF8(text, copy, bytes);
    try { return call(copy); } finally { module._free(copy); }
  }

  // The echo of one character: its name from the program's key-name table.
  echo(character, started) {
    const name = this.taken(this.withText(character, (copy) => this.module._tovana_echo_name(copy)));
    if (name) this.speak(name, { started });
  }

  keyDown(event) {
    if (!this.module) return false;
    // The player's first key brings what the browser would not say before it.
    if (this.speakUnheard()) return false;
    const back = this.answerKey(event);
    if (back !== 0) {
      event.preventDefault();
      const text = this.page.answerText(back) ?? this.message(M.noAnswer);
      if (this.ownVoice && !this.silent) this.sayNoWait(text); else this.page.announce(text);
      return true;
    }
    if (!this.ownVoice || this.silent) return false;
    if (this.review) return this.reviewKey(event);
    const field = $('inputline');
    if (event.target !== field) return false;
    const started = event.timeStamp;
    const plain = !event.ctrlKey && !event.altKey && !event.metaKey;
    const collapsed = field.selectionStart === field.selectionEnd;
    const cursor = field.selectionStart ?? 0;
    if ((event.key === 'ArrowUp' || event.key === 'ArrowDown') && plain && !event.shiftKey) {
      event.preventDefault();
      this.openReview();
      return true;
    }
    if (event.key === 'ArrowUp' && event.altKey && !event.ctrlKey) {
      event.preventDefault();
      this.sayNoWait(field.value === '' ? this.message(M.emptyLine) : field.value);
      return true;
    }
    if (event.key === 'Backspace' && collapsed && cursor > 0) {
      this.echo(field.value.charAt(cursor - 1), started);
    } else if (event.key === 'Delete' && collapsed && cursor < field.value.length) {
      this.echo(field.value.charAt(cursor), started);
    } else if (plain && [...event.key].length === 1) {
      this.echo(event.key, started);
    }
    return false;
  }

  // Left, Right and Home say where the caret has gone once the field has moved it, as
  // the desktop's input line says it when the key is let go.
  keyUp(event) {
    if (!this.module || !this.ownVoice || this.silent || this.review) return;
    const field = $('inputline');
    if (event.target !== field || event.altKey || event.metaKey) return;
    if (!['ArrowLeft', 'ArrowRight', 'Home'].includes(event.key)) return;
    const cursor = field.selectionStart ?? 0;
    if (event.ctrlKey && event.key !== 'Home') {
      const word = this.taken(this.withText(field.value, (copy) => this.module._tovana_word_at(copy, cursor)));
      if (word) this.sayNoWait(word);
    } else if (cursor < field.value.length) {
      this.echo(field.value.charAt(cursor), event.timeStamp);
    }
  }

  answerKey(event) {
    const digit = /^Digit([1-9])$/.exec(event.code ?? '');
    if (!digit) return 0;
    return this.module._tovana_answer_key(digit[1].charCodeAt(0), event.shiftKey ? 1 : 0,
      event.ctrlKey ? 1 : 0, event.altKey ? 1 : 0);
  }

  // --- the review of the screen ---

  openReview() {
    if (this.module._tovana_review_open() === 0) return;
    this.review = true;
    this.sayNoWait(this.message(M.screen));
  }

  reviewKey(event) {
    const keys = { ArrowUp: VK.up, ArrowDown: VK.down, ArrowLeft: VK.left, ArrowRight: VK.right,
      Home: VK.home, End: VK.end, F2: VK.f2, F3: VK.f3 };
    if (event.key === 'Escape') {
      event.preventDefault();
      this.review = false;
      this.sayNoWait(this.message(M.endOfScreen));
      return true;
    }
    const key = keys[event.key];
    if (key === undefined) {
      // Any other key leaves the review for the input line, where it is typed.
      this.review = false;
      this.sayNoWait(this.message(M.endOfScreen));
      return false;
    }
    event.preventDefault();
    if (event.repeat && key === VK.f3) return true;
    const said = this.taken(this.module._tovana_review_key(key, event.ctrlKey ? 1 : 0, event.timeStamp));
    if (said) this.sayNoWait(said);
    return true;
  }
}

export function createSpeech(page) {
  return new Speech(page);
}
