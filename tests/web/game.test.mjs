// The game in the browser as a player meets it: the desktop tests' winning walkthrough
// typed key by key into the page, the player's files kept over a reload, and what the
// accessibility tree gives a screen reader while commands come and go.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  serveSite, launchBrowser, openGame, waitForInputLine, answers, accessibilityTree, siteDir,
} from './harness.mjs';
import { winningCommands } from './walkthrough.mjs';
import { createHash } from 'node:crypto';
import fs from 'node:fs';
import os from 'node:os';
import path from 'node:path';

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

const pause = (milliseconds) => new Promise((resolve) => setTimeout(resolve, milliseconds));

// Types the text as key presses and releases. A character the US layout has no key for
// ("ě", "á") comes as a Czech keyboard sends it: a key whose press produces it.
async function typeKeys(page, session, text, delay = 15) {
  for (const character of text) {
    if (/^[ -~]$/.test(character)) {
      await page.keyboard.press(character === ' ' ? 'Space' : character);
    } else {
      await session.send('Input.dispatchKeyEvent',
        { type: 'keyDown', key: character, text: character, unmodifiedText: character });
      await session.send('Input.dispatchKeyEvent', { type: 'keyUp', key: character });
    }
    await pause(delay);
  }
}

// Sends a command and waits until the program has answered it: for its next line, or,
// with `last`, until the run has ended.
async function command(page, session, text, { last = false } = {}) {
  await typeKeys(page, session, text);
  assert.equal(await page.$eval('#inputline', (field) => field.value), text);
  await page.keyboard.press('Enter');
  if (last) {
    await page.waitForFunction(() => !window.tovanaPage.running, { timeout: 30000 });
  } else {
    await waitForInputLine(page);
  }
}

const userFile = (page, name) => page.evaluate((file) => {
  const fs = window.tovanaPage.module.FS;
  return fs.analyzePath(`/user/${file}`).exists ? Array.from(fs.readFile(`/user/${file}`)) : null;
}, name);

// A file as its size and digest, so a difference reads in one line.
const digest = (bytes) => bytes === null ? null
  : { size: bytes.length, sha256: createHash('sha256').update(Buffer.from(bytes)).digest('hex') };

// The winning game's page, kept for the reload that follows it.
let won = null;

test('the winning walkthrough, typed key by key, plays to the end', async () => {
  const commands = winningCommands();
  assert.ok(commands.length > 50, `only ${commands.length} commands read`);
  const page = await openGame(browser, server.url);
  const session = await page.createCDPSession();
  try {
    const first = (await answers(page)).length;
    for (const [index, text] of commands.entries()) {
      await command(page, session, text, { last: index === commands.length - 1 });
    }
    // One answer for each command; the last one is the win, and the run ends with it.
    assert.equal((await answers(page)).length, first + commands.length);
    const screen = await page.$eval('#screen', (node) => node.textContent);
    assert.match(screen, /hotovo/);
    assert.equal(await page.$eval('#inputdialog', (dialog) => dialog.hidden), true);
    assert.equal((await userFile(page, 'ram.dat'))?.length, 65536);
    assert.deepEqual(page.errors, []);
    won = page;
  } finally {
    await session.detach();
    if (won !== page) await page.close();
  }
});

// The page keeps the player's files in the browser's storage (storage.js).
test('after a reload the memory image and the settings are the ones the game left', async () => {
    assert.ok(won, 'the winning game did not play');
    const page = won;
    try {
      await page.evaluate(() => window.tovanaPage.chords.toggle()); // braille mode on, written
      const image = digest(await userFile(page, 'ram.dat'));
      const settings = Buffer.from(await userFile(page, 'tovana.ini')).toString();
      await page.reload({ waitUntil: 'load' });
      await waitForInputLine(page);
      assert.deepEqual(digest(await userFile(page, 'ram.dat')), image);
      const restored = await userFile(page, 'tovana.ini');
      assert.equal(restored && Buffer.from(restored).toString(), settings);
      assert.equal(await page.evaluate(() => window.tovanaPage.chords.isOn()), true);
      assert.deepEqual(page.errors, []);
    } finally {
      await page.close();
    }
  });

// The accessibility tree's nodes by id, with a way up to their ancestors.
function treeOf(nodes) {
  const byId = new Map(nodes.map((node) => [node.nodeId, node]));
  const property = (node, name) => node.properties?.find((p) => p.name === name)?.value.value;
  const ancestors = (node) => {
    const chain = [];
    for (let at = byId.get(node.parentId); at; at = byId.get(at.parentId)) chain.push(at);
    return chain;
  };
  const find = (role, name) => nodes.filter((node) => !node.ignored && node.role?.value === role &&
    (name === undefined || node.name?.value === name));
  // The texts under a node, in the tree's order.
  const texts = (node) => {
    const found = [];
    const walk = (at) => {
      if (!at) return;
      if (!at.ignored && at.role?.value === 'StaticText') found.push(at.name?.value ?? '');
      else for (const id of at.childIds ?? []) walk(byId.get(id));
    };
    walk(node);
    return found;
  };
  return { property, ancestors, find, texts };
}

test('the accessibility tree: the dialog and its field, each answer once in the followed log', async () => {
  const page = await openGame(browser, server.url);
  const session = await page.createCDPSession();
  try {
    let tree = treeOf(await accessibilityTree(page));
    const [dialog] = tree.find('dialog', 'Vlož data');
    assert.ok(dialog, 'no dialog named "Vlož data"');
    const [field] = tree.find('textbox', 'Vlož data');
    assert.ok(field, 'no field named "Vlož data"');
    assert.equal(tree.property(field, 'focused'), true);
    assert.ok(tree.ancestors(field).includes(dialog), 'the field is not in the dialog');
    const [log] = tree.find('log', 'Odpovědi');
    assert.ok(log, 'no log named "Odpovědi"');
    assert.equal(tree.property(log, 'live'), 'polite');
    assert.equal(tree.property(log, 'relevant'), 'additions');

    // What changes in the log from here: answers added to it, and any change inside an
    // answer that was there before (a screen reader would read it again).
    await page.evaluate(() => {
      const log = document.getElementById('answers');
      window.logChanges = { added: 0, oldTouched: 0 };
      window.oldAnswers = new Set(log.querySelectorAll('.answer'));
      new MutationObserver((records) => {
        for (const record of records) {
          if (record.target === log) window.logChanges.added += record.addedNodes.length;
          for (let at = record.target; at && at !== log; at = at.parentNode) {
            if (window.oldAnswers.has(at)) window.logChanges.oldTouched += 1;
          }
        }
      }).observe(log, { childList: true, subtree: true, characterData: true, attributes: true });
    });
    const changes = async () => {
      const seen = await page.evaluate(() => ({ ...window.logChanges }));
      await page.evaluate(() => {
        window.logChanges = { added: 0, oldTouched: 0 };
        window.oldAnswers = new Set(document.querySelectorAll('#answers .answer'));
      });
      return seen;
    };

    for (const text of winningCommands().slice(0, 6)) {
      await command(page, session, text);
      assert.deepEqual(await changes(), { added: 1, oldTouched: 0 }, `after "${text}"`);
      tree = treeOf(await accessibilityTree(page));
      const [followed] = tree.find('log', 'Odpovědi');
      const inLog = tree.texts(followed).slice(1); // after the log's own heading
      // The log reads as the answers, each once, in order, and never the command.
      const expected = (await answers(page)).flat();
      assert.deepEqual(inLog, expected);
      assert.ok(!inLog.includes(text), `the command "${text}" is in the log`);
      const [again] = tree.find('textbox', 'Vlož data');
      assert.equal(tree.property(again, 'focused'), true, `the field lost the focus after "${text}"`);
    }

    // Scrolling the page and the log touches no answer and adds none.
    await page.evaluate(() => {
      window.scrollTo(0, document.body.scrollHeight);
      document.getElementById('answers').scrollTop = 0;
      document.getElementById('screen').scrollIntoView();
      window.scrollTo(0, 0);
    });
    await page.mouse.wheel({ deltaY: 400 });
    await page.mouse.wheel({ deltaY: -400 });
    await pause(200);
    assert.deepEqual(await changes(), { added: 0, oldTouched: 0 });
    assert.equal(await page.evaluate(() => document.querySelectorAll('#inputline').length), 1);
    assert.deepEqual(page.errors, []);
  } finally {
    await session.detach();
    await page.close();
  }
});

test('the program\'s module: compiled from its bytes under another type, and a missing one is told', async () => {
  // A host that does not know .wasm serves it as plain bytes: the page compiles it anyway.
  const plainHost = await serveSite(siteDir, { typeOf: { '.wasm': 'application/octet-stream' } });
  try {
    const page = await openGame(browser, plainHost.url);
    assert.deepEqual(page.errors, []);
    await page.close();
  } finally {
    await plainHost.close();
  }
  // Without the module the page says which file failed, instead of waiting for ever.
  const copy = fs.mkdtempSync(path.join(os.tmpdir(), 'tovana-site-'));
  fs.cpSync(siteDir, copy, { recursive: true });
  fs.rmSync(path.join(copy, 'tovana.wasm'));
  const brokenHost = await serveSite(copy);
  try {
    const page = await browser.newPage();
    await page.goto(brokenHost.url, { waitUntil: 'load' });
    await page.waitForFunction(() => document.getElementById('loading').textContent.includes('tovana.wasm'),
      { timeout: 20000 });
    const told = await page.$eval('#loading', (node) => ({ text: node.textContent, role: node.getAttribute('role') }));
    assert.match(told.text, /tovana\.wasm: 404/);
    assert.equal(told.role, 'status');
    await page.close();
  } finally {
    await brokenHost.close();
    fs.rmSync(copy, { recursive: true, force: true });
  }
});
