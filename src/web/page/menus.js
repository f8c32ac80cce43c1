// The page's menus: Program, Settings, Help.
export function createMenus(page) {
  return {
    runStateChanged: (running) => {},
    moduleReady: () => {},
    isOpen: () => false,
  };
}
