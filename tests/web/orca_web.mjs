// The page beside the Orca screen reader, driven from tests/web/orca_web.sh, which has
// started the X server, the accessibility bus and Orca (its speech recorded in its debug
// log, ORCA_LOG; its process ORCA_PID). Chromium runs with a window on that display and
// its accessibility on, the page's own voice off, so the followed region is Orca's to read.
// Two commands are typed; Orca must speak each answer, once, and never the command.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import puppeteer from 'puppeteer-core';
import { chromiumPath, openGame, serveSite, settingsFile, waitForInputLine } from './harness.mjs';

const log = process.env.ORCA_LOG;
const orcaPid = Number(process.env.ORCA_PID);
if (!log || !orcaPid) throw new Error('run by tests/web/orca_web.sh (ORCA_LOG, ORCA_PID)');

const sleep = (ms) => new Promise((resolve) => setTimeout(resolve, ms));

// Orca's utterances, each with the time of day it was said at (seconds, the machine's
// local time, as Orca's log writes it); an utterance's later lines are indented.
export function utterances(text) {
  const said = [];
  let current = null;
  for (const line of text.split('\n')) {
    const at = line.indexOf(' - SPEECH OUTPUT: ');
    if (at >= 0) {
      if (current !== null) said.push(current);
      const [hours, minutes, seconds] = line.slice(0, at).split(':').map(Number);
      current = { at: hours * 3600 + minutes * 60 + seconds, text: line.slice(at + 18) };
    } else if (current !== null && /^ {18}/.test(line)) {
      current.text += ` ${line.trim()}`;
    } else if (current !== null) {
      said.push(current);
      current = null;
    }
  }
  if (current !== null) said.push(current);
  // The log quotes each utterance and adds its voice's state: 'text'{'established': False}
  for (const utterance of said) {
    utterance.text = utterance.text.replace(/\{[^{}]*\}\s*$/, '').trim().replace(/^(['"])(.*)\1$/s, '$2').trim();
  }
  return said;
}

const timeOfDay = (date = new Date()) =>
  date.getHours() * 3600 + date.getMinutes() * 60 + date.getSeconds() + date.getMilliseconds() / 1000;

const spokenTimed = () => utterances(fs.existsSync(log) ? fs.readFileSync(log, 'utf8') : '');
// Orca writes its log in blocks, and it drops the live region messages it has queued at
// any key press, as when a player interrupts it: so the log is read only once Orca has been
// stopped, and each step is given time to be spoken, without a key to hurry the log.
const kSpeakMs = Number(process.env.TOVANA_ORCA_WAIT_MS ?? 10000);
// A key that makes Orca handle its stop signal, at the very end.
const nudge = () => execFileSync('xdotool', ['key', 'shift']);

// Stops Orca, which writes out the rest of its log; it handles the signal at its next event.
async function stopOrca() {
  try {
    process.kill(orcaPid, 'SIGTERM');
  } catch {
    return;
  }
  for (let i = 0; i < 50; ++i) {
    try {
      process.kill(orcaPid, 0);
    } catch {
      return;
    }
    nudge();
    await sleep(100);
  }
  try {
    process.kill(orcaPid, 'SIGKILL');
  } catch { /* gone meanwhile */ }
}

const server = await serveSite();
const browser = await puppeteer.launch({
  executablePath: chromiumPath,
  headless: false,
  env: process.env,
  defaultViewport: null,
  args: ['--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
    '--disable-background-networking', '--disable-component-update', '--disable-sync',
    '--force-renderer-accessibility', '--window-position=0,0', '--window-size=1200,850',
    // Its offer to translate the Czech page would take the focus from the page.
    '--disable-features=Translate', '--lang=cs'],
});
let failure = null;
let page = null;
const answers = [];
try {
  page = await openGame(browser, server.url, { files: { 'tovana.ini': settingsFile({ voice: false }) } });
  // Orca follows the window that has the focus, as it follows a person's. No window manager
  // runs here, so the focus is given to the window itself.
  const window = execFileSync('xdotool', ['search', '--sync', '--onlyvisible', '--class', 'chromium'],
    { encoding: 'utf8', timeout: 20000 }).trim().split('\n').pop();
  execFileSync('xdotool', ['windowfocus', '--sync', window], { timeout: 10000 });
  await page.bringToFront();
  // Typed only once Orca has presented the page, as a listener would wait: else it reads
  // the field as it finds it, half a command in it. When the page has loaded, Orca puts
  // its caret at the page's start, which takes the focus from the field: the player goes
  // back to it, and Orca presents it.
  await sleep(kSpeakMs);
  await page.focus('#inputline');
  await sleep(kSpeakMs / 2);

  // Each answer as the page shows it in the followed region: its lines with text.
  const lastAnswer = () => page.$eval('#answers .answer:last-of-type', (node) =>
    [...node.querySelectorAll('p')].map((p) => p.textContent.trim()).filter((line) => line !== ''));
  for (const command of ['vezmi dopis', 'v']) {
    const typed = timeOfDay();
    if (answers.length) answers.at(-1).until = typed;
    await page.keyboard.type(command, { delay: 60 });
    await page.keyboard.press('Enter');
    const sent = timeOfDay();
    await waitForInputLine(page);
    answers.push({ command, lines: await lastAnswer(), sent, until: Infinity });
    await sleep(kSpeakMs);
  }
  if (page.errors.length) failure ??= `the page failed: ${page.errors.join('; ')}`;
} catch (error) {
  failure = error.message;
  if (page) {
    // Where the page stood, to tell a page that lost its field from a slow one.
    failure += ` ${JSON.stringify(await page.evaluate(() => ({
      focus: document.activeElement && (document.activeElement.id || document.activeElement.nodeName),
      busy: document.getElementById('inputline').getAttribute('aria-busy'),
      field: document.getElementById('inputline').value,
      waiting: window.tovanaPage && window.tovanaPage.lineWaiter !== null,
      answers: document.querySelectorAll('#answers .answer').length,
    })).catch(() => 'no state'))}`;
  }
} finally {
  await stopOrca();
  await browser.close();
  await server.close();
}

const timed = spokenTimed();
const said = timed.map((utterance) => utterance.text);
console.log("Orca's speech:");
for (const utterance of said) {
  if (!/^(left )?shift$/i.test(utterance)) console.log(`  ${utterance.slice(0, 300)}`);
}
// Every line of each answer once, and no command read back: neither as typed nor as the
// field's content after it was sent.
const count = (phrase) => said.filter((utterance) => utterance.includes(phrase)).length;
for (const { command, lines, sent, until } of answers) {
  console.log(`answer to "${command}": ${lines.join(' | ')}`);
  for (const line of lines) {
    if (!failure && count(line) !== 1) failure = `"${line}" (after "${command}") was spoken ${count(line)} times`;
    // And between the command and the next one: the times that bound the check below are
    // the log's own.
    const inTime = timed.filter(({ at, text }) => at >= sent && at < until && text.includes(line)).length;
    if (!failure && inTime !== 1) failure = `"${line}" was not spoken between "${command}" and the next command`;
  }
  // Only after it was sent: while it is typed, Orca may present the field with the part
  // typed so far, as it does when the field's first change tells it the field has the focus.
  const typed = timed.filter(({ at, text }) => at >= sent && at < until && (text === command ||
    text.replace(/\.$/, '').endsWith(`entry ${command}`))).length;
  if (!failure && typed !== 0) failure = `the command "${command}" was read back ${typed} times`;
}
if (!failure && answers.length === 0) failure ??= 'no command was answered';
if (failure) {
  console.log(`FAILED: ${failure}`);
  process.exitCode = 1;
} else {
  console.log('Orca spoke each answer once and no command');
}
