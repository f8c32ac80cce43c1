// The six-key braille keyboard in the browser: real key presses and releases of F D S J K
// L and Space into the input field, Ctrl+B with its tones and its stored setting, the
// echo through the program's speech, and the browser's key repeat on a held chord.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import { serveSite, launchBrowser, openGame, waitForInputLine, answers } from './harness.mjs';

let server;
let browser;
before(async () => {
  server = await serveSite();
  browser = await launchBrowser();
});
after(async () => {
  await browser?.close();
  await server?.close();
});

// The dots' keys, dot 1 to dot 6.
const kDots = { 1: 'KeyF', 2: 'KeyD', 3: 'KeyS', 4: 'KeyJ', 5: 'KeyK', 6: 'KeyL' };

const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// Presses the chord's keys in the order given and lets them go in the same order, as a
// hand does: "14" is F and J. A finger needs far longer than the browser's repeat to
// press a key again, so the next chord comes a moment later.
async function chord(page, dots) {
  const keys = dots === ' ' ? ['Space'] : [...dots].map((dot) => kDots[dot]);
  for (const key of keys) await page.keyboard.down(key);
  for (const key of keys) await page.keyboard.up(key);
  await pause(30);
}

const fieldValue = (page) => page.$eval('#inputline', (field) => field.value);

// Waits until the field holds `text` (a committed chord may wait out the repeat's slack).
async function waitForField(page, text) {
  try {
    await page.waitForFunction((expected) => document.getElementById('inputline').value === expected,
      { timeout: 5000 }, text);
  } catch {
    assert.equal(await fieldValue(page), text);
  }
}

// Records what the program asks the page to speak as key names and each wait of its sound
// statement, the page's own voice taken as ready (its engine is a stub here).
async function listen(page) {
  await page.evaluate(() => {
    const record = { names: [], waits: [] };
    window.heard = record;
    const host = window.tovanaPage;
    host.speech.engineReady = () => true;
    host.speech.sayKeyName = (name) => record.names.push(name);
    const soundWait = host.soundWait.bind(host);
    host.soundWait = (milliseconds) => {
      record.waits.push(milliseconds);
      return soundWait(milliseconds);
    };
  });
}
const heard = (page) => page.evaluate(() => JSON.parse(JSON.stringify(window.heard)));

async function waitForHeard(page, what, count) {
  await page.waitForFunction((key, n) => window.heard[key].length >= n, { timeout: 5000 }, what, count);
}

const settings = (page) => page.evaluate(() =>
  new TextDecoder().decode(window.tovanaPage.module.FS.readFile('/user/tovana.ini')));

async function ctrlB(page) {
  await page.keyboard.down('Control');
  await page.keyboard.press('KeyB');
  await page.keyboard.up('Control');
}

async function brailleOn(page) {
  if (!(await page.evaluate(() => window.tovanaPage.chords.isOn()))) await ctrlB(page);
  assert.equal(await page.evaluate(() => window.tovanaPage.chords.isOn()), true);
}

test('Ctrl+B switches braille mode each way with two tones, and the setting is written at once', async () => {
  const page = await openGame(browser, server.url);
  try {
    await listen(page);
    assert.equal(await page.evaluate(() => window.tovanaPage.chords.isOn()), false);

    await ctrlB(page);
    assert.equal(await page.evaluate(() => window.tovanaPage.chords.isOn()), true);
    assert.match(await settings(page), /\[keyboard\]\nbraillekeys=1\n/);
    // The switch's pair of 50 ms tones, played by the program's sound statement.
    await waitForHeard(page, 'waits', 2);
    assert.equal((await heard(page)).waits.length, 2);

    // The menus' item is the same switch.
    assert.equal(await page.evaluate(() => window.tovanaPage.chords.toggle()), false);
    assert.match(await settings(page), /braillekeys=0\n/);
    await waitForHeard(page, 'waits', 4);

    // Off, F is the letter f again; the field still takes what is typed.
    await page.keyboard.type('fj');
    assert.equal(await fieldValue(page), 'fj');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('chords type their characters at the cursor, with the table\'s prefixes', async () => {
  const page = await openGame(browser, server.url);
  try {
    await brailleOn(page);
    await chord(page, '1');
    await waitForField(page, 'a');
    await chord(page, '14');
    await waitForField(page, 'ac');
    // A letter key that is no dot types nothing in braille mode.
    await page.keyboard.press('KeyA');
    // The capital sign (dot 6) lasts one character.
    await chord(page, '6');
    await chord(page, '1');
    await chord(page, '1');
    await waitForField(page, 'acAa');
    // The number sign lasts until the space chord.
    await chord(page, '3456');
    await chord(page, '1');
    await chord(page, '12');
    await chord(page, ' ');
    await chord(page, '1');
    await waitForField(page, 'acAa12 a');
    // Inside the line the character goes in at the cursor, which moves past it.
    await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('ArrowLeft');
    await chord(page, '12');
    await chord(page, '14');
    await waitForField(page, 'acAa12bc a');
    assert.deepEqual(await page.$eval('#inputline', (field) => [field.selectionStart, field.selectionEnd]), [8, 8]);
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('a held chord types once, however often the browser repeats its keys', async () => {
  const page = await openGame(browser, server.url);
  try {
    await brailleOn(page);
    await page.keyboard.down('KeyF');
    await page.keyboard.down('KeyD');
    for (let i = 0; i < 8; i++) await page.keyboard.down(i % 2 === 0 ? 'KeyD' : 'KeyF'); // repeats
    await page.keyboard.up('KeyD');
    // F goes on repeating after D was let go: no chord of F alone may start from it.
    for (let i = 0; i < 5; i++) await page.keyboard.down('KeyF');
    await page.keyboard.up('KeyF');
    // The next chord shows that nothing came between.
    await chord(page, '145');
    await waitForField(page, 'bd');
    assert.equal(await page.evaluate(() => document.querySelectorAll('#inputline').length), 1);
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('a repeat sent as a release and a press at the same moment does not type the held chord again', async () => {
  const page = await openGame(browser, server.url);
  const session = await page.createCDPSession();
  try {
    await brailleOn(page);
    // The events' own times, as a keyboard's driver stamps them, in milliseconds from now.
    const start = Date.now();
    const key = (type, code, at) => {
      const letter = code.slice(3).toLowerCase();
      return session.send('Input.dispatchKeyEvent', {
        type, code, key: letter, windowsVirtualKeyCode: letter.toUpperCase().charCodeAt(0),
        ...(type === 'keyDown' ? { text: letter, unmodifiedText: letter } : {}),
        timestamp: (start + at) / 1000,
      });
    };
    await key('keyDown', 'KeyF', 0);
    await key('keyDown', 'KeyD', 20);
    for (const at of [500, 600, 700]) {
      await key('keyUp', 'KeyD', at);
      await key('keyDown', 'KeyD', at + 1);
      await key('keyUp', 'KeyF', at + 50);
      await key('keyDown', 'KeyF', at + 51);
    }
    await key('keyUp', 'KeyD', 900);
    await key('keyUp', 'KeyF', 930);
    await key('keyDown', 'KeyF', 1200);
    await key('keyUp', 'KeyF', 1300);
    await waitForField(page, 'ba');
    assert.deepEqual(page.errors, []);
  } finally {
    await session.detach();
    await page.close();
  }
});

test('keys held when the field loses the focus are no longer part of a chord', async () => {
  const page = await openGame(browser, server.url);
  try {
    await brailleOn(page);
    await page.keyboard.down('KeyF');
    await page.focus('#screen'); // F is let go where the field does not hear it
    await page.keyboard.up('KeyF');
    await page.focus('#inputline');
    await chord(page, '2'); // D alone: a comma, not the b of F and D
    await waitForField(page, ',');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('the echo names the chord\'s character through the program\'s speech, a capital after its cue', async () => {
  const page = await openGame(browser, server.url);
  try {
    await listen(page);
    await brailleOn(page);
    await waitForHeard(page, 'waits', 2); // the switch's tones
    await page.evaluate(() => { window.heard.waits.length = 0; });
    // While F and D are held the chord is heard: F alone first, then both.
    await page.keyboard.down('KeyF');
    await waitForHeard(page, 'names', 1);
    await page.keyboard.down('KeyD');
    await waitForHeard(page, 'names', 2);
    await page.keyboard.up('KeyF');
    await page.keyboard.up('KeyD');
    await waitForField(page, 'b');
    const letters = await heard(page);
    assert.deepEqual(letters.names, ['a', 'bé']);
    assert.deepEqual(letters.waits, []);

    // After the capital sign, F is heard as the capital: its cue (a short tone), then its name.
    await chord(page, '6');
    await page.keyboard.down('KeyF');
    await waitForHeard(page, 'names', 3);
    await page.keyboard.up('KeyF');
    await waitForField(page, 'bA');
    const capital = await heard(page);
    assert.equal(capital.names[2], 'velké a');
    assert.equal(capital.waits.length, 1);
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('the switch played while the program waits for a line leaves the focus and the typing alone', async () => {
  const page = await openGame(browser, server.url);
  try {
    await listen(page);
    // From the screen, Ctrl+B plays its tones and the focus stays on the screen.
    await page.focus('#screen');
    await ctrlB(page);
    await waitForHeard(page, 'waits', 2);
    // The program has played them and waits for a line again.
    await page.waitForFunction(() => window.tovanaPage.lineWaiter !== null, { timeout: 5000 });
    assert.equal(await page.evaluate(() => document.activeElement.id), 'screen');

    // Back in the field, a chord and Enter at once, while the tones of a second switch
    // still play: the line reaches the game whole, and the program waits for the next.
    await page.focus('#inputline');
    await ctrlB(page);
    await ctrlB(page);
    await chord(page, '1236');
    await page.keyboard.press('Enter');
    await waitForInputLine(page);
    await waitForHeard(page, 'waits', 6);
    // East of the clearing: the corridor (the walkthrough's first place).
    const [answer] = (await answers(page)).slice(-1);
    assert.match(answer[0], /^jsi na začátku širokého koridoru/);
    assert.equal(await fieldValue(page), '');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('Enter sends the line the chords typed, and the game answers it', async () => {
  const page = await openGame(browser, server.url);
  try {
    await brailleOn(page);
    const before = (await answers(page)).length;
    await chord(page, '1236'); // v: east
    await waitForField(page, 'v');
    await page.keyboard.press('Enter');
    await waitForInputLine(page);
    const after = await answers(page);
    assert.equal(after.length, before + 1);
    assert.equal(await fieldValue(page), '');
    // Braille mode holds for the next line too.
    await chord(page, '1236');
    await waitForField(page, 'v');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});
