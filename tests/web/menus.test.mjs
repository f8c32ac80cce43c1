// The page's menus in chromium: the menu bar by keyboard, the desktop's shortcuts and
// their Alt+Shift alternatives, the run-only items, the dialogs, the language switch,
// the accessibility tree's names, and the page on a phone and at 200 % zoom.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  openGame, settingsFile, typeCommand, answers,
  focusedId, pressWith, accessibleNodes, storedFile, tabToMenuBar as harnessTabToMenuBar,
  openSiteAndBrowser, closeSiteAndBrowser,
} from './harness.mjs';

let site;
let browser;
before(async () => ({ site, browser } = await openSiteAndBrowser()));
after(() => closeSiteAndBrowser({ site, browser }));

async function tabToMenuBar(page) {
  assert.equal(await harnessTabToMenuBar(page), 'menu-0');
}

// Program, Exit by keyboard: the program ends and the run-only items are enabled.
async function exitByKeyboard(page) {
  await tabToMenuBar(page);
  await page.keyboard.press('Enter');
  await page.keyboard.press('ArrowDown');
  assert.equal(await focusedId(page), 'menuitem-exit');
  await page.keyboard.press('Enter');
  await page.waitForFunction(() => window.tovanaPage.ended === true, { timeout: 10000 });
}

const attribute = (page, selector, name) =>
  page.$eval(selector, (element, name) => element.getAttribute(name), name);
const openDialogTitle = (page) =>
  page.evaluate(() => document.querySelector('dialog[open] h2')?.textContent ?? null);
// A dialog's answer is taken when its close event has run: the dialog is gone then.
const dialogGone = (page) =>
  page.waitForFunction(() => !document.querySelector('dialog.menudialog'), { timeout: 5000 });

test('the menu bar by keyboard: arrows, Escape, Enter, and the focus back at the input line', async () => {
  const page = await openGame(browser, site.url);
  try {
    await tabToMenuBar(page);
    // Each menu button is a Tab stop of its own.
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(page), 'menu-1');
    await pressWith(page, ['Shift'], 'Tab');
    assert.equal(await focusedId(page), 'menu-0');

    await page.keyboard.press('ArrowDown');
    assert.equal(await attribute(page, '#menu-0', 'aria-expanded'), 'true');
    assert.equal(await focusedId(page), 'menuitem-start');
    await page.keyboard.press('ArrowDown');
    assert.equal(await focusedId(page), 'menuitem-exit');
    await page.keyboard.press('ArrowDown');
    assert.equal(await focusedId(page), 'menuitem-start', 'Down wraps to the first item');
    await page.keyboard.press('ArrowUp');
    assert.equal(await focusedId(page), 'menuitem-exit', 'Up wraps to the last item');

    // Right opens the next menu at its first item and closes the one before.
    await page.keyboard.press('ArrowRight');
    assert.equal(await focusedId(page), 'menuitem-braillekeyboard');
    assert.equal(await attribute(page, '#menu-0', 'aria-expanded'), 'false');
    assert.equal(await page.$eval('#menu-0-items', (list) => list.hidden), true);
    await page.keyboard.press('End');
    assert.equal(await focusedId(page), 'menuitem-environment');

    // Escape closes the menu onto its button; a second Escape leaves the bar.
    await page.keyboard.press('Escape');
    assert.equal(await focusedId(page), 'menu-1');
    assert.equal(await attribute(page, '#menu-1', 'aria-expanded'), 'false');
    await page.keyboard.press('Escape');
    assert.equal(await focusedId(page), 'inputline');

    // While the program runs, Start does nothing and the game goes on.
    await tabToMenuBar(page);
    await page.keyboard.press('Enter');
    assert.equal(await focusedId(page), 'menuitem-start');
    assert.equal(await attribute(page, '#menuitem-start', 'aria-disabled'), 'true');
    await page.keyboard.press('Enter');
    assert.equal(await page.evaluate(() => window.tovanaPage.running), true);
    await page.keyboard.press('Escape');
    await page.keyboard.press('Escape');
    assert.equal(await focusedId(page), 'inputline');
    const before = (await answers(page)).length;
    await typeCommand(page, 'rozhledni se');
    assert.ok((await answers(page)).length > before, 'the game answers after the menus closed');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('shortcuts: only Start waits for the end of the run; the browser never gets them', async () => {
  const page = await openGame(browser, site.url);
  try {
    await page.evaluate(() => {
      window.chordToggles = 0;
      window.voiceDialogs = 0;
      window.tovanaPage.chords.toggle = () => { window.chordToggles += 1; };
      window.tovanaPage.speech.openVoiceDialog = () => { window.voiceDialogs += 1; };
      // Each letter's event, first of all (window, capture), read once it is done.
      window.letters = [];
      window.addEventListener('keydown', (event) => {
        if (event.code.startsWith('Key')) window.letters.push(event);
      }, true);
    });
    // Ctrl+B is no run-only item; its alternative does the same.
    await pressWith(page, ['Control'], 'KeyB');
    await pressWith(page, ['Alt', 'Shift'], 'KeyB');
    assert.equal(await page.evaluate(() => window.chordToggles), 2);
    // While the game runs only Start waits for its end; Voice waits for the voice allowed.
    for (const key of ['KeyS', 'KeyH']) await pressWith(page, ['Control'], key);
    assert.equal(await openDialogTitle(page), null);
    assert.equal(await page.evaluate(() => window.voiceDialogs), 0);
    // The settings open during the game, and the focus comes back to the line after.
    await pressWith(page, ['Control'], 'KeyD');
    assert.equal(await openDialogTitle(page), 'Nastavení zvuků');
    await page.keyboard.press('Escape');
    await dialogGone(page);
    assert.equal(await focusedId(page), 'inputline');
    await pressWith(page, ['Control'], 'KeyE');
    assert.equal(await openDialogTitle(page), 'Nastavení prostředí');
    await page.keyboard.press('Escape');
    await dialogGone(page);
    assert.equal(await focusedId(page), 'inputline');
    assert.deepEqual(await page.evaluate(() =>
      window.letters.map((event) => `${event.code}:${event.defaultPrevented}`)),
      ['KeyB:true', 'KeyB:true', 'KeyS:true', 'KeyH:true', 'KeyD:true', 'KeyE:true']);
    const before = (await answers(page)).length;
    await typeCommand(page, 'rozhledni se');
    assert.ok((await answers(page)).length > before, 'the game answers after the dialogs');

    await exitByKeyboard(page);
    // The input dialog closed with the focus in it: the focus goes to the screen, not lost.
    assert.equal(await page.$eval('#inputdialog', (dialog) => dialog.hidden), true);
    const exitFocus = await focusedId(page);
    assert.equal(exitFocus, 'screen');
    await pressWith(page, ['Control'], 'KeyD');
    assert.equal(await openDialogTitle(page), 'Nastavení zvuků');
    assert.equal(await focusedId(page), 'sounds-voice');
    await page.keyboard.press('Escape');
    await dialogGone(page);
    assert.equal(await focusedId(page), exitFocus, 'the focus goes back where it was');

    await pressWith(page, ['Alt', 'Shift'], 'KeyE');
    assert.equal(await openDialogTitle(page), 'Nastavení prostředí');
    await page.keyboard.press('Escape');
    await dialogGone(page);
    // The voice's settings wait for the voice: Ctrl+P allows it (the page's own voice
    // instead of the screen reader's), kept in the desktop's entry; then Ctrl+H opens them.
    await pressWith(page, ['Control'], 'KeyH');
    assert.equal(await page.evaluate(() => window.voiceDialogs), 0);
    assert.equal(await attribute(page, '#menuitem-usevoice', 'aria-checked'), 'false');
    await pressWith(page, ['Control'], 'KeyP');
    assert.equal(await attribute(page, '#menuitem-usevoice', 'aria-checked'), 'true');
    assert.match((await storedFile(page, 'tovana.ini')).toString(), /\[voice\]\s*voiceallowed\s*=\s*1/);
    await pressWith(page, ['Control'], 'KeyH');
    assert.equal(await page.evaluate(() => window.voiceDialogs), 1);

    // Ctrl+S starts the program again: the ended module's page loads anew.
    await Promise.all([page.waitForNavigation({ timeout: 30000 }), pressWith(page, ['Control'], 'KeyS')]);
    await page.waitForFunction(() => window.tovanaPage?.lineWaiter, { timeout: 30000 });
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('the Sounds dialog writes the desktop entries', async () => {
  const page = await openGame(browser, site.url, {
    files: { 'tovana.ini': settingsFile({ extra: '[sounds]\ntovanasounds=1\nsndvolume=0\n' }) },
  });
  try {
    await exitByKeyboard(page);
    await pressWith(page, ['Control'], 'KeyD');
    assert.equal(await page.$eval('#sounds-voice', (box) => box.checked), false);
    assert.equal(await page.$eval('#sounds-tovana', (box) => box.checked), true);
    assert.equal(await page.$eval('#sounds-volume', (bar) => bar.value), '100');
    // Down the volume bar by ten steps: a tenth of the way to silence.
    await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(page), 'sounds-volume');
    for (let step = 0; step < 10; ++step) await page.keyboard.press('ArrowLeft');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    await dialogGone(page);
    let ini = (await storedFile(page, 'tovana.ini')).toString();
    assert.match(ini, /sndvolume\s*=\s*-1000\b/);
    assert.match(ini, /tovanasounds\s*=\s*1\b/);

    // Sounds off: the volume bar is disabled with them, and Cancel keeps the file.
    await pressWith(page, ['Control'], 'KeyD');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Space');
    assert.equal(await page.$eval('#sounds-volume', (bar) => bar.disabled), true);
    await page.$eval('dialog[open] button[value=cancel]', (button) => button.click());
    await dialogGone(page);
    assert.equal((await storedFile(page, 'tovana.ini')).toString(), ini);
    await pressWith(page, ['Control'], 'KeyD');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Space');
    await page.keyboard.press('Tab'); // past the disabled volume bar to OK
    assert.equal(await page.evaluate(() => document.activeElement.value), 'ok');
    await page.keyboard.press('Enter');
    await dialogGone(page);
    ini = (await storedFile(page, 'tovana.ini')).toString();
    assert.match(ini, /tovanasounds\s*=\s*0\b/);
    assert.match(ini, /sndvolume\s*=\s*-1000\b/);
  } finally {
    await page.close();
  }
});

test('the Sounds dialog: each step of the volume bar is heard at once, and Cancel puts the volume back', async () => {
  const page = await openGame(browser, site.url, {
    files: { 'tovana.ini': settingsFile({ extra: '[sounds]\ntovanasounds=1\nsndvolume=0\n' }) },
  });
  try {
    // What the program asks of the page's audio: each timed play, and each volume set.
    await page.evaluate(() => {
      const audio = window.tovanaPage.audio;
      window.heard = [];
      const { playFor, setVolume } = audio;
      audio.playFor = function (id, seconds) {
        window.heard.push({ play: seconds });
        return playFor.call(this, id, seconds);
      };
      audio.setVolume = function (id, volume) {
        window.heard.push({ volume });
        return setVolume.call(this, id, volume);
      };
    });
    const ini = (await storedFile(page, 'tovana.ini')).toString();
    await pressWith(page, ['Control'], 'KeyD');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Tab');
    assert.equal(await focusedId(page), 'sounds-volume');
    for (let step = 0; step < 3; ++step) await page.keyboard.press('ArrowLeft');
    const moving = await page.evaluate(() => window.heard.splice(0));
    const plays = moving.filter((entry) => 'play' in entry);
    assert.equal(plays.length, 3, JSON.stringify(moving));
    for (const { play } of plays) assert.ok(Math.abs(play - 0.1) < 1e-9, `a tone of ${play} s`);
    // Three steps of a hundred: -3 dB, in the hundredths of a decibel the sound bank takes.
    assert.deepEqual(moving.filter((entry) => 'volume' in entry).map((entry) => entry.volume), [-100, -200, -300]);

    await page.$eval('dialog[open] button[value=cancel]', (button) => button.click());
    await dialogGone(page);
    assert.equal((await storedFile(page, 'tovana.ini')).toString(), ini, 'Cancel writes nothing');
    // The next cue plays at the volume that was written, not the one last heard.
    await page.evaluate(() => window.tovanaPage.module._tovana_cue(2));
    const after = await page.evaluate(() => window.heard.splice(0));
    const volumes = after.filter((entry) => 'volume' in entry).map((entry) => entry.volume);
    assert.ok(volumes.length > 0 && volumes.every((volume) => volume === 0), JSON.stringify(volumes));
  } finally {
    await page.close();
  }
});

test('Environment: English relabels the page, and the choice survives a reload', async () => {
  const page = await openGame(browser, site.url);
  try {
    const label = (id) => page.$eval(`#${id}`, (element) => element.textContent);
    assert.equal(await label('menu-1'), 'Nastavení');
    assert.equal(await page.evaluate(() => document.documentElement.lang), 'cs');
    await exitByKeyboard(page);
    await pressWith(page, ['Control'], 'KeyE');
    assert.equal(await focusedId(page), 'language-1000');
    await page.keyboard.press('ArrowDown'); // English, the list's second
    assert.equal(await focusedId(page), 'language-2000');
    await page.keyboard.press('Tab');
    await page.keyboard.press('Enter');
    await dialogGone(page);

    assert.equal(await page.evaluate(() => document.documentElement.lang), 'en');
    assert.deepEqual([await label('menu-0'), await label('menu-1'), await label('menu-2')],
      ['Program', 'Settings', 'Help']);
    assert.equal(await label('exitbutton'), 'Exit program');
    assert.equal(await label('inputdialog-title'), 'Enter data');
    assert.equal(await page.$eval('#menuitem-sounds .label', (element) => element.textContent), 'Sounds…');
    assert.match((await storedFile(page, 'tovana.ini')).toString(), /\[environment\]\s*language\s*=\s*2000/);

    await page.reload({ waitUntil: 'load' });
    await page.waitForFunction(() => document.getElementById('menu-1')?.textContent === 'Settings',
      { timeout: 30000 });
    assert.equal(await page.evaluate(() => document.documentElement.lang), 'en');
    assert.equal(await page.$eval('#menubar', (nav) => nav.getAttribute('aria-label')), 'Menu');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('Help: Keys lists the web keys, About names the program and its version', async () => {
  const page = await openGame(browser, site.url, {
    files: { 'tovana.ini': settingsFile({ extra: '[environment]\nlanguage=3000\n' }) },
  });
  try {
    assert.equal(await attribute(page, '#menu-2', 'aria-disabled'), 'false', 'Help during the game');
    await exitByKeyboard(page);
    assert.equal(await attribute(page, '#menu-2', 'aria-disabled'), 'false');
    await tabToMenuBar(page);
    await page.keyboard.press('End');
    await page.keyboard.press('Enter');
    assert.equal(await focusedId(page), 'menuitem-keys');
    await page.keyboard.press('Enter');
    assert.equal(await openDialogTitle(page), 'Klávesy');
    const keys = await page.$eval('dialog[open]', (dialog) => dialog.textContent);
    assert.match(keys, /Ctrl\+D/);
    assert.match(keys, /Alt\+Shift/);
    assert.match(keys, /Alt\+1/, 'the desktop keys come first');
    await page.keyboard.press('Enter'); // OK has the focus
    await dialogGone(page);
    assert.equal(await focusedId(page), 'screen', 'back where the player was before the menus');

    await tabToMenuBar(page);
    await page.keyboard.press('End');
    await page.keyboard.press('ArrowUp'); // the Help menu's last item: About
    assert.equal(await focusedId(page), 'menuitem-about');
    await page.keyboard.press('Enter');
    assert.equal(await openDialogTitle(page), 'O programe');
    const about = await page.$eval('dialog[open]', (dialog) => dialog.textContent);
    assert.match(about, /Prekladač Tovana Basicu/);
    assert.match(about, /verzia 1\.7|1\.7/);
    await page.keyboard.press('Escape');
  } finally {
    await page.close();
  }
});

test('the accessibility tree names the menu bar, its menus, the input dialog and a menu dialog', async () => {
  const page = await openGame(browser, site.url);
  try {
    const bars = await accessibleNodes(page, 'menubar');
    assert.deepEqual(bars.map((node) => node.name), ['Nabídka']);
    const items = (await accessibleNodes(page, 'menuitem')).map((node) => node.name);
    assert.deepEqual(items.slice(0, 3), ['Program', 'Nastavení', 'Nápověda']);

    const dialogs = await accessibleNodes(page, 'dialog');
    assert.deepEqual(dialogs.map((node) => node.name), ['Vlož data']);
    const fields = await accessibleNodes(page, 'textbox');
    assert.ok(fields.some((node) => node.name === 'Vlož data' && node.properties.focused));
    const buttons = (await accessibleNodes(page, 'button')).map((node) => node.name);
    assert.ok(buttons.includes('Ok') && buttons.includes('Ukončit program'), buttons.join(', '));

    await tabToMenuBar(page);
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('Enter');
    const menus = await accessibleNodes(page, 'menu');
    assert.deepEqual(menus.map((node) => node.name), ['Nastavení']);
    const checks = await accessibleNodes(page, 'menuitemcheckbox');
    assert.ok(checks.some((node) => node.name === 'Braillský řádek' && node.properties.checked === 'true'),
      JSON.stringify(checks));
    const shortcuts = await accessibleNodes(page, 'menuitem');
    const sounds = shortcuts.find((node) => node.name.startsWith('Zvuky'));
    assert.equal(sounds.properties.keyshortcuts, 'Control+D Alt+Shift+D');
    assert.notEqual(sounds.properties.disabled, true, 'the settings during the game');
    await page.keyboard.press('Escape');
    await page.keyboard.press('Escape');

    await exitByKeyboard(page);
    await pressWith(page, ['Control'], 'KeyE');
    const shown = (await accessibleNodes(page, 'dialog')).map((node) => node.name);
    assert.deepEqual(shown, ['Nastavení prostředí']);
    const radios = (await accessibleNodes(page, 'radio')).map((node) => node.name);
    assert.deepEqual(radios, ['Čeština', 'English', 'Slovenčina']);
  } finally {
    await page.close();
  }
});

// Everything on the page lies within its width, no sideways scrolling, and the controls
// a touch player needs are there.
async function checkFits(page, what) {
  const report = await page.evaluate(() => {
    const width = document.documentElement.clientWidth;
    const outside = [];
    for (const element of document.querySelectorAll('button, input, #screen, .menu, dialog, h1, h2, p')) {
      const box = element.getBoundingClientRect();
      if (box.width === 0 && box.height === 0) continue; // not shown
      if (box.left < -0.5 || box.right > width + 0.5) {
        outside.push(`${element.id || element.tagName} ${Math.round(box.left)}..${Math.round(box.right)}`);
      }
    }
    return { width, scrollWidth: document.documentElement.scrollWidth, outside };
  });
  assert.deepEqual(report.outside, [], `${what}: cut off at width ${report.width}`);
  assert.ok(report.scrollWidth <= report.width, `${what}: scrolls sideways (${report.scrollWidth} > ${report.width})`);
}

for (const [name, viewport] of [
  ['a phone', { width: 360, height: 740, deviceScaleFactor: 3, isMobile: true, hasTouch: true }],
  // 200 % zoom of a 1280 pixel wide window: half the CSS pixels, twice the device's.
  ['200 % zoom', { width: 640, height: 400, deviceScaleFactor: 2 }],
]) {
  test(`on ${name}: nothing cut off, no sideways scrolling, the controls reachable`, async () => {
    const game = await openGame({ newPage: async () => {
      const tab = await browser.newPage();
      await tab.setViewport(viewport);
      return tab;
    } }, site.url);
    try {
      await checkFits(game, 'the game');
      // The send button sends for a touch player.
      await game.type('#inputline', 'rozhledni se');
      const count = (await answers(game)).length;
      await game.tap('#sendbutton');
      await game.waitForFunction((n) => document.querySelectorAll('#answers .answer').length > n, { timeout: 10000 }, count);
      const tapMenu = async (index) => {
        await game.tap(`#menu-${index}`);
        assert.equal(await attribute(game, `#menu-${index}`, 'aria-expanded'), 'true');
        await checkFits(game, `menu ${index}`);
        await game.keyboard.press('Escape');
      };
      await tapMenu(0);
      await tapMenu(1);
      await tapMenu(2);
      await exitByKeyboard(game);
      for (const key of ['KeyE', 'KeyD']) {
        await pressWith(game, ['Control'], key);
        await checkFits(game, `dialog ${key}`);
        const buttons = await game.$$eval('dialog[open] .buttons button', (list) =>
          list.map((button) => { const box = button.getBoundingClientRect(); return box.bottom <= window.innerHeight && box.width > 0; }));
        assert.ok(buttons.length > 0 && buttons.every(Boolean), `dialog ${key}: its buttons on the screen`);
        await game.keyboard.press('Escape');
        await dialogGone(game);
      }
      assert.deepEqual(game.errors, []);
    } finally {
      await game.close();
    }
  });
}
