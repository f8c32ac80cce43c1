// The player's files kept in the browser between visits.
export function createStorage(page) {
  return {
    ready: async () => {},
    restore: (fs) => {},
    persist: () => {},
  };
}
