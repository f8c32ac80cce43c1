// The player's files kept in the browser between visits: the settings file and the
// memory image, each under 'tovana:<name>' in localStorage as base64 of its bytes. They
// are written into the program's /user folder before it starts, and copied back each time
// the program hands them over (a setting changed, the memory image saved at Exit or when
// the page is hidden or closed). A browser that keeps nothing (storage full, or refused
// as in a private window) is told to the player once; the game plays on with its files
// in memory until the page closes.

const kPrefix = 'tovana:';
const kUserFolder = '/user';
export const kKeptFiles = ['tovana.ini', 'ram.dat'];

// StorageRefused in the program's messages (common/messages.h).
const kRefusedMessage = 73;

function toBase64(bytes) {
  // String.fromCharCode takes its arguments on the stack: a memory image goes in slices.
  let binary = '';
  const slice = 0x8000;
  for (let at = 0; at < bytes.length; at += slice) {
    binary += String.fromCharCode.apply(null, bytes.subarray(at, at + slice));
  }
  return btoa(binary);
}

function fromBase64(text) {
  const binary = atob(text);
  const bytes = new Uint8Array(binary.length);
  for (let i = 0; i < binary.length; ++i) bytes[i] = binary.charCodeAt(i);
  return bytes;
}

export function createStorage(page) {
  let store = null;      // window.localStorage, or null while the browser refuses it
  let refused = false;   // the browser refused a write or any access
  let told = false;      // the player has been told, once for the whole visit
  let fs = null;         // the program's file system, once it runs

  const tell = () => {
    if (!refused || told || !page.module) return;
    const text = page.message(kRefusedMessage);
    if (!text) return;
    told = true;
    const notice = document.getElementById('storagenotice');
    notice.textContent = text;
    notice.hidden = false;
  };
  const refuse = (error) => {
    // Each later save fails the same way: the console hears of the first.
    if (!refused) console.warn('tovana: the browser keeps no files:', error && error.name, error && error.message);
    refused = true;
    tell();
  };

  return {
    // Finds out whether the browser lends its storage at all; a private window or a
    // blocked site throws on the first touch.
    ready: async () => {
      try {
        store = window.localStorage;
        const probe = `${kPrefix}probe`;
        store.setItem(probe, '1');
        store.removeItem(probe);
      } catch (error) {
        refuse(error);
      }
    },
    // Before the program starts: the kept files into /user, where it reads them.
    restore: (moduleFs) => {
      fs = moduleFs;
      if (store === null) return;
      for (const name of kKeptFiles) {
        let text = null;
        try {
          text = store.getItem(kPrefix + name);
        } catch (error) {
          refuse(error);
          return;
        }
        if (text === null) continue;
        try {
          fs.writeFile(`${kUserFolder}/${name}`, fromBase64(text));
        } catch (error) {
          // A damaged entry is no file: the program starts as on a first visit.
          console.warn(`tovana: the kept ${name} does not read:`, error);
        }
      }
    },
    // The program's files back into the browser's storage.
    persist: () => {
      if (fs === null || store === null) return;
      for (const name of kKeptFiles) {
        let bytes;
        try {
          bytes = fs.readFile(`${kUserFolder}/${name}`);
        } catch {
          continue; // not written yet
        }
        try {
          store.setItem(kPrefix + name, toBase64(bytes));
        } catch (error) {
          refuse(error);
          return;
        }
      }
    },
    // The program's messages can be read now: a refusal found before is told.
    moduleReady: () => tell(),
    // The notice in the language chosen since.
    relabel: () => {
      if (!told) return;
      document.getElementById('storagenotice').textContent = page.message(kRefusedMessage);
    },
    refused: () => refused,
  };
}
