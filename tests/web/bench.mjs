// The browser edition's budgets, measured on the real path: the built site as a static host
// serves it, Debian's chromium headless, real key events. Run by scripts/bench-web.
//   node tests/web/bench.mjs [--quick]
// --quick: one load and three commands, only to see that every figure can be taken; the
// budgets are then printed but not judged (the exit status says only that it measured).
// Times are the page's own performance.now(), whose zero is the navigation's start.
import { execFileSync } from 'node:child_process';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';
import { launchBrowser, recordingSpeech, serveSite, settingsFile, siteDir, waitForInputLine } from './harness.mjs';

const quick = process.argv.includes('--quick');
const kLoads = quick ? 1 : 5;
// Back and forth between the clearing and the place east of it, the branch there taken, and
// a command refused: every command is answered, and none leads towards a death.
const kCommands = (quick ? ['v', 'z', 'v'] :
  [...Array(8).fill(['v', 'z']).flat(), 'v', 'vezmi větev', 'polož kámen', 'z']);
const kTimeoutMs = 30000;

const budgets = {
  siteBytes: 1.5e6, // gzipped, every file of the site
  loadMs: 500,      // navigation start to the opening's first line in the followed region
  echoMs: 5,        // key to its echo handed to speechSynthesis
  answerMs: 50,     // Enter to the answer's first line, speech off
};

// What else the machine was doing (uptime's load averages) and its processor count, so a
// figure can be read in context.
function load() {
  const uptime = execFileSync('uptime', { encoding: 'utf8' }).trim();
  return `${uptime.replace(/^.*load average/, 'load average')} on ${os.cpus().length} cores`;
}

function median(values) {
  const sorted = [...values].sort((a, b) => a - b);
  const middle = Math.floor(sorted.length / 2);
  return sorted.length % 2 ? sorted[middle] : (sorted[middle - 1] + sorted[middle]) / 2;
}

// The nearest-rank percentile: a value that was measured, never one between two.
function percentile(values, p) {
  const sorted = [...values].sort((a, b) => a - b);
  return sorted[Math.max(0, Math.ceil((p / 100) * sorted.length) - 1)];
}

// Every file of the site as `gzip -9` writes it, summed.
function siteSize(dir) {
  const files = [];
  const walk = (folder) => {
    for (const entry of fs.readdirSync(folder, { withFileTypes: true })) {
      const file = path.join(folder, entry.name);
      if (entry.isDirectory()) walk(file);
      else if (entry.isFile()) files.push(file);
    }
  };
  walk(dir);
  if (files.length === 0) throw new Error(`no files in ${dir}: build the site first (scripts/web --build-only)`);
  return files.map((file) => ({
    name: path.relative(dir, file),
    raw: fs.statSync(file).size,
    gzipped: execFileSync('gzip', ['-9', '-c', file], { maxBuffer: 1 << 30 }).length,
  }));
}

// Installed before any of the page's scripts: the times at which a line of an answer enters
// the followed region and at which Enter goes down, both independent of the page's code.
// The observer's callback runs after the task that inserted the line, so a line's time is
// never earlier than its insertion.
function instrument() {
  return (stored) => {
    window.benchmark = { lines: [], enters: [] };
    for (const key of Object.keys(localStorage)) {
      if (key.startsWith('tovana:')) localStorage.removeItem(key);
    }
    for (const [name, text] of Object.entries(stored)) localStorage.setItem(`tovana:${name}`, btoa(text));
    const said = (node) => node.nodeName === 'P' && node.getAttribute('aria-hidden') !== 'true' &&
      node.closest('#answers') !== null;
    new MutationObserver((records) => {
      const now = performance.now();
      for (const record of records) {
        for (const node of record.addedNodes) {
          if (node.nodeType !== Node.ELEMENT_NODE) continue;
          const lines = said(node) ? [node] : [...node.querySelectorAll('p')].filter(said);
          for (const line of lines) window.benchmark.lines.push({ at: now, text: line.textContent });
        }
      }
    }).observe(document, { childList: true, subtree: true });
    document.addEventListener('keydown', (event) => {
      // The event's own time stamp: when the key went down, before any handler ran.
      if (event.key === 'Enter') window.benchmark.enters.push(event.timeStamp);
    }, true);
  };
}

async function freshPage(browser, url, files, prepare, { tab = false } = {}) {
  // A context of its own: no cache, no stored files but the seeded ones. A `tab` is a new
  // tab of the browser's window with the cache off: Chromium opens each new context in a
  // window of its own and builds that window's address bar popup (a page of its own UI)
  // meanwhile, which on two cores took the processor from the page being measured.
  const context = tab ? null : await browser.createBrowserContext();
  const page = await (context ?? browser.defaultBrowserContext()).newPage();
  if (tab) await page.setCacheEnabled(false);
  page.errors = [];
  page.on('pageerror', (error) => page.errors.push(error.message));
  if (prepare) await prepare(page);
  await page.evaluateOnNewDocument(instrument(), files);
  await page.goto(url, { waitUntil: 'load', timeout: kTimeoutMs });
  return { context, page };
}

// Page loads, `kLoads` of them after one that is not counted (the browser's own first
// page, which also pays for starting its renderer); each in a new tab (`tab`) or a new
// window.
async function measureLoads(browser, url, { tab }) {
  const firstLines = [];
  for (let i = -1; i < kLoads; ++i) {
    const { context, page } = await freshPage(browser, url, { 'tovana.ini': settingsFile() }, null, { tab });
    await page.waitForFunction(() => window.benchmark.lines.length > 0, { timeout: kTimeoutMs });
    const first = await page.evaluate(() => {
      const navigation = performance.getEntriesByType('navigation')[0];
      const wasm = performance.getEntriesByType('resource').find((entry) => entry.name.endsWith('.wasm'));
      return {
        observed: window.benchmark.lines[0].at,
        page: window.tovanaPage && window.tovanaPage.timings.firstLine,
        parsed: navigation ? navigation.domContentLoadedEventEnd : null,
        wasm: wasm ? wasm.responseEnd : null,
      };
    });
    if (page.errors.length) throw new Error(`the page failed: ${page.errors.join('; ')}`);
    if (i >= 0) firstLines.push(first.observed);
    const ms = (value) => (value === null || value === undefined ? '-' : `${value.toFixed(1)} ms`);
    console.log(`${tab ? 'tab' : 'window'} load ${i < 0 ? '(not counted)' : i + 1}: first line at ` +
      `${ms(first.observed)} (the page's own record: ${ms(first.page)}); document parsed at ` +
      `${ms(first.parsed)}, wasm fetched at ${ms(first.wasm)}`);
    await page.close();
    await context?.close();
  }
  return firstLines;
}

async function measureCommands(browser, url) {
  const { context, page } = await freshPage(browser, url, { 'tovana.ini': settingsFile({ voice: false }) });
  await waitForInputLine(page, kTimeoutMs);
  const times = [];
  for (const command of kCommands) {
    const before = await page.evaluate(() => ({
      lines: window.benchmark.lines.length, enters: window.benchmark.enters.length,
    }));
    await page.keyboard.type(command);
    await page.keyboard.press('Enter');
    await page.waitForFunction((seen) => window.benchmark.lines.length > seen.lines &&
      window.benchmark.enters.length > seen.enters, { timeout: kTimeoutMs }, before);
    const taken = await page.evaluate((seen) => ({
      enter: window.benchmark.enters[seen.enters],
      line: window.benchmark.lines[seen.lines],
    }), before);
    times.push(taken.line.at - taken.enter);
    console.log(`${command}: ${(taken.line.at - taken.enter).toFixed(2)} ms → ${taken.line.text.trim()}`);
    await waitForInputLine(page, kTimeoutMs);
  }
  if (page.errors.length) throw new Error(`the page failed: ${page.errors.join('; ')}`);
  await context.close();
  return times;
}

// The echoes, where the page records them (page.timings.echoes: key to the speak call of
// its echo, ms), typed with the page's own voice on. Headless chromium has no voices of its
// own, so the speech service behind speechSynthesis is a stand-in that takes each utterance
// (harness.mjs): what is measured is the page's path from the key to speak(), all of it real.
async function measureEchoes(browser, url) {
  const { context, page } = await freshPage(browser, url, { 'tovana.ini': settingsFile({ voice: true }) },
    (tab) => recordingSpeech(tab));
  try {
    await waitForInputLine(page, kTimeoutMs);
    const recorded = await page.evaluate(() => Array.isArray(window.tovanaPage.timings.echoes));
    if (!recorded) return { note: 'not measured (no own voice yet)' };
    await page.keyboard.type(quick ? 'abc' : 'vezmi vetev', { delay: 150 });
    const echoes = await page.evaluate(() => [...window.tovanaPage.timings.echoes]);
    const inPage = await page.evaluate(() => [...(window.tovanaPage.timings.echoesInPage ?? [])]);
    if (echoes.length === 0) return { note: 'not measured (no echo was handed to speechSynthesis)' };
    return { values: inPage.length === echoes.length ? inPage : echoes, fromEvent: echoes };
  } finally {
    await context.close();
  }
}

function row(name, figure, budget, pass) {
  const verdict = typeof pass === 'string' ? pass : (pass === null ? '-' : (pass ? 'PASS' : 'FAIL'));
  return `${name.padEnd(34)} ${figure.padEnd(50)} ${budget.padEnd(8)} ${verdict}`;
}

async function main() {
  const loadBefore = load();
  const files = siteSize(siteDir);
  const siteBytes = files.reduce((sum, file) => sum + file.gzipped, 0);
  for (const file of files.sort((a, b) => b.gzipped - a.gzipped)) {
    console.log(`${file.name.padEnd(20)} ${String(file.raw).padStart(9)} B, gzip -9 ${String(file.gzipped).padStart(8)} B`);
  }

  const server = await serveSite(siteDir);
  const browser = await launchBrowser();
  let loads, windowLoads, commands, echoes;
  try {
    loads = await measureLoads(browser, server.url, { tab: true });
    windowLoads = await measureLoads(browser, server.url, { tab: false });
    commands = await measureCommands(browser, server.url);
    echoes = await measureEchoes(browser, server.url);
  } finally {
    await browser.close();
    await server.close();
  }
  const loadAfter = load();

  const judge = (pass) => (quick ? null : pass);
  const loadMedian = median(loads);
  const answerMedian = median(commands);
  const answerP95 = percentile(commands, 95);
  const lines = [
    row('budget', 'measured', 'at most', 'verdict'),
    row('site, gzip -9, all files', `${(siteBytes / 1e6).toFixed(3)} MB (${files.length} files)`,
      '1.5 MB', judge(siteBytes <= budgets.siteBytes)),
    row(`load to first line, ${kLoads} loads`, `median ${loadMedian.toFixed(0)} ms ` +
      `(${loads.map((ms) => ms.toFixed(0)).join(', ')})`, '500 ms', judge(loadMedian <= budgets.loadMs)),
    row('  each in a new window', `median ${median(windowLoads).toFixed(0)} ms ` +
      `(${windowLoads.map((ms) => ms.toFixed(0)).join(', ')})`, '', '-'),
  ];
  if (echoes.values) {
    // Judged from the page's first sight of the key (its handler's performance.now()) to
    // speak(); the line below adds the browser's own delivery of the key, from the event's
    // time stamp, which the page cannot shorten: its first key is late in every page.
    const echoMedian = median(echoes.values);
    lines.push(row(`key to echo, ${echoes.values.length} keys`, `median ${echoMedian.toFixed(2)} ms, ` +
      `p95 ${percentile(echoes.values, 95).toFixed(2)} ms`, '5 ms', judge(percentile(echoes.values, 95) <= budgets.echoMs)));
    lines.push(row('  with the key\'s delivery', `median ${median(echoes.fromEvent).toFixed(2)} ms, ` +
      `p95 ${percentile(echoes.fromEvent, 95).toFixed(2)} ms, max ${Math.max(...echoes.fromEvent).toFixed(2)} ms`, '', '-'));
  } else {
    lines.push(row('key to echo', echoes.note, '5 ms', null));
  }
  lines.push(row(`command to answer, ${commands.length} cmds`, `median ${answerMedian.toFixed(1)} ms, ` +
    `p95 ${answerP95.toFixed(1)} ms`, '50 ms', judge(answerP95 <= budgets.answerMs)));
  console.log('');
  console.log(`tovana web budgets${quick ? ' (quick: not judged)' : ''}, chromium headless`);
  console.log(`machine before: ${loadBefore}`);
  console.log(`machine after:  ${loadAfter}`);
  for (const line of lines) console.log(line);
  const failed = lines.some((line) => line.endsWith('FAIL'));
  if (!quick) console.log(failed ? 'budgets: FAIL' : 'budgets: PASS');
  process.exitCode = failed ? 1 : 0;
}

main().catch((error) => {
  console.error(`bench-web: ${error.stack ?? error}`);
  process.exitCode = 2;
});
