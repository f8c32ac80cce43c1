import { launchBrowser, serveSite, settingsFile } from './harness.mjs';
const server = await serveSite();
const browser = await launchBrowser();
for (let run = 0; run < 6; ++run) {
  const context = await browser.createBrowserContext();
  const page = await context.newPage();
  await page.evaluateOnNewDocument((ini) => { localStorage.setItem('tovana:tovana.ini', btoa(ini)); }, settingsFile());
  await page.goto(server.url);
  await page.waitForFunction(() => window.tovanaPage && window.tovanaPage.timings.firstLine !== null, { timeout: 60000 });
  console.log(JSON.stringify(await page.evaluate(() => {
    const m = Object.fromEntries(window.__marks);
    return { loaded: Math.round(window.tovanaPage.timings.loaded), toPrerun: Math.round(m.prerun - m['load-start']), prerunToFirst: Math.round(window.tovanaPage.timings.firstLine - m.prerun), first: Math.round(window.tovanaPage.timings.firstLine) };
  })));
  await context.close();
}
await browser.close(); await server.close();
