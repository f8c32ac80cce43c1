// The page's two ways to be heard: its own voice (speechSynthesis, here a recording
// stand-in, and once the real one through a private speech-dispatcher and PulseAudio)
// and the player's screen reader, with which the page says nothing itself.
// Run: node --test tests/web/speech.test.mjs (after tovana_build_web).
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { spawn, spawnSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import {
  launchBrowser, typeCommand, answers, waitForInputLine,
  recordingSpeech, openHeard, spoken, storedSettings,
  openSiteAndBrowser, closeSiteAndBrowser,
} from './harness.mjs';

let site;
let browser;
before(async () => ({ site, browser } = await openSiteAndBrowser()));
after(() => closeSiteAndBrowser({ site, browser }));

const withStub = (voices) => (page) => recordingSpeech(page, voices ? { voices } : undefined);
const logLength = (page) => page.evaluate(() => window.__speech.length);
const texts = (entries) => entries.filter((entry) => entry.type === 'speak').map((entry) => entry.text);
const message = (page, number) => page.evaluate((n) => window.tovanaPage.message(n), number);

// Waits until the stand-in has been handed `count` utterances since `from`.
async function waitForSpeech(page, from, count = 1) {
  await page.waitForFunction((start, wanted) =>
    window.__speech.slice(start).filter((entry) => entry.type === 'speak').length >= wanted,
  { timeout: 5000 }, from, count);
  return spoken(page, from);
}

test('own voice: typed characters, deletions and caret moves are echoed by the key-name table', async () => {
  const page = await openHeard(browser, site.url, { prepare: withStub() });
  try {
    assert.equal(await page.$eval('#answers', (node) => node.getAttribute('aria-live')), 'off',
      'the screen reader must not read the answers the page speaks');
    let from = await logLength(page);
    await page.keyboard.type('aB', { delay: 60 });
    // The names are czech.eky's: 97 "a", 66 "velké bé".
    assert.deepEqual(texts(await waitForSpeech(page, from, 2)), ['a', 'velké bé']);

    from = await logLength(page);
    await page.keyboard.press('Backspace'); // says what it deletes
    assert.deepEqual(texts(await waitForSpeech(page, from)), ['velké bé']);
    assert.equal(await page.$eval('#inputline', (field) => field.value), 'a');

    from = await logLength(page);
    await page.keyboard.press('ArrowLeft'); // the caret now stands on "a"
    assert.deepEqual(texts(await waitForSpeech(page, from)), ['a']);

    from = await logLength(page);
    await page.keyboard.press('Delete');
    assert.deepEqual(texts(await waitForSpeech(page, from)), ['a']);
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('own voice: any key cuts what is being said, and a waiting say goes on at once', async () => {
  const page = await openHeard(browser, site.url, { prepare: withStub() });
  try {
    await page.evaluate(() => {
      window.__speechHold = true; // nothing ends on its own now
      window.__said = false;
      window.tovanaPage.speech.say('Dlouhá věta, kterou hráč nechce doposlouchat.').then(() => { window.__said = true; });
    });
    const from = await logLength(page);
    await page.keyboard.press('x');
    // Well before the say's own time limit (seconds): the key ended it.
    await page.waitForFunction(() => window.__said === true, { timeout: 1500 });
    const after = await spoken(page, from);
    const cancel = after.findIndex((entry) => entry.type === 'cancel');
    const echo = after.findIndex((entry) => entry.type === 'speak');
    assert.ok(cancel >= 0, 'the key cancelled the speech');
    assert.ok(echo > cancel, 'the echo is spoken after the cut, not cut by it');
  } finally {
    await page.close();
  }
});

test('Alt+1 says the last answer again: spoken by the page, or announced to the screen reader', async () => {
  for (const hearing of ['voice', 'reader']) {
    const page = await openHeard(browser, site.url, { hearing, prepare: withStub() });
    try {
      await typeCommand(page, 'rozhlédni se');
      const last = await page.evaluate(() => window.tovanaPage.answerText(1));
      assert.ok(last && last.trim() !== '', 'the game answered');
      assert.deepEqual((await answers(page)).at(-1).join('\n'), last.split('\n').filter((line) => line.trim() !== '').join('\n'));
      const from = await logLength(page);
      await page.keyboard.down('Alt');
      await page.keyboard.press('Digit1');
      await page.keyboard.press('Digit9');
      await page.keyboard.up('Alt');
      const noAnswer = await message(page, 60);
      if (hearing === 'voice') {
        assert.deepEqual(texts(await waitForSpeech(page, from, 2)), [last, noAnswer]);
      } else {
        await page.waitForFunction((text) => document.getElementById('announcer').textContent === text,
          { timeout: 3000 }, noAnswer);
        await page.keyboard.down('Alt');
        await page.keyboard.press('Digit1');
        await page.keyboard.up('Alt');
        await page.waitForFunction((text) => document.getElementById('announcer').textContent === text,
          { timeout: 3000 }, last);
        // The screen reader speaks; the page never does.
        assert.deepEqual(texts(await spoken(page, 0)), []);
        assert.equal(await page.$eval('#answers', (node) => node.getAttribute('aria-live')), 'polite');
      }
      assert.equal(await page.$eval('#inputline', (field) => field.value), '', 'Alt+1 types nothing');
    } finally {
      await page.close();
    }
  }
});

test('the first visit asks how the game is heard, and the answer is the stored setting', async () => {
  for (const [hearing, stored] of [['reader', '0'], ['voice', '1']]) {
    const page = await browser.newPage();
    try {
      await withStub()(page);
      await page.evaluateOnNewDocument(() => {
        for (const key of Object.keys(localStorage)) if (key.startsWith('tovana:')) localStorage.removeItem(key);
      });
      await page.goto(site.url, { waitUntil: 'load' });
      await page.waitForSelector('#hearing', { timeout: 30000 });
      const question = await page.$eval('#hearing', (box) => ({
        role: box.getAttribute('role'),
        label: document.getElementById(box.getAttribute('aria-labelledby')).textContent,
        buttons: [...box.querySelectorAll('button')].map((button) => button.textContent),
        focused: document.activeElement === box.querySelector('button'),
      }));
      assert.equal(question.role, 'dialog');
      assert.equal(question.label, await message(page, 67));
      assert.deepEqual(question.buttons, [(await message(page, 68)).replace('&', ''), (await message(page, 69)).replace('&', '')]);
      assert.ok(question.focused, 'the first answer has the focus');
      // The game waits for the answer.
      assert.equal(await page.evaluate(() => window.tovanaPage.lineWaiter), null);
      await page.click(`#hearing button[data-answer="${hearing}"]`);
      await waitForInputLine(page);
      assert.equal(await page.$('#hearing'), null);
      assert.match(await storedSettings(page), new RegExp(`voiceallowed=${stored}`));
      assert.equal(await page.evaluate(() => window.tovanaPage.speech.hearing()), hearing);
      assert.equal(await page.$eval('#answers', (node) => node.getAttribute('aria-live')),
        hearing === 'voice' ? 'off' : 'polite');
    } finally {
      await page.close();
    }
  }
});

test('without any voice the page says so once and the game goes on in text', async () => {
  const page = await openHeard(browser, site.url, { prepare: withStub([]) });
  try {
    const noVoice = await message(page, 70);
    await page.waitForFunction(() => document.getElementById('speech-note') !== null, { timeout: 10000 });
    await typeCommand(page, 'rozhlédni se');
    await page.keyboard.type('ab', { delay: 30 });
    assert.equal(await page.$$eval('#speech-note', (notes) => notes.length), 1);
    assert.equal(await page.$eval('#speech-note', (note) => note.textContent), noVoice);
    assert.ok((await answers(page)).length >= 2, 'the game answered in text');
    assert.deepEqual(texts(await spoken(page, 0)), [], 'nothing handed to a browser without voices');
    assert.equal(await page.$eval('#answers', (node) => node.getAttribute('aria-live')), 'polite');
    assert.equal(await page.evaluate(() => window.tovanaPage.engineReady()), false);
  } finally {
    await page.close();
  }
});

test('own voice: the arrows in the input line review the 24 screen lines', async () => {
  const page = await openHeard(browser, site.url, { prepare: withStub() });
  try {
    const lines = (await page.$eval('#screen', (screen) => screen.textContent)).split('\n');
    const emptyLine = await message(page, 29);
    const sayLine = (index) => (lines[index] === '' ? emptyLine : lines[index]);
    let from = await logLength(page);
    await page.keyboard.press('ArrowUp');
    assert.deepEqual(texts(await waitForSpeech(page, from)), [await message(page, 26)]);
    from = await logLength(page);
    await page.keyboard.press('ArrowDown');
    await page.keyboard.press('ArrowDown');
    assert.deepEqual(texts(await waitForSpeech(page, from, 2)), [sayLine(1), sayLine(2)]);
    from = await logLength(page);
    await page.keyboard.press('F2');
    // Where the caret stands, counted from 1: the third line, its first column.
    const [where] = texts(await waitForSpeech(page, from));
    const [lineWord, columnWord] = [await message(page, 31), await message(page, 32)];
    assert.match(where, new RegExp(`${lineWord}\\D*3\\D+${columnWord}\\D*1\\b`, 'i'));
    from = await logLength(page);
    await page.keyboard.press('Escape');
    assert.deepEqual(texts(await waitForSpeech(page, from)), [await message(page, 30)]);
    // Back in the input line, keys are echoed again.
    from = await logLength(page);
    await page.keyboard.type('a');
    assert.deepEqual(texts(await waitForSpeech(page, from)), ['a']);
  } finally {
    await page.close();
  }
});

test('own voice: Ctrl+Left and Ctrl+Right say the word the caret comes to', async () => {
  const page = await openHeard(browser, site.url, { prepare: withStub() });
  try {
    await page.keyboard.type('vezmi klic', { delay: 20 });
    let from = await logLength(page);
    await page.keyboard.down('Control');
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.up('Control');
    assert.deepEqual(texts(await waitForSpeech(page, from)), ['klic']);
    from = await logLength(page);
    await page.keyboard.press('Home');
    assert.deepEqual(texts(await waitForSpeech(page, from)), ['vé']); // czech.eky's name for "v"
  } finally {
    await page.close();
  }
});

test('text the browser refuses before the first key is spoken at that key', async () => {
  const page = await openHeard(browser, site.url, { prepare: withStub() });
  try {
    await page.evaluate(async () => {
      window.__speechRefuse = true;
      await window.tovanaPage.speech.say('Vítej ve hře.'); // refused, and the program goes on
      window.__speechRefuse = false;
    });
    const from = await logLength(page);
    await page.keyboard.press('x');
    const said = texts(await waitForSpeech(page, from));
    assert.deepEqual(said, ['Vítej ve hře.'], 'the kept text, and no echo for the key that brought it');
    assert.equal(await page.$eval('#inputline', (field) => field.value), 'x', 'the key still types');
  } finally {
    await page.close();
  }
});

test('Settings: switching how the page is heard, and the voice dialog, write the desktop\'s entries', async () => {
  const voices = [{ name: 'Test en', lang: 'en-US' }, { name: 'Test cs', lang: 'cs-CZ' }];
  const page = await openHeard(browser, site.url, { prepare: withStub(voices) });
  try {
    // The Czech voice speaks unless another is chosen.
    let from = await logLength(page);
    await page.keyboard.type('a');
    assert.equal((await waitForSpeech(page, from))[0].voice, 'Test cs');

    const dialog = page.evaluate(() => window.tovanaPage.speech.openVoiceDialog());
    await page.waitForSelector('#voicedialog');
    const shown = await page.$eval('#voicedialog', (box) => ({
      role: box.getAttribute('role'),
      title: document.getElementById(box.getAttribute('aria-labelledby')).textContent,
      labels: [...box.querySelectorAll('label')].map((label) => [label.textContent, document.getElementById(label.htmlFor).tagName]),
      options: [...box.querySelectorAll('option')].map((option) => [option.textContent, option.selected]),
      focused: document.activeElement.id,
    }));
    const caption = async (number) => (await message(page, number)).replace('&', '');
    assert.equal(shown.role, 'dialog');
    assert.equal(shown.title, await caption(11));
    assert.deepEqual(shown.labels, [[await caption(12), 'SELECT'], [await caption(13), 'INPUT'],
      [await caption(14), 'INPUT'], [await caption(15), 'INPUT']]);
    assert.deepEqual(shown.options, [['Test en (en-US)', false], ['Test cs (cs-CZ)', true]]);
    assert.equal(shown.focused, 'voicedialog-voices');
    await page.$eval('#voicedialog-voices', (list) => { list.value = '0'; });
    await page.$eval('#voicedialog-pitch', (bar) => { bar.value = '50'; });
    await page.$eval('#voicedialog-speed', (bar) => { bar.value = '-100'; });
    await page.click('#voicedialog button');
    await dialog;
    const settings = await storedSettings(page);
    assert.match(settings, /person=Test en/);
    assert.match(settings, /pitch=50/);
    assert.match(settings, /speed=-100/);
    from = await logLength(page);
    await page.keyboard.type('b');
    const [echo] = await waitForSpeech(page, from);
    assert.deepEqual([echo.voice, echo.pitch, echo.rate], ['Test en', 1.5, 0.1]);

    // To the screen reader: stored, silent, and the region live again.
    await page.evaluate(() => window.tovanaPage.speech.setHearing('reader'));
    assert.match(await storedSettings(page), /voiceallowed=0/);
    assert.equal(await page.$eval('#answers', (node) => node.getAttribute('aria-live')), 'polite');
    await page.waitForFunction((text) => document.getElementById('announcer').textContent === text,
      { timeout: 3000 }, await message(page, 72));
    from = await logLength(page);
    await page.keyboard.type('c');
    await page.evaluate(() => new Promise((resolve) => setTimeout(resolve, 200)));
    assert.deepEqual(texts(await spoken(page, from)), []);
    await page.evaluate(() => window.tovanaPage.speech.setHearing('voice'));
    assert.match(await storedSettings(page), /voiceallowed=1/);
    assert.deepEqual(texts(await waitForSpeech(page, from)), [await message(page, 71)]);
  } finally {
    await page.close();
  }
});

// The figures of the echo's budget: from the key event to the utterance handed to
// speechSynthesis, as the page measures it (page.timings.echoes, performance.now()).
function figures(times) {
  const sorted = [...times].sort((a, b) => a - b);
  const at = (share) => sorted[Math.min(sorted.length - 1, Math.floor(share * sorted.length))];
  return { count: sorted.length, median: at(0.5), p95: at(0.95), max: sorted.at(-1) };
}

test('the echo is handed to speechSynthesis within 5 ms of its key', async (t) => {
  const page = await openHeard(browser, site.url, { prepare: withStub() });
  try {
    // Plain letters: the test's keyboard types accented ones without a key event.
    const typed = 'prohledej truhlu a vezmi klic';
    await page.evaluate(() => {
      window.tovanaPage.timings.echoes.length = 0;
      window.tovanaPage.timings.echoesInPage.length = 0;
    });
    await page.keyboard.type(typed, { delay: 50 });
    const times = await page.evaluate(() => window.tovanaPage.timings.echoes.slice());
    // Every character but the spaces' and letters' without a name has its echo.
    const named = await page.evaluate((text) => [...text].filter((c) => {
      const module = window.tovanaPage.module;
      const bytes = module.lengthBytesUTF8(c) + 1;
      const copy = module._malloc(bytes);
      module.stringToUTF8(c, copy, bytes);
      const name = module._tovana_echo_name(copy);
      module._free(copy);
      if (name) module._free(name);
      return name !== 0;
    }).length, typed);
    assert.equal(times.length, named);
    const result = figures(times);
    t.diagnostic(`key to speak(): ${JSON.stringify(result)} ms`);
    const inPage = await page.evaluate(() => window.tovanaPage.timings.echoesInPage.slice());
    t.diagnostic(`the page's part: ${JSON.stringify(figures(inPage))} ms`);
    assert.equal(inPage.length, times.length);
    assert.ok(times.every((time) => Number.isFinite(time) && time >= 0));
    assert.ok(result.median <= 5, `median ${result.median} ms`);
  } finally {
    await page.close();
  }
});

// --- the real voice -------------------------------------------------------------------

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));
const has = (tool) => spawnSync('sh', ['-c', `command -v ${tool}`]).status === 0;

// Waits, bounded, for a condition checked every 100 ms.
async function until(condition, what, timeout = 15000) {
  for (const end = Date.now() + timeout; Date.now() < end; await sleep(100)) {
    if (condition()) return;
  }
  throw new Error(`${what}: not within ${timeout} ms`);
}

test('the real voice: speech-dispatcher speaks the page into a private PulseAudio null sink', async (t) => {
  const missing = ['pulseaudio', 'pactl', 'parec', 'speech-dispatcher'].filter((tool) => !has(tool));
  if (missing.length > 0) {
    t.skip(`not installed: ${missing.join(', ')}`);
    return;
  }
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'tovana-voice-'));
  fs.chmodSync(work, 0o700);
  const socket = path.join(work, 'speech-dispatcher', 'speechd.sock');
  const env = {
    ...process.env, HOME: work, XDG_RUNTIME_DIR: work,
    PULSE_SERVER: `unix:${work}/pulse-native`, SPEECHD_ADDRESS: `unix_socket:${socket}`,
  };
  const children = [];
  const start = (command, args) => {
    const child = spawn(command, args, { env, stdio: ['ignore', 'pipe', 'pipe'] });
    child.log = '';
    child.stderr.on('data', (data) => { child.log += data; });
    children.push(child);
    return child;
  };
  let voiceBrowser;
  try {
    start('pulseaudio', ['-n', '--daemonize=no', '--exit-idle-time=-1', '--use-pid-file=no', '--system=no',
      '-L', `module-native-protocol-unix socket=${work}/pulse-native auth-anonymous=1`,
      '-L', 'module-null-sink sink_name=null rate=44100', '-L', 'module-always-sink']);
    await until(() => spawnSync('pactl', ['info'], { env, timeout: 5000 }).status === 0, 'PulseAudio answering');
    fs.mkdirSync(path.dirname(socket), { recursive: true, mode: 0o700 });
    start('speech-dispatcher', ['-s', '-t', '0', '-c', 'unix_socket', '-S', socket]);
    await until(() => fs.existsSync(socket), 'speech-dispatcher listening');

    voiceBrowser = await launchBrowser({ args: ['--enable-speech-dispatcher'], env });
    const page = await openHeard(voiceBrowser, site.url);
    await page.waitForFunction(() => speechSynthesis.getVoices().length > 0, { timeout: 20000 });

    const recorder = start('parec', ['--device=null.monitor', '--format=s16le', '--rate=16000', '--channels=1']);
    const chunks = [];
    recorder.stdout.on('data', (chunk) => chunks.push(chunk));
    await sleep(300);
    const quiet = Buffer.concat(chunks).length;
    await page.evaluate(() => window.tovanaPage.speech.say('Dobrý den, tady mluví vlastní hlas stránky.'));
    await page.evaluate(() => {
      window.tovanaPage.timings.echoes.length = 0;
      window.tovanaPage.timings.echoesInPage.length = 0;
    });
    await page.keyboard.type('ab', { delay: 400 });
    await sleep(800);
    const echoes = await page.evaluate(() => window.tovanaPage.timings.echoes.slice());
    const inPage = await page.evaluate(() => window.tovanaPage.timings.echoesInPage.slice());
    recorder.kill('SIGTERM');
    await page.close();

    const data = Buffer.concat(chunks).subarray(quiet - (quiet % 2));
    let loud = 0;
    for (let at = 0; at + 1 < data.length; at += 2) {
      if (Math.abs(data.readInt16LE(at)) > 1000) loud += 1;
    }
    t.diagnostic(`recorded ${(data.length / 32000).toFixed(2)} s, ${(loud / 16000).toFixed(2)} s of it loud; ` +
      `real key to speak(): ${echoes.map((time) => time.toFixed(2)).join(', ')} ms ` +
      `(the page's part: ${inPage.map((time) => time.toFixed(2)).join(', ')} ms)`);
    assert.ok(loud > 16000 / 4, 'a quarter of a second of speech at least');
    assert.equal(echoes.length, 2);
  } finally {
    await voiceBrowser?.close();
    // speech-dispatcher's own modules first (its children, by its id), then the servers.
    for (const child of children) spawnSync('pkill', ['-KILL', '-P', String(child.pid)]);
    for (const child of children) child.kill('SIGKILL');
    await Promise.all(children.map((child) => (child.exitCode !== null || child.signalCode !== null
      ? null : new Promise((resolve) => child.once('exit', resolve)))));
    fs.rmSync(work, { recursive: true, force: true });
  }
});
