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

// Serves the site folder on 127.0.0.1 at a free port, as any static host would.
export async function serveSite(dir = siteDir) {
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
    response.writeHead(200, { 'Content-Type': types[path.extname(file)] ?? 'application/octet-stream' });
    fs.createReadStream(file).pipe(response);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const { port } = server.address();
  return { url: `http://127.0.0.1:${port}/`, close: () => new Promise((resolve) => server.close(resolve)) };
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
  if (waitForInput) await waitForInputLine(page);
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
