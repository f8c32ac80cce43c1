// The page's own voice. Until it is built, the page is silent and the player's screen
// reader follows the answers.
export function createSpeech(page) {
  return {
    ready: async () => {},
    say: async () => {},
    sayNoWait: () => {},
    sayKeyName: () => {},
    stopSpeech: () => {},
    engineReady: () => false,
  };
}
