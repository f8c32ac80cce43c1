// The page: the browser's host of the program. It loads the module (tovana.js, built from
// the same C++ as the desktop), draws the 24 screen lines, hands each answer to the
// followed region once, keeps the one input field, and lends the program its waits. What
// is heard (speech.js, audio.js), kept (storage.js), chosen from the menus (menus.js) and
// typed in chords (chords.js) lives in modules of its own that plug in here.
import createTovana from './tovana.js';
import { createSpeech } from './speech.js';
import { createAudio } from './audio.js';
import { createStorage } from './storage.js';
import { createMenus } from './menus.js';
import { createChords } from './chords.js';

const $ = (id) => document.getElementById(id);

// What the line wait returns when the program is woken for posted work.
const kWoken = Symbol('woken');

// How many answers the followed region keeps: as many as the program's answer record.
const kKeptAnswers = 100;

class Page {
  constructor() {
    this.module = null;
    this.running = false;
    this.lineWaiter = null;      // resolves readLine while INPUT waits
    this.pendingLine = null;     // a line sent while the program was still printing
    this.startWaiter = null;
    this.startRequested = true;  // the first run starts on its own
    this.soundWaiter = null;
    this.resumed = false;        // the line wait comes back from posted work
    this.answer = null;          // the followed region's element of the answer being printed
    this.keyHandlers = [];       // (event) => true when the key was taken
    this.timings = { loaded: performance.now(), firstLine: null, lastCommand: null, lastAnswer: null };
  }

  // --- what the program calls (web/pagebridge.cpp) ---
  showScreen(lines) {
    $('screen').textContent = lines;
  }
  answerLine(line) {
    if (this.answer === null) {
      this.answer = document.createElement('div');
      this.answer.className = 'answer';
      const log = $('answers');
      while (log.querySelectorAll('.answer').length >= kKeptAnswers) {
        log.querySelector('.answer').remove();
      }
      log.appendChild(this.answer);
    }
    const paragraph = document.createElement('p');
    // A blank line is kept for the eye but says nothing.
    paragraph.textContent = line.trim() === '' ? '\u00a0' : line;
    if (line.trim() === '') paragraph.setAttribute('aria-hidden', 'true');
    this.answer.appendChild(paragraph);
    paragraph.scrollIntoView({ block: 'nearest' });
    const now = performance.now();
    if (this.timings.firstLine === null) this.timings.firstLine = now;
    if (this.timings.lastCommand !== null && this.timings.lastAnswer === null) this.timings.lastAnswer = now;
  }
  answerEnded() {
    this.answer = null;
  }
  readLine(text) {
    // Back from posted work the dialog is as the player left it: the focus stays where it is.
    const resumed = this.resumed;
    this.resumed = false;
    if (!resumed) this.openDialog();
    const field = $('inputline');
    if (this.pendingLine !== null) {
      const line = this.pendingLine;
      this.pendingLine = null;
      this.commandSent(line);
      return Promise.resolve(line);
    }
    if (text !== '') field.value = text;
    field.removeAttribute('aria-busy');
    return new Promise((resolve) => { this.lineWaiter = resolve; });
  }
  say(text) { return this.speech.say(text); }
  sayNoWait(text) { this.speech.sayNoWait(text); }
  sayKeyName(text) { this.speech.sayKeyName(text); }
  stopSpeech() { this.speech.stopSpeech(); }
  engineReady() { return this.speech.engineReady(); }
  showMessage(text) {
    const box = $('messagebox');
    $('messagebox-text').textContent = text;
    const before = document.activeElement;
    box.hidden = false;
    $('messagebox-ok').focus();
    this.speech.sayNoWait(text);
    return new Promise((resolve) => {
      $('messagebox-ok').onclick = () => {
        box.hidden = true;
        if (before && before.isConnected) before.focus();
        resolve();
      };
    });
  }
  runEnded() {
    this.running = false;
    this.closeDialog();
    this.menus.runStateChanged(false);
  }
  programEnded(status) {
    this.running = false;
    this.ended = true;
    this.closeDialog();
    this.menus.runStateChanged(false);
    this.status(status === 0 ? '' : this.message(52));
  }
  waitForStart() {
    if (this.startRequested) {
      this.startRequested = false;
      this.running = true;
      this.menus.runStateChanged(true);
      return Promise.resolve();
    }
    return new Promise((resolve) => { this.startWaiter = resolve; });
  }
  soundWait(milliseconds) {
    return new Promise((resolve) => {
      const timer = milliseconds > 0 ? setTimeout(() => this.endSoundWait(), milliseconds) : null;
      this.soundWaiter = () => { if (timer !== null) clearTimeout(timer); resolve(); };
    });
  }
  endSoundWait() {
    const waiter = this.soundWaiter;
    this.soundWaiter = null;
    if (waiter) waiter();
  }
  persistUserFiles() { this.storage.persist(); }
  // The program has work posted while it waits for a line (web/pagebridge.h): the wait
  // returns this mark, the program does the work and waits again, the field untouched.
  get kWoken() { return kWoken; }
  wakeProgram() {
    const waiter = this.lineWaiter;
    this.lineWaiter = null;
    if (waiter) {
      this.resumed = true;
      waiter(kWoken);
    }
  }

  // --- the page's own commands ---
  start() {
    if (this.running) return;
    if (this.ended) { window.location.reload(); return; }
    this.running = true;
    this.menus.runStateChanged(true);
    if (this.startWaiter) {
      const waiter = this.startWaiter;
      this.startWaiter = null;
      waiter();
    } else {
      this.startRequested = true;
    }
  }
  exit() {
    if (!this.module) return;
    try {
      this.module._tovana_exit();
    } catch (thrown) {
      // The module's forced exit unwinds out of this call.
      if (!(thrown && thrown.name === 'ExitStatus')) throw thrown;
    }
  }
  saveMemoryImage() {
    if (this.module && !this.ended) this.module._tovana_save_memory_image();
  }
  // A localised message of the program by its number (common/messages.h).
  message(number) {
    if (!this.module) return '';
    const text = this.module._tovana_message(number);
    if (!text) return '';
    const result = this.module.UTF8ToString(text);
    this.module._free(text);
    return result;
  }
  // The answer `back` answers ago, or null.
  answerText(back) {
    const text = this.module ? this.module._tovana_answer(back) : 0;
    if (!text) return null;
    const result = this.module.UTF8ToString(text);
    this.module._free(text);
    return result;
  }
  // Says a short text to the player's screen reader (the page's own voice speaks it
  // itself): one polite announcement, replaced by the next.
  announce(text) {
    const region = $('announcer');
    region.textContent = '';
    // A new text node, a moment later, is announced even when the text repeats.
    setTimeout(() => { region.textContent = text; }, 50);
  }
  status(text) {
    const loading = $('loading');
    loading.textContent = text;
    loading.hidden = text === '';
  }

  // --- the input dialog: one field, never made again ---
  openDialog() {
    const dialog = $('inputdialog');
    if (dialog.hidden) {
      this.focusBeforeDialog = document.activeElement;
      dialog.hidden = false;
    }
    const field = $('inputline');
    if (document.activeElement !== field && $('messagebox').hidden && !this.menus.isOpen()) field.focus();
  }
  closeDialog() {
    const dialog = $('inputdialog');
    if (dialog.hidden) return;
    const hadFocus = dialog.contains(document.activeElement);
    dialog.hidden = true;
    if (hadFocus) {
      const back = this.focusBeforeDialog;
      (back && back.isConnected && back !== document.body ? back : $('screen')).focus();
    }
  }
  commandSent(line) {
    this.timings.lastCommand = performance.now();
    this.timings.lastAnswer = null;
  }
  sendLine() {
    const field = $('inputline');
    const line = field.value;
    field.value = '';
    if (this.lineWaiter) {
      const waiter = this.lineWaiter;
      this.lineWaiter = null;
      field.setAttribute('aria-busy', 'true');
      this.commandSent(line);
      waiter(line);
    } else if (this.running) {
      this.pendingLine = line; // taken by the next INPUT: nothing typed is lost
    }
  }

  onKeyDown(event) {
    if (['Shift', 'Control', 'Alt', 'Meta', 'AltGraph', 'CapsLock'].includes(event.key)) return;
    // Like every key on the desktop, a press first stops the speech and the sound's wait.
    if (this.module && !event.repeat) this.module._tovana_key_pressed();
    for (const handler of this.keyHandlers) {
      if (handler(event)) return;
    }
  }

  async load() {
    this.speech = createSpeech(this);
    this.storage = createStorage(this);
    this.menus = createMenus(this);
    this.chords = createChords(this);
    $('inputform').addEventListener('submit', (event) => { event.preventDefault(); this.sendLine(); });
    $('exitbutton').addEventListener('click', () => this.exit());
    document.addEventListener('keydown', (event) => this.onKeyDown(event), true);
    // The memory image is kept when the page is hidden or closed, as at Exit.
    document.addEventListener('visibilitychange', () => {
      if (document.visibilityState === 'hidden') this.saveMemoryImage();
    });
    window.addEventListener('pagehide', () => this.saveMemoryImage());

    await this.storage.ready();
    await this.speech.ready();
    // The program opens its audio as it starts, so the page's side is there first.
    this.audio = createAudio(this);
    // The module compiled while the page loaded (index.html's window.tovanaWasm); a failure
    // to compile or instantiate it ends the load with its message instead of leaving the
    // page waiting.
    let wasmFailed;
    const wasmFailure = new Promise((resolve, reject) => { wasmFailed = reject; });
    this.module = await Promise.race([wasmFailure, createTovana({
      page: this,
      instantiateWasm: (imports, receive) => {
        window.tovanaWasm
          .then((module) => WebAssembly.instantiate(module, imports)
            .then((instance) => receive(instance, module)))
          .catch(wasmFailed);
        return {};
      },
      preRun: [(module) => {
        module.FS.mkdir('/user');
        this.storage.restore(module.FS);
      }],
      print: (text) => console.log(text),
      printErr: (text) => console.warn(text),
    })]);
    this.menus.moduleReady();
    this.chords.moduleReady();
    this.storage.moduleReady();
    this.status('');
  }
}

const page = new Page();
window.tovanaPage = page; // for the browser tests and the benchmark
page.load().catch((error) => {
  page.status(String(error && error.message ? error.message : error));
  console.error(error);
});
