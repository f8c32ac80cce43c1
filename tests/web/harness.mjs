// What every browser test shares: the built site served over http from a port of its own,
// Debian's chromium started headless by puppeteer-core, and the game opened in it.
// TOVANA_SITE names the site folder (default: build-web/site of this checkout).
import http from 'node:http';
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';
import puppeteer from 'puppeteer-core';

const here = path.dirname(fileURLToPath(import.meta.url));
export const siteDir = process.env.TOVANA_SITE ?? path.resolve(here, '../../build-web/site');
export const chromiumPath = process.env.TOVANA_CHROMIUM ?? '/usr/bin/chromium';

const types = {
  '.html': 'text/html; charset=utf-8', '.js': 'text/javascript', '.mjs': 'text/javascript',
  '.css': 'text/css', '.wasm': 'application/wasm', '.json': 'application/json',
  '.data': 'application/octet-stream', '.svg': 'image/svg+xml', '.ico': 'image/x-icon',
};

// Serves the site folder on 127.0.0.1 at a free port, as any static host would;
// `typeOf` overrides the content type of a file extension (as a host that does not know it).
export async function serveSite(dir = siteDir, { typeOf = {} } = {}) {
  const server = http.createServer((request, response) => {
    const url = new URL(request.url, 'http://localhost');
    let name = decodeURIComponent(url.pathname);
    if (name.endsWith('/')) name += 'index.html';
    const file = path.join(dir, path.normalize(name));
    if (!file.startsWith(dir) || !fs.existsSync(file) || fs.statSync(file).isDirectory()) {
      response.writeHead(404);
      response.end();
      return;
    }
    const extension = path.extname(file);
    response.writeHead(200, { 'Content-Type': typeOf[extension] ?? types[extension] ?? 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return { url: `http://127.0.0.1:${port}/`, close: () => new Promise((resolve) => server.close(resolve)) };
}

// One served site and one browser for a test file's tests: `before(...)` starts them,
// `closeSiteAndBrowser` in `after(...)` ends them.
export async function openSiteAndBrowser() {
  const site = await serveSite();
  const browser = await launchBrowser();
  return { site, browser };
}
export async function closeSiteAndBrowser({ site, browser }) {
  await browser?.close();
  await site?.close();
}

// The flags this machine's closed network and a root CI need; `args` adds the test's own.
export async function launchBrowser({ args = [], env } = {}) {
  return puppeteer.launch({
    executablePath: chromiumPath,
    headless: true,
    env: env ?? process.env,
    args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
      '--disable-background-networking', '--disable-component-update', '--disable-sync',
      '--autoplay-policy=no-user-gesture-required', ...args],
  });
}

// The settings file a test starts from: the player's screen reader speaks (the page's own
// voice off), so no question is asked at the first visit. `extra` adds lines.
export function settingsFile({ voice = false, extra = '' } = {}) {
  return `[voice]\nvoiceallowed=${voice ? 1 : 0}\n${extra}`;
}

// Opens the game in a new tab of `browser`, its stored files replaced by `files`
// ({ 'tovana.ini': text, 'ram.dat': Uint8Array }, null for none: a first visit), and
// waits until the program waits for the first command (the input field has the focus).
export async function openGame(browser, url, { files = { 'tovana.ini': settingsFile() }, waitForInput = true } = {}) {
  const page = await browser.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  if (files !== undefined) {
    await page.evaluateOnNewDocument((stored) => {
      if (sessionStorage.getItem('tovana-test-seeded')) return; // a reload keeps what the game saved
      sessionStorage.setItem('tovana-test-seeded', '1');
      for (const key of Object.keys(localStorage)) {
        if (key.startsWith('tovana:')) localStorage.removeItem(key);
      }
      for (const [name, text] of Object.entries(stored ?? {})) {
        localStorage.setItem(`tovana:${name}`, btoa(text));
      }
    }, files);
  }
  await page.goto(url, { waitUntil: 'load' });
  if (waitForInput) {
    // Where no settings reach the program (a first visit, storage refused), it asks how the
    // player wants to hear it; the screen reader is this harness's answer.
    await page.waitForFunction(() => document.getElementById('hearing') !== null ||
      (window.tovanaPage && window.tovanaPage.lineWaiter !== null), { timeout: 30000 });
    const question = await page.$('#hearing button[data-answer="reader"]');
    if (question) await question.click();
    await waitForInputLine(page);
  }
  return page;
}

// Waits until INPUT waits for a line: the field has the focus and is not busy.
export async function waitForInputLine(page, timeout = 30000) {
  await page.waitForFunction(() => {
    const field = document.getElementById('inputline');
    return document.activeElement === field && !field.hasAttribute('aria-busy') &&
      window.tovanaPage && window.tovanaPage.lineWaiter !== null;
  }, { timeout });
}

// Types a command at a person's pace (real key events) and sends it with Enter, then
// waits for the next INPUT.
export async function typeCommand(page, command, { delay = 40 } = {}) {
  await page.keyboard.type(command, { delay });
  await page.keyboard.press('Enter');
  await waitForInputLine(page);
}

// The followed region's answers, each as its lines with text.
export async function answers(page) {
  return page.$$eval('#answers .answer', (nodes) => nodes.map((node) =>
    [...node.querySelectorAll('p')].map((p) => p.textContent).filter((line) => line.trim() !== '')));
}

// The page's accessibility tree as Chromium gives it to screen readers.
export async function accessibilityTree(page) {
  const session = await page.createCDPSession();
  const { nodes } = await session.send('Accessibility.getFullAXTree');
  await session.detach();
  return nodes;
}

// --- The menus' and the storage's tests ---

// `browser` whose new pages run `script(arg)` in each new document before the page's
// own scripts (and before openGame's seeding): a browser that refuses storage, say.
export function browserWithScript(browser, script, arg) {
  return {
    newPage: async () => {
      const page = await browser.newPage();
      await page.evaluateOnNewDocument(script, arg);
      return page;
    },
  };
}

// The bytes the page keeps for a player's file ('tovana:<name>'), or null.
export async function storedFile(page, name) {
  const text = await page.evaluate((key) => localStorage.getItem(key), `tovana:${name}`);
  return text === null ? null : Buffer.from(text, 'base64');
}

// The bytes of a file in the program's /user folder, or null when it has none.
export async function userFile(page, name) {
  const bytes = await page.evaluate((path) => {
    try {
      return Array.from(window.tovanaPage.module.FS.readFile(path));
    } catch {
      return null;
    }
  }, `/user/${name}`);
  return bytes === null ? null : Buffer.from(bytes);
}

// The element that has the focus, by id (or its tag name when it has none).
export async function focusedId(page) {
  return page.evaluate(() => document.activeElement?.id || document.activeElement?.tagName);
}

// Presses a key with modifiers held ('Control', 'Alt', 'Shift'), as a person does.
export async function pressWith(page, modifiers, key) {
  for (const modifier of modifiers) await page.keyboard.down(modifier);
  await page.keyboard.press(key);
  for (const modifier of [...modifiers].reverse()) await page.keyboard.up(modifier);
}

// The accessibility tree's nodes of a role, each as { name, role, properties }.
export async function accessibleNodes(page, role) {
  const nodes = await accessibilityTree(page);
  return nodes.filter((node) => !node.ignored && node.role?.value === role).map((node) => ({
    name: node.name?.value ?? '',
    role: node.role.value,
    properties: Object.fromEntries((node.properties ?? []).map((p) => [p.name, p.value?.value])),
  }));
}

// From the input line or the screen, Shift+Tab back to the menu bar (before them on the
// page), then Home to its first menu; returns the id of the element focused at the end.
export async function tabToMenuBar(page) {
  for (let presses = 0; presses < 8 && !(await focusedId(page)).startsWith('menu-'); ++presses) {
    await pressWith(page, ['Shift'], 'Tab');
  }
  await page.keyboard.press('Home');
  return focusedId(page);
}

// --- The page's own voice (speech.test.mjs) ------------------------------------------
// A stand-in for the browser's speechSynthesis that keeps what the page hands it: each
// speak (text, voice, pitch, rate, volume, performance.now()) and each cancel, in
// `window.__speech`. An utterance ends 5 ms after it starts, or, while
// `window.__speechHold` is true, only when cancelled; while `window.__speechRefuse` is
// true it is refused as a browser refuses speech before the page's first key or click.
// `voices` are {name, lang}.
export function recordingSpeech(page, { voices = [{ name: 'Test cs', lang: 'cs-CZ' }] } = {}) {
  return page.evaluateOnNewDocument((listed) => {
    const log = [];
    const pending = new Set();
    const voiceList = listed.map((voice) => ({ ...voice, default: false, localService: true, voiceURI: voice.name }));
    window.__speech = log;
    window.__speechHold = false;
    window.__speechRefuse = false;
    window.SpeechSynthesisUtterance = class {
      constructor(text) {
        Object.assign(this, { text, voice: null, lang: '', pitch: 1, rate: 1, volume: 1, onend: null, onerror: null });
      }
    };
    const synth = {
      getVoices: () => voiceList.slice(),
      addEventListener: () => {},
      removeEventListener: () => {},
      speak(utterance) {
        log.push({ type: 'speak', text: utterance.text, voice: utterance.voice ? utterance.voice.name : null,
          pitch: utterance.pitch, rate: utterance.rate, volume: utterance.volume, at: performance.now() });
        if (window.__speechRefuse) {
          setTimeout(() => utterance.onerror && utterance.onerror({ error: 'not-allowed' }), 1);
          return;
        }
        pending.add(utterance);
        setTimeout(() => {
          if (!window.__speechHold && pending.delete(utterance) && utterance.onend) utterance.onend({});
        }, 5);
      },
      cancel() {
        log.push({ type: 'cancel', at: performance.now() });
        for (const utterance of [...pending]) {
          pending.delete(utterance);
          if (utterance.onerror) utterance.onerror({ error: 'interrupted' });
        }
      },
    };
    Object.defineProperty(window, 'speechSynthesis', { value: synth, configurable: true });
  }, voices);
}

// Opens the game heard one way: 'voice' (the page's own) or 'reader' (the player's
// screen reader). The stored settings say so; where the page still asks (no stored files),
// the question is answered the same way. `prepare(page)` runs before the page loads.
export async function openHeard(browser, url, { hearing = 'voice', files, prepare } = {}) {
  const page = await browser.newPage();
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  if (prepare) await prepare(page);
  const stored = files !== undefined ? files : { 'tovana.ini': settingsFile({ voice: hearing === 'voice' }) };
  await page.evaluateOnNewDocument((seeded) => {
    if (sessionStorage.getItem('tovana-test-seeded')) return;
    sessionStorage.setItem('tovana-test-seeded', '1');
    for (const key of Object.keys(localStorage)) {
      if (key.startsWith('tovana:')) localStorage.removeItem(key);
    }
    for (const [name, text] of Object.entries(seeded ?? {})) {
      localStorage.setItem(`tovana:${name}`, btoa(text));
    }
  }, stored);
  await page.goto(url, { waitUntil: 'load' });
  // With a real voice the opening is spoken before the first command is asked for.
  await page.waitForFunction(() => document.getElementById('hearing') !== null ||
    (window.tovanaPage && window.tovanaPage.lineWaiter !== null), { timeout: 90000 });
  const question = await page.$(`#hearing button[data-answer="${hearing}"]`);
  if (question) await question.click();
  await waitForInputLine(page);
  return page;
}

// What the page handed the speech stand-in since `from` (an index into its log).
export async function spoken(page, from = 0) {
  return page.evaluate((start) => window.__speech.slice(start), from);
}

// The settings file as the program keeps it in the page's file system.
export async function storedSettings(page) {
  return page.evaluate(() => window.tovanaPage.module.FS.readFile('/user/tovana.ini', { encoding: 'utf8' }));
}
