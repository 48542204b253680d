// The Node and browser sides of bench/web_speed.sh.
//   node bench/web_speed.mjs expand PACKAGE_DIR FILE RUNS
//     the median milliseconds of open plus expand of every level of every frame, for each form
//   node bench/web_speed.mjs viewer PACKAGE_DIR FILE RUNS
//     the viewer's first frame of FILE in headless Chromium: the median of RUNS fresh pages of
//     the time from the page's start (performance.timeOrigin) to its qfb-first-frame mark, and
//     to the load event
//   node bench/web_speed.mjs screenshot PACKAGE_DIR FILE PNG QUERY
//     a PNG of the viewer showing FILE with the URL parameters QUERY
import { readFileSync, writeFileSync } from 'node:fs';
import { basename, dirname, join } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const [mode, packageDir, file, ...rest] = process.argv.slice(2);
const median = (values) => values.sort((a, b) => a - b)[Math.floor(values.length / 2)];
const here = dirname(fileURLToPath(import.meta.url));

if (mode === 'expand') {
  const qfb = await import(pathToFileURL(join(packageDir, 'qfb.mjs')));
  const bytes = readFileSync(file);
  const runs = Number(rest[0]);
  for (const gpu of [false, true]) {
    const times = [];
    for (let run = 0; run <= runs; ++run) {
      const start = performance.now();
      const f = qfb.open(bytes);
      for (let frame = 0; frame < f.frameCount; ++frame)
        for (let level = 0; level <= f.mipmapCount; ++level) f.expand(frame, level, { gpu });
      if (run > 0) times.push(performance.now() - start); // the first run warms up
    }
    console.log(`${gpu ? 'gpu' : 'replicated'} ${median(times).toFixed(3)}`);
  }
} else {
  const { session } = await import(pathToFileURL(join(here, '..', 'web', 'tools', 'browser.mjs')));
  const roots = { '/': packageDir, '/files/': dirname(file) };
  const src = `/files/${basename(file)}`;
  await session(roots, 120000, async ({ browser, origin }) => {
    if (mode === 'screenshot') {
      const [png, query] = rest;
      const page = await browser.newPage();
      await page.setViewport({ width: 760, height: 400 });
      await page.goto(`${origin}/viewer.html?src=${src}&${query}`);
      await page.waitForFunction(() => document.body.dataset.state === 'ready', { timeout: 30000 });
      writeFileSync(png, await page.screenshot({ type: 'png' }));
      return;
    }
    const first = [], load = [];
    for (let run = 0; run <= Number(rest[0]); ++run) {
      const page = await browser.newPage();
      await page.goto(`${origin}/viewer.html?src=${src}&paused=1`);
      await page.waitForFunction(() => document.body.dataset.state === 'ready', { timeout: 30000 });
      const [mark, loaded] = await page.evaluate(() => [
        performance.getEntriesByName('qfb-first-frame')[0].startTime,
        performance.getEntriesByType('navigation')[0].loadEventEnd,
      ]);
      if (run > 0) first.push(mark), load.push(loaded); // the first run warms the caches
      await page.close();
    }
    console.log(`first-frame ${median(first).toFixed(1)}`);
    console.log(`load ${median(load).toFixed(1)}`);
  });
}
