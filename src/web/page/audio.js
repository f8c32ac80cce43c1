// The sound bank through Web Audio.
export function createAudio(page) {
  return {};
}
