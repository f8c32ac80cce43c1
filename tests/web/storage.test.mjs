// The player's files kept by the browser: the memory image saved at Exit and when the
// page is hidden or closed, settings and image back after a reload, and a browser that
// refuses its storage told once while the game plays on.
import { test, before, after } from 'node:test';
import assert from 'node:assert/strict';
import {
  openGame, settingsFile, typeCommand, answers, waitForInputLine,
  browserWithScript, storedFile, userFile, focusedId, tabToMenuBar,
  openSiteAndBrowser, closeSiteAndBrowser,
} from './harness.mjs';

let site;
let browser;
before(async () => ({ site, browser } = await openSiteAndBrowser()));
after(() => closeSiteAndBrowser({ site, browser }));

// The page hidden, as when the player switches tabs or a phone locks.
async function hidePage(page) {
  await page.evaluate(() => {
    Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
    delete document.visibilityState;
  });
}

test('Exit saves the memory image into the browser', async () => {
  const page = await openGame(browser, site.url); // a first visit: no image kept yet
  try {
    assert.equal(await storedFile(page, 'ram.dat'), null);
    await typeCommand(page, 'rozhledni se');
    assert.equal(await tabToMenuBar(page), 'menu-0');
    await page.keyboard.press('Enter');
    await page.keyboard.press('ArrowDown');
    assert.equal(await focusedId(page), 'menuitem-exit');
    await page.keyboard.press('Enter');
    await page.waitForFunction(() => window.tovanaPage.ended === true, { timeout: 10000 });
    const written = await userFile(page, 'ram.dat');
    assert.ok(written && written.length > 0, 'the program wrote its image');
    assert.deepEqual(await storedFile(page, 'ram.dat'), written);
    assert.deepEqual(await storedFile(page, 'tovana.ini'), await userFile(page, 'tovana.ini'));
  } finally {
    await page.close();
  }
});

test('the input dialog\'s exit button saves it as well', async () => {
  const page = await openGame(browser, site.url);
  try {
    await page.click('#exitbutton');
    await page.waitForFunction(() => window.tovanaPage.ended === true, { timeout: 10000 });
    assert.deepEqual(await storedFile(page, 'ram.dat'), await userFile(page, 'ram.dat'));
    assert.notEqual(await storedFile(page, 'ram.dat'), null);
  } finally {
    await page.close();
  }
});

test('hiding the page saves the image; settings and image survive a reload', async () => {
  const ini = settingsFile({ extra: '[sounds]\ntovanasounds=0\nsndvolume=-2500\n' });
  const page = await openGame(browser, site.url, { files: { 'tovana.ini': ini } });
  try {
    await typeCommand(page, 'rozhledni se');
    await hidePage(page);
    const saved = await storedFile(page, 'ram.dat');
    assert.ok(saved && saved.length > 0, 'hidden, the page keeps the image');
    assert.deepEqual(saved, await userFile(page, 'ram.dat'));

    await page.reload({ waitUntil: 'load' });
    await waitForInputLine(page);
    // The reloaded program read what the browser kept, byte for byte.
    assert.deepEqual(await userFile(page, 'ram.dat'), saved);
    const settings = (await userFile(page, 'tovana.ini')).toString();
    assert.match(settings, /tovanasounds\s*=\s*0/);
    assert.match(settings, /sndvolume\s*=\s*-2500/);
    assert.equal(await page.evaluate(() => window.tovanaPage.module._tovana_setting(2)), 75);
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

test('closing the page saves the image', async () => {
  const page = await openGame(browser, site.url); // a first visit: no image kept yet
  try {
    await typeCommand(page, 'rozhledni se');
    assert.equal(await storedFile(page, 'ram.dat'), null);
    // Nothing in the new document writes the image before the player acts, so what the
    // browser holds now was saved by the closing one.
    await page.reload({ waitUntil: 'load' });
    await waitForInputLine(page);
    const kept = await storedFile(page, 'ram.dat');
    assert.ok(kept && kept.length > 0);
    assert.deepEqual(await userFile(page, 'ram.dat'), kept);
  } finally {
    await page.close();
  }
});

test('a damaged kept file is no file: the game starts as on a first visit', async () => {
  const page = await openGame(browser, site.url);
  try {
    // Spoilt as the next document starts, after the closing page has saved its image.
    await page.evaluateOnNewDocument(() => {
      if (!sessionStorage.getItem('spoil')) return;
      sessionStorage.removeItem('spoil');
      localStorage.setItem('tovana:ram.dat', '%%% not base64 %%%');
    });
    await page.evaluate(() => sessionStorage.setItem('spoil', '1'));
    await page.reload({ waitUntil: 'load' });
    await waitForInputLine(page);
    assert.equal(await userFile(page, 'ram.dat'), null);
    await typeCommand(page, 'rozhledni se');
    assert.deepEqual(page.errors, []);
  } finally {
    await page.close();
  }
});

// Storage that takes nothing once the page's own scripts run (the seeding before them
// still writes): a full store, or a private window's.
function refuseWrites(name) {
  const original = Storage.prototype.setItem;
  Storage.prototype.setItem = function setItem(key, value) {
    if (document.readyState === 'loading') return original.call(this, key, value);
    throw new DOMException('The quota has been exceeded.', name);
  };
}
// No storage at all: touching it throws, as where the site's storage is blocked.
function refuseAccess() {
  const original = Object.getOwnPropertyDescriptor(window, 'localStorage');
  Object.defineProperty(window, 'localStorage', {
    configurable: true,
    get() {
      if (document.readyState === 'loading') return original.get.call(window);
      throw new DOMException('Access is denied for this document.', 'SecurityError');
    },
  });
}

for (const [what, script, arg] of [
  ['full (QuotaExceededError)', refuseWrites, 'QuotaExceededError'],
  ['blocked (SecurityError)', refuseAccess, undefined],
]) {
  test(`storage ${what}: the page says so once, and the game plays on`, async () => {
    const page = await openGame(browserWithScript(browser, script, arg), site.url);
    try {
      const notice = await page.$eval('#storagenotice', (element) =>
        ({ hidden: element.hidden, role: element.getAttribute('role'), text: element.textContent }));
      assert.equal(notice.hidden, false);
      assert.equal(notice.role, 'alert');
      assert.match(notice.text, /neuchová soubory hry/);
      await page.evaluate(() => {
        window.noticeChanges = 0;
        new MutationObserver((records) => { window.noticeChanges += records.length; })
          .observe(document.getElementById('storagenotice'), { childList: true, characterData: true, subtree: true, attributes: true });
      });
      // More saves that fail: no second notice, no message box taking the focus.
      await hidePage(page);
      await hidePage(page);
      const before = (await answers(page)).length;
      await typeCommand(page, 'rozhledni se');
      assert.ok((await answers(page)).length > before, 'the game answers');
      assert.equal(await page.evaluate(() => window.noticeChanges), 0);
      assert.equal(await page.$eval('#messagebox', (box) => box.hidden), true);
      assert.equal(await page.$$eval('[role=alert]:not([hidden])', (list) => list.length), 1);
      assert.equal(await focusedId(page), 'inputline');
      assert.deepEqual(page.errors, []);
    } finally {
      await page.close();
    }
  });
}

test('storage that fills up later is told once as well', async () => {
  const page = await openGame(browser, site.url, { files: { 'tovana.ini': settingsFile() } });
  try {
    assert.equal(await page.$eval('#storagenotice', (element) => element.hidden), true);
    await page.evaluate(() => {
      Storage.prototype.setItem = function setItem() {
        throw new DOMException('The quota has been exceeded.', 'QuotaExceededError');
      };
    });
    await hidePage(page);
    await hidePage(page);
    assert.match(await page.$eval('#storagenotice', (element) => element.textContent), /neuchová/);
    assert.equal(await page.$eval('#storagenotice', (element) => element.hidden), false);
    await typeCommand(page, 'rozhledni se');
  } finally {
    await page.close();
  }
});
