// The page's menus, as the desktop window has them: Program, Settings and Help, each a
// button of a WAI-ARIA menu bar (Tab reaches each one; the arrow keys move along the bar
// and through a menu, Enter or Space chooses, Escape closes), and the desktop's
// shortcuts. A browser or a screen reader may keep a Ctrl key for itself, so Alt+Shift
// with the same letter does the same. Every label is the program's own message in the
// chosen language, and the items that cannot change while the program runs are disabled
// then, as on the desktop. The dialogs (Sounds, Environment, Keys, About) are modal
// <dialog>s with their title as their name; closed, they hand the focus back.

// The program's messages by number (common/messages.h).
const M = {
  ProgramTitle: 1, ProgramMenu: 2, StartItem: 3, SettingsMenu: 4, EnvironmentItem: 5,
  Ok: 7, Cancel: 8, LanguageLabel: 9, EnvironmentTitle: 10, SoundsItem: 20,
  SoundsTitle: 21, UseVoice: 22, EnterData: 23, ScreenTitle: 26, SoundVolume: 28,
  ExitItem: 33, HelpMenu: 34, AboutItem: 35, AboutTitle: 36, Version: 37, VoiceItem: 38,
  TovanaSounds: 39, NoVoices: 40, ExitProgram: 45, BrailleKeyboard: 46, BrailleDisplay: 55,
  BrailleDisplayName: 56, KeysItem: 61, KeysHelp: 62, TranscriptItem: 63, KeysHelpMore: 65,
  WebKeysHelp: 74, WebKeysHelpMore: 75, MenuBarName: 76, AnswersTitle: 77,
};

// The settings by number, as web/settings_exports.cpp reads and writes them.
export const Setting = {
  VoiceAllowed: 0, TovanaSounds: 1, SoundVolume: 2, BrailleKeys: 3, BrailleDisplay: 4,
  Transcript: 5, Language: 6,
};

// The interface's language by its base in the string tables, for the page's lang.
const kLanguageCodes = { 1000: 'cs', 2000: 'en', 3000: 'sk' };

// The about box's fixed line, as the desktop's shows it.
const kFixedLine = 'Copyright \u00a9 2026 the tovana developers';

// A caption without its accelerator marker ("&Start" -> "Start", "&&" -> "&"), and the
// letter the marker picks, which chooses the item in its open menu as on the desktop.
export function withoutAccelerator(text) {
  return text.replace(/&(&?)/g, (match, escaped) => escaped);
}
function acceleratorOf(text) {
  const found = /&([^&])/.exec(text.replace(/&&/g, ''));
  return found ? found[1].toLocaleLowerCase() : null;
}

// The shortcut a key press asks for: its letter with Ctrl alone, or with Alt+Shift
// where the browser keeps the Ctrl key. The key's position decides when the layout
// gives no Latin letter.
function shortcutLetter(event) {
  const ctrl = event.ctrlKey && !event.altKey && !event.shiftKey && !event.metaKey;
  const altShift = event.altKey && event.shiftKey && !event.ctrlKey && !event.metaKey;
  if (!ctrl && !altShift) return null;
  if (/^[a-z]$/i.test(event.key)) return event.key.toLowerCase();
  const code = /^Key([A-Z])$/.exec(event.code ?? '');
  return code ? code[1].toLowerCase() : null;
}

// Its styles are in menus.css, which index.html links with the page's own.
export function createMenus(page) {
  const bar = document.getElementById('menubar');
  let running = false;
  let built = false;
  let menus = [];           // { button, list, items, caption }
  let openMenu = null;      // the menu whose list shows
  let openDialog = null;    // the <dialog> shown, if any
  let focusBefore = null;   // where the focus was before a menu or a dialog took it

  const call = (name, ...args) => {
    const fn = page.module && page.module[`_tovana_${name}`];
    return fn ? fn(...args) : null;
  };
  const setting = (number) => call('setting', number);
  const setSetting = (number, value) => call('set_setting', number, value) === 1;
  const takeString = (pointer) => {
    if (!pointer) return '';
    const text = page.module.UTF8ToString(pointer);
    page.module._free(pointer);
    return text;
  };

  // --- the items: what each shows and does ---
  const chordsOn = () => {
    const chords = page.chords;
    if (chords && typeof chords.enabled === 'boolean') return chords.enabled;
    if (chords && typeof chords.enabled === 'function') return Boolean(chords.enabled());
    return setting(Setting.BrailleKeys) === 1;
  };
  const toggle = (number) => setSetting(number, setting(number) === 1 ? 0 : 1);
  const definitions = [
    { caption: M.ProgramMenu, items: [
      // The page starts the game by itself, so the desktop's rule (settings and help only
      // between runs) would keep them out of reach: only Start waits for the run's end. The
      // page's dialogs do not nest in the program's waits, so they are safe meanwhile.
      { id: 'start', caption: M.StartItem, key: 's', runOnly: true, run: () => page.start() },
      { id: 'exit', caption: M.ExitItem, run: () => page.exit() },
    ] },
    { caption: M.SettingsMenu, items: [
      { id: 'braillekeyboard', caption: M.BrailleKeyboard, key: 'b', checked: chordsOn,
        run: () => {
          // The chord keyboard keeps its own setting; without it the entry is kept here.
          if (page.chords && typeof page.chords.toggle === 'function') page.chords.toggle();
          else toggle(Setting.BrailleKeys);
        } },
      { id: 'brailledisplay', caption: M.BrailleDisplay, name: M.BrailleDisplayName,
        checked: () => setting(Setting.BrailleDisplay) === 1,
        run: () => toggle(Setting.BrailleDisplay) },
      { id: 'transcript', caption: M.TranscriptItem,
        checked: () => setting(Setting.Transcript) === 1,
        run: () => toggle(Setting.Transcript) },
      { id: 'sounds', caption: M.SoundsItem, dialog: true, key: 'd',
        run: () => openSounds() },
      // As on the desktop, the voice's settings wait until the voice is allowed.
      { id: 'voice', caption: M.VoiceItem, dialog: true, key: 'h',
        unavailable: () => setting(Setting.VoiceAllowed) !== 1,
        run: () => page.speech && page.speech.openVoiceDialog && page.speech.openVoiceDialog() },
      // The page's own voice or the player's screen reader: the web's choice of speaker,
      // where the desktop chooses between its two engines.
      { id: 'usevoice', caption: M.UseVoice, key: 'p',
        checked: () => setting(Setting.VoiceAllowed) === 1,
        run: () => setVoiceAllowed(setting(Setting.VoiceAllowed) !== 1) },
      { id: 'environment', caption: M.EnvironmentItem, dialog: true, key: 'e',
        run: () => openEnvironment() },
    ] },
    { caption: M.HelpMenu, items: [
      { id: 'keys', caption: M.KeysItem, dialog: true, run: () => openKeys() },
      { id: 'about', caption: M.AboutItem, run: () => openAbout() },
    ] },
  ];
  const byKey = new Map();
  for (const menu of definitions) {
    for (const item of menu.items) {
      item.menu = menu;
      if (item.key) byKey.set(item.key, item);
    }
  }

  const itemDisabled = (item) => (running && Boolean(item.runOnly || item.menu.runOnly)) ||
    Boolean(item.unavailable && item.unavailable());

  // --- building and labelling ---
  function build() {
    const list = document.createElement('ul');
    list.setAttribute('role', 'menubar');
    list.id = 'menubar-list';
    definitions.forEach((definition, index) => {
      const holder = document.createElement('li');
      holder.setAttribute('role', 'none');
      const button = document.createElement('button');
      button.type = 'button';
      button.id = `menu-${index}`;
      button.className = 'menubutton';
      button.setAttribute('role', 'menuitem');
      button.setAttribute('aria-haspopup', 'menu');
      button.setAttribute('aria-expanded', 'false');
      const popup = document.createElement('ul');
      popup.setAttribute('role', 'menu');
      popup.id = `menu-${index}-items`;
      popup.className = 'menu';
      popup.setAttribute('aria-labelledby', button.id);
      button.setAttribute('aria-controls', popup.id);
      popup.hidden = true;
      const menu = { definition, button, list: popup, items: [] };
      for (const item of definition.items) {
        const row = document.createElement('li');
        row.setAttribute('role', 'none');
        const element = document.createElement('button');
        element.type = 'button';
        element.id = `menuitem-${item.id}`;
        element.tabIndex = -1;
        element.setAttribute('role', item.checked ? 'menuitemcheckbox' : 'menuitem');
        if (item.dialog) element.setAttribute('aria-haspopup', 'dialog');
        if (item.key) {
          const letter = item.key.toUpperCase();
          element.setAttribute('aria-keyshortcuts', `Control+${letter} Alt+Shift+${letter}`);
        }
        const label = document.createElement('span');
        label.className = 'label';
        element.appendChild(label);
        if (item.key) {
          const hint = document.createElement('span');
          hint.className = 'shortcut';
          hint.setAttribute('aria-hidden', 'true');
          hint.textContent = `Ctrl+${item.key.toUpperCase()}`;
          element.appendChild(hint);
        }
        element.addEventListener('click', () => choose(item));
        row.appendChild(element);
        popup.appendChild(row);
        menu.items.push({ item, element, label });
      }
      button.addEventListener('click', () => {
        if (openMenu === menu) closeMenu(true);
        else open(menu, null);
      });
      holder.appendChild(button);
      holder.appendChild(popup);
      list.appendChild(holder);
      menus.push(menu);
    });
    bar.replaceChildren(list);
    // A press or a touch elsewhere closes an open menu.
    document.addEventListener('pointerdown', (event) => {
      if (openMenu && !bar.contains(event.target)) closeMenu(false);
    });
    built = true;
  }

  function relabel() {
    const base = setting(Setting.Language);
    document.documentElement.lang = kLanguageCodes[base] ?? 'cs';
    const text = (number) => withoutAccelerator(page.message(number));
    bar.setAttribute('aria-label', text(M.MenuBarName));
    bar.querySelector('[role=menubar]').setAttribute('aria-label', text(M.MenuBarName));
    for (const menu of menus) {
      menu.button.textContent = text(menu.definition.caption);
      menu.accelerators = new Map();
      for (const entry of menu.items) {
        const caption = page.message(entry.item.caption);
        entry.label.textContent = withoutAccelerator(caption) + (entry.item.dialog ? '…' : '');
        if (entry.item.name) entry.element.setAttribute('aria-label', text(entry.item.name));
        const letter = acceleratorOf(caption);
        if (letter && !menu.accelerators.has(letter)) menu.accelerators.set(letter, entry);
      }
    }
    // The page's own fixed texts, which index.html has in Czech until now.
    const title = text(M.ProgramTitle);
    document.title = title;
    document.getElementById('title').textContent = title;
    document.getElementById('inputdialog-title').textContent = text(M.EnterData);
    document.getElementById('inputline-label').textContent = text(M.EnterData);
    document.getElementById('sendbutton').textContent = text(M.Ok);
    document.getElementById('exitbutton').textContent = text(M.ExitProgram);
    document.getElementById('screen-title').textContent = text(M.ScreenTitle);
    document.getElementById('answers-title').textContent = text(M.AnswersTitle);
    document.getElementById('messagebox-title').textContent = title;
    document.getElementById('messagebox-ok').textContent = text(M.Ok);
    if (page.storage && page.storage.relabel) page.storage.relabel();
    refresh();
  }

  // The disabled and checked states, as they are now.
  function refresh() {
    if (!built) return;
    for (const menu of menus) {
      const menuDisabled = running && Boolean(menu.definition.runOnly);
      menu.button.setAttribute('aria-disabled', String(menuDisabled));
      for (const { item, element } of menu.items) {
        element.setAttribute('aria-disabled', String(itemDisabled(item)));
        if (item.checked) element.setAttribute('aria-checked', String(Boolean(item.checked())));
      }
    }
  }

  // --- opening, moving, choosing ---
  function open(menu, which) {
    if (menu.button.getAttribute('aria-disabled') === 'true') {
      // A disabled menu shows nothing, and the focus stays on its button.
      closeMenu(false);
      menu.button.focus();
      return;
    }
    if (!openMenu && !openDialog && !bar.contains(document.activeElement)) {
      focusBefore = document.activeElement;
    }
    if (openMenu && openMenu !== menu) hide(openMenu);
    refresh();
    openMenu = menu;
    menu.list.hidden = false;
    menu.button.setAttribute('aria-expanded', 'true');
    if (which === 'first') menu.items[0].element.focus();
    else if (which === 'last') menu.items[menu.items.length - 1].element.focus();
    else menu.button.focus();
  }
  function hide(menu) {
    menu.list.hidden = true;
    menu.button.setAttribute('aria-expanded', 'false');
  }
  function closeMenu(focusButton) {
    if (!openMenu) return;
    const menu = openMenu;
    hide(menu);
    openMenu = null;
    if (focusButton) menu.button.focus();
  }
  // The focus back where the player was before the menus: the input line, mostly.
  function returnFocus() {
    const back = focusBefore;
    focusBefore = null;
    if (back && back.isConnected && back !== document.body && !back.closest('[hidden]')) {
      back.focus();
      return;
    }
    const field = document.getElementById('inputline');
    if (!document.getElementById('inputdialog').hidden) field.focus();
    else document.getElementById('screen').focus();
  }

  function choose(item) {
    if (itemDisabled(item)) return; // as a disabled desktop item: nothing happens
    const fromMenu = Boolean(openMenu);
    if (openMenu) closeMenu(false);
    if (!item.dialog) {
      if (fromMenu) returnFocus();
      item.run();
      refresh();
      return;
    }
    if (!focusBefore && !bar.contains(document.activeElement)) focusBefore = document.activeElement;
    item.run();
  }

  function menuKey(event) {
    const topIndex = menus.findIndex((menu) => menu.button === event.target);
    const inMenu = openMenu ? openMenu.items.findIndex((entry) => entry.element === event.target) : -1;
    const adjacent = (menu, step) => menus[(menus.indexOf(menu) + step + menus.length) % menus.length];
    if (topIndex >= 0) {
      const menu = menus[topIndex];
      switch (event.key) {
        case 'ArrowRight':
        case 'ArrowLeft': {
          const next = adjacent(menu, event.key === 'ArrowRight' ? 1 : -1);
          if (openMenu) open(next, 'first');
          else next.button.focus();
          return true;
        }
        case 'Home': menus[0].button.focus(); return true;
        case 'End': menus[menus.length - 1].button.focus(); return true;
        case 'ArrowDown':
        case 'Enter':
        case ' ':
          open(menu, 'first');
          return true;
        case 'ArrowUp':
          open(menu, 'last');
          return true;
        case 'Escape':
          if (openMenu) closeMenu(true);
          else returnFocus();
          return true;
        default:
          return false;
      }
    }
    if (inMenu < 0) return false;
    const items = openMenu.items;
    const focusItem = (index) => items[(index + items.length) % items.length].element.focus();
    switch (event.key) {
      case 'ArrowDown': focusItem(inMenu + 1); return true;
      case 'ArrowUp': focusItem(inMenu - 1); return true;
      case 'Home': focusItem(0); return true;
      case 'End': focusItem(items.length - 1); return true;
      case 'ArrowRight': open(adjacent(openMenu, 1), 'first'); return true;
      case 'ArrowLeft': open(adjacent(openMenu, -1), 'first'); return true;
      case 'Escape': closeMenu(true); return true;
      case 'Enter':
      case ' ':
        choose(items[inMenu].item);
        return true;
      case 'Tab':
        // From the menu's button, whose list is hidden now, the browser moves the focus on.
        closeMenu(true);
        return false;
      default: {
        if (event.ctrlKey || event.altKey || event.metaKey || event.key.length !== 1) return false;
        const entry = openMenu.accelerators && openMenu.accelerators.get(event.key.toLocaleLowerCase());
        if (entry) choose(entry.item);
        return true;
      }
    }
  }

  // Runs first among the page's key handlers: the menus' own keys, the shortcuts, and
  // every key inside a menu or a dialog kept from the game's keys (the chords).
  function onKey(event) {
    if (!built) return false;
    if (openDialog) return openDialog.contains(event.target);
    const inBar = bar.contains(event.target);
    if (inBar && menuKey(event)) {
      event.preventDefault();
      return true;
    }
    const letter = shortcutLetter(event);
    const item = letter ? byKey.get(letter) : undefined;
    if (!item) return inBar;
    // The browser's own use of the key (saving the page, a bookmark, printing) would
    // take the player away from the game, even when the item is disabled.
    event.preventDefault();
    event.stopPropagation();
    if (!event.repeat) choose(item);
    return true;
  }

  // --- the dialogs ---
  function showDialog(titleNumber, fill, { onOk, onCancel, ok = true, cancel = false } = {}) {
    const dialog = document.createElement('dialog');
    dialog.className = 'menudialog';
    const heading = document.createElement('h2');
    heading.id = 'menudialog-title';
    heading.textContent = withoutAccelerator(page.message(titleNumber));
    dialog.setAttribute('aria-labelledby', heading.id);
    dialog.appendChild(heading);
    const form = document.createElement('form');
    form.method = 'dialog';
    const body = document.createElement('div');
    body.className = 'body';
    form.appendChild(body);
    const firstFocus = fill(body);
    const buttons = document.createElement('div');
    buttons.className = 'buttons';
    let okButton = null;
    if (ok) {
      okButton = document.createElement('button');
      okButton.value = 'ok';
      okButton.textContent = withoutAccelerator(page.message(M.Ok));
      buttons.appendChild(okButton);
    }
    if (cancel) {
      const button = document.createElement('button');
      button.value = 'cancel';
      button.type = 'button';
      button.textContent = withoutAccelerator(page.message(M.Cancel));
      button.addEventListener('click', () => dialog.close('cancel'));
      buttons.appendChild(button);
    }
    form.appendChild(buttons);
    dialog.appendChild(form);
    dialog.addEventListener('close', () => {
      const answer = dialog.returnValue;
      dialog.remove();
      openDialog = null;
      if (answer === 'ok') onOk?.();
      else onCancel?.(); // Cancel, Escape
      refresh();
      returnFocus();
    });
    document.body.appendChild(dialog);
    openDialog = dialog;
    dialog.showModal();
    (firstFocus ?? okButton)?.focus();
    return dialog;
  }

  function checkbox(body, id, captionNumber, checked) {
    const row = document.createElement('div');
    row.className = 'row';
    const box = document.createElement('input');
    box.type = 'checkbox';
    box.id = id;
    box.checked = checked;
    const label = document.createElement('label');
    label.htmlFor = id;
    label.textContent = withoutAccelerator(page.message(captionNumber));
    row.append(box, label);
    body.appendChild(row);
    return box;
  }

  function setVoiceAllowed(on) {
    if (on && page.speech && typeof page.speech.voicesAvailable === 'function' &&
        !page.speech.voicesAvailable()) {
      page.showMessage(page.message(M.NoVoices));
      on = false;
    }
    setSetting(Setting.VoiceAllowed, on ? 1 : 0);
    if (page.speech && typeof page.speech.setAllowed === 'function') page.speech.setAllowed(on);
  }

  function openSounds() {
    let voice;
    let sounds;
    let volume;
    showDialog(M.SoundsTitle, (body) => {
      voice = checkbox(body, 'sounds-voice', M.UseVoice, setting(Setting.VoiceAllowed) === 1);
      sounds = checkbox(body, 'sounds-tovana', M.TovanaSounds, setting(Setting.TovanaSounds) === 1);
      const row = document.createElement('div');
      row.className = 'row column';
      const label = document.createElement('label');
      label.htmlFor = 'sounds-volume';
      label.textContent = withoutAccelerator(page.message(M.SoundVolume));
      volume = document.createElement('input');
      volume.type = 'range';
      volume.id = 'sounds-volume';
      volume.min = '0';
      volume.max = String(call('volume_steps') ?? 100);
      volume.step = '1';
      volume.value = String(setting(Setting.SoundVolume));
      // The volume means nothing with the sounds off, as the desktop's bar.
      volume.disabled = !sounds.checked;
      sounds.addEventListener('change', () => { volume.disabled = !sounds.checked; });
      // Each step of the bar is heard at once, as on the desktop; only OK keeps it.
      volume.addEventListener('input', () => call('preview_volume', Number(volume.value)));
      row.append(label, volume);
      body.appendChild(row);
      return voice;
    }, {
      cancel: true,
      onOk: () => {
        setSetting(Setting.TovanaSounds, sounds.checked ? 1 : 0);
        setSetting(Setting.SoundVolume, Number(volume.value));
        if (voice.checked !== (setting(Setting.VoiceAllowed) === 1)) setVoiceAllowed(voice.checked);
      },
      onCancel: () => call('restore_volume'),
    });
  }

  function openEnvironment() {
    const current = setting(Setting.Language);
    let group;
    showDialog(M.EnvironmentTitle, (body) => {
      group = document.createElement('fieldset');
      const legend = document.createElement('legend');
      legend.textContent = withoutAccelerator(page.message(M.LanguageLabel));
      group.appendChild(legend);
      let chosen = null;
      const count = call('language_count') ?? 0;
      for (let index = 0; index < count; ++index) {
        const base = call('language_base', index);
        const row = document.createElement('div');
        row.className = 'row';
        const radio = document.createElement('input');
        radio.type = 'radio';
        radio.name = 'language';
        radio.id = `language-${base}`;
        radio.value = String(base);
        radio.checked = base === current;
        const label = document.createElement('label');
        label.htmlFor = radio.id;
        label.textContent = takeString(call('language_name', index));
        label.lang = kLanguageCodes[base] ?? '';
        row.append(radio, label);
        group.appendChild(row);
        if (radio.checked) chosen = radio;
      }
      body.appendChild(group);
      return chosen ?? group.querySelector('input');
    }, {
      cancel: true,
      onOk: () => {
        const radio = group.querySelector('input:checked');
        if (!radio || Number(radio.value) === current) return;
        if (setSetting(Setting.Language, Number(radio.value))) relabel();
      },
    });
  }

  function paragraphs(body, text) {
    for (const line of text.split('\n')) {
      if (line.trim() === '') continue;
      const paragraph = document.createElement('p');
      paragraph.textContent = line;
      body.appendChild(paragraph);
    }
  }

  function openKeys() {
    showDialog(M.KeysItem, (body) => {
      for (const number of [M.KeysHelp, M.KeysHelpMore, M.WebKeysHelp, M.WebKeysHelpMore]) {
        paragraphs(body, page.message(number));
      }
      return null;
    });
  }

  function openAbout() {
    showDialog(M.AboutTitle, (body) => {
      paragraphs(body, [
        page.message(M.ProgramTitle),
        `${page.message(M.Version)} ${takeString(call('version'))}`,
        kFixedLine,
      ].join('\n'));
      return null;
    });
  }

  page.keyHandlers.unshift(onKey);

  return {
    moduleReady: () => {
      if (!built) build();
      relabel();
    },
    runStateChanged: (isRunning) => {
      running = isRunning;
      refresh();
    },
    isOpen: () => Boolean(openMenu || openDialog),
    relabel,
  };
}
