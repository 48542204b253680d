// For the viewer's browser tests and benchmarks (not part of the package): a static file server
// on 127.0.0.1 (a free port) over named folders, and headless Chromium through puppeteer-core
// from web/node_modules, never downloading a browser. `session` starts both and stops both on
// any end, with a deadline on the whole (`start` gives the stop to a test runner's hooks).
import { createReadStream, statSync } from 'node:fs';
import { createServer } from 'node:http';
import { createRequire } from 'node:module';
import { extname, join, normalize, sep } from 'node:path';
import { fileURLToPath, pathToFileURL } from 'node:url';

const TYPES = {
  '.html': 'text/html; charset=utf-8', '.mjs': 'text/javascript', '.js': 'text/javascript', '.css': 'text/css',
  '.wasm': 'application/wasm', '.json': 'application/json', '.png': 'image/png',
};

/**
 * Serves folders, { '/': packageDir, '/files/': other }, the longest prefix first; a function in
 * place of a folder answers its requests itself: handler(request, response, rest of the path).
 * Resolves to { server, origin }.
 */
export function serve(roots) {
  const prefixes = Object.keys(roots).sort((a, b) => b.length - a.length);
  const server = createServer((request, response) => {
    const path = decodeURIComponent(new URL(request.url, 'http://x').pathname);
    const prefix = prefixes.find((p) => path.startsWith(p));
    if (prefix && typeof roots[prefix] === 'function') {
      roots[prefix](request, response, path.slice(prefix.length));
      return;
    }
    const file = prefix && normalize(join(roots[prefix], path.slice(prefix.length)));
    let stat = null;
    try {
      if (file && file.startsWith(normalize(roots[prefix]) + sep)) stat = statSync(file);
    } catch {
      stat = null;
    }
    if (!stat?.isFile()) {
      response.writeHead(404, { 'Content-Type': 'text/plain' }).end('not found');
      return;
    }
    response.writeHead(200, {
      'Content-Type': TYPES[extname(file)] ?? 'application/octet-stream', 'Content-Length': stat.size,
      'Cache-Control': 'no-store',
    });
    createReadStream(file, { highWaterMark: 1 << 20 }).pipe(response);
  });
  return new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', () => resolve({ server, origin: `http://127.0.0.1:${server.address().port}` }));
  });
}

const webSource = fileURLToPath(new URL('..', import.meta.url));

/** puppeteer-core as `npm ci` installed it in web/. */
export async function puppeteer() {
  let entry;
  try {
    entry = createRequire(join(webSource, 'package.json')).resolve('puppeteer-core');
  } catch {
    throw new Error(`puppeteer-core is not installed: run npm ci in ${webSource}`);
  }
  return (await import(pathToFileURL(entry))).default;
}

/** Headless Chromium: Debian's, with WebGL2 on SwiftShader. */
export async function launch(executablePath = process.env.CHROMIUM || '/usr/bin/chromium') {
  return (await puppeteer()).launch({
    executablePath, headless: true, protocolTimeout: 60000,
    args: ['--headless=new', '--no-sandbox', '--enable-unsafe-swiftshader', '--window-size=1200,900'],
  });
}

/**
 * Starts a server over roots and a browser: { browser, origin, stop }. stop() closes both (the
 * browser process is killed if it does not close within 5 s) and may be called more than once.
 */
export async function start(roots) {
  const { server, origin } = await serve(roots);
  let browser = null;
  let stopped = null;
  const stop = () => (stopped ??= (async () => {
    if (browser) {
      const child = browser.process();
      await Promise.race([browser.close().catch(() => {}), new Promise((r) => setTimeout(r, 5000))]);
      if (child && child.exitCode === null && child.signalCode === null) child.kill('SIGKILL');
    }
    server.closeAllConnections();
    await new Promise((resolve) => server.close(resolve));
  })());
  try {
    browser = await launch();
  } catch (error) {
    await stop();
    throw error;
  }
  return { browser, origin, stop };
}

/** Runs work({ browser, origin }) between start and stop; fails after deadlineMs. */
export async function session(roots, deadlineMs, work) {
  const running = await start(roots);
  let timer = null;
  try {
    const deadline = new Promise((_, reject) => {
      timer = setTimeout(() => reject(new Error(`the browser session took over ${deadlineMs} ms`)), deadlineMs);
    });
    return await Promise.race([work(running), deadline]);
  } finally {
    clearTimeout(timer);
    await running.stop();
  }
}
