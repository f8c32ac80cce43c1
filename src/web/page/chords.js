// The six-key braille chords on F D S J K L.
export function createChords(page) {
  return {};
}
