// The winning walkthrough the desktop tests type (tests/doubles/walkthrough.h), read from
// that header so the browser plays the very same list: the pieces of kWinningOrder, in
// order, each piece's commands as its Step makers (arrive, hear, answered) name them.
import fs from 'node:fs';
import path from 'node:path';
import { fileURLToPath } from 'node:url';

const here = path.dirname(fileURLToPath(import.meta.url));
export const walkthroughHeader = path.resolve(here, '../doubles/walkthrough.h');

// The commands of winningCommands(). Throws when the header no longer reads as expected,
// rather than play a shorter game.
export function winningCommands(source = fs.readFileSync(walkthroughHeader, 'utf8')) {
  const pieces = new Map();
  for (const match of source.matchAll(/inline constexpr Step (k\w+)\[\] = \{([\s\S]*?)\};/g)) {
    const commands = [...match[2].matchAll(/\b(arrive|hear|answered)\(\s*"((?:[^"\\]|\\.)*)"/g)]
      .map((call) => call[2]);
    const makers = match[2].match(/\b(arrive|hear|answered)\(/g) ?? [];
    if (commands.length === 0 || commands.length !== makers.length) {
      throw new Error(`walkthrough.h: cannot read the steps of ${match[1]}`);
    }
    pieces.set(match[1], commands);
  }
  const order = source.match(/kWinningOrder\[\] = \{([^}]*)\}/);
  if (!order) throw new Error('walkthrough.h: no kWinningOrder');
  const names = order[1].split(',').map((name) => name.trim()).filter((name) => name !== '');
  return names.flatMap((name) => {
    if (!pieces.has(name)) throw new Error(`walkthrough.h: kWinningOrder names ${name}, which is no piece`);
    return pieces.get(name);
  });
}
