// The viewer page in headless Chromium, on files web_answers writes with the C library's answers:
// the canvas shows exactly the GPU form of the expansion of the level asked for at the zoom asked
// for (read back through WebGL, or the opaque and clear pixels of the 2D fallback); playing
// advances at the file's fps and loops, a paused page stays; a damaged file shows the library's
// text, and no exception escapes the page. The server and the browser are stopped on any end.
// Environment: QFB_WEB_PACKAGE, QFB_WEB_ANSWERS, QFB_WEB_SOURCE (web/, for its tools), CHROMIUM.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync, statSync, writeFileSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, before, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const { start } = await import(pathToFileURL(join(process.env.QFB_WEB_SOURCE, 'tools', 'browser.mjs')));

const folder = mkdtempSync(join(tmpdir(), 'qfb-viewer-'));
execFileSync(process.env.QFB_WEB_ANSWERS, [folder]);
const answers = new Map(JSON.parse(readFileSync(join(folder, 'answers.json'), 'utf8')).files.map((f) => [f.name, f]));

// A file of PLAY_FRAMES frames of 2 x 2 565 pixels, every pixel the word given.
function plain(word) {
  const bytes = new Uint8Array(32 + PLAY_FRAMES * 8);
  const fields = new DataView(bytes.buffer);
  bytes.set([0x2e, 0x71, 0x66, 0x62]);
  [1, 2, 2, 2, PLAY_FPS, PLAY_FRAMES, 0].forEach((value, i) => fields.setUint32(4 + 4 * i, value, true));
  for (let i = 32; i < bytes.length; i += 2) fields.setUint16(i, word, true);
  return bytes;
}

// For playback: PLAY_FRAMES frames of 2 x 2 565 pixels at PLAY_FPS, each frame its own colour.
const PLAY_FPS = 10, PLAY_FRAMES = 8;
{
  const bytes = new Uint8Array(32 + PLAY_FRAMES * 8);
  const fields = new DataView(bytes.buffer);
  bytes.set([0x2e, 0x71, 0x66, 0x62]);
  [1, 2, 2, 2, PLAY_FPS, PLAY_FRAMES, 0].forEach((value, i) => fields.setUint32(4 + 4 * i, value, true));
  for (let i = 32; i < bytes.length; i += 2) fields.setUint16(i, 0x1234 * (1 + ((i - 32) >> 3)), true);
  writeFileSync(join(folder, 'playback.qfb'), bytes);
}

// Files of a side WebGL cannot hold (above MAX_TEXTURE_SIZE): 32767 x 1 and 1 x 32767, 565.
for (const [name, width, height] of [['wide', 32767, 1], ['tall', 1, 32767]]) {
  const bytes = new Uint8Array(32 + width * height * 2);
  const fields = new DataView(bytes.buffer);
  bytes.set([0x2e, 0x71, 0x66, 0x62]);
  [1, width, height, 2, 12, 1, 0].forEach((value, i) => fields.setUint32(4 + 4 * i, value, true));
  writeFileSync(join(folder, `${name}.qfb`), bytes);
}

let running = null, page = null;
const pageErrors = [];
// The whole run is bounded even if a step hangs past the runner's own timeouts.
const watchdog = setTimeout(() => {
  console.log('viewer tests: over 200 s, stopping the browser and the server');
  (running ? running.stop() : Promise.resolve()).finally(() => process.exit(1));
}, 200000);
watchdog.unref();

// /slow/NAME sends a file's header and first frame, and the rest once `release` is called.
let release = () => {};
function slowly(request, response, name) {
  const bytes = readFileSync(join(folder, name));
  const first = 32 + (bytes.length - 32) / bytes.readUInt32LE(24);
  response.writeHead(200, { 'Content-Type': 'application/octet-stream', 'Content-Length': bytes.length });
  response.write(bytes.subarray(0, first));
  release = () => response.end(bytes.subarray(first));
}

// /watched/NAME answers as python3 -m http.server does: Last-Modified to the second, and 304 to an
// If-Modified-Since not before it.
function asHttpServer(request, response, name) {
  const file = join(folder, name);
  const modified = Math.floor(statSync(file).mtimeMs / 1000) * 1000;
  const since = Date.parse(request.headers['if-modified-since'] ?? '');
  if (since >= modified) {
    response.writeHead(304).end();
    return;
  }
  const bytes = readFileSync(file);
  response.writeHead(200, { 'Content-Length': bytes.length, 'Last-Modified': new Date(modified).toUTCString() });
  response.end(bytes);
}

before(async () => {
  running = await start({ '/': process.env.QFB_WEB_PACKAGE, '/files/': folder, '/slow/': slowly, '/watched/': asHttpServer });
  page = await running.browser.newPage();
  page.on('pageerror', (error) => pageErrors.push(error.message));
});
after(async () => {
  await running?.stop();
  rmSync(folder, { recursive: true, force: true });
  clearTimeout(watchdog);
});

// Opens the viewer on a query and waits until it has shown a file, refused one, or has none.
async function visit(query) {
  await page.goto(`${running.origin}/viewer.html?${query}`, { timeout: 30000 });
  await page.waitForFunction(() => ['ready', 'error', 'empty'].includes(document.body.dataset.state), { timeout: 30000 });
  return page.evaluate(() => ({ state: document.body.dataset.state }));
}

// The canvas's pixels, rows top first: through WebGL readPixels, or the 2D context.
const readCanvas = () =>
  page.evaluate(() => {
    const canvas = document.getElementById('view');
    const { width, height } = canvas;
    let pixels;
    const gl = canvas.getContext('webgl2');
    if (width * height === 0) {
      pixels = new Uint8Array(0);
    } else if (gl) {
      const up = new Uint8Array(width * height * 4);
      gl.readPixels(0, 0, width, height, gl.RGBA, gl.UNSIGNED_BYTE, up);
      pixels = new Uint8Array(up.length);
      for (let y = 0; y < height; ++y) pixels.set(up.subarray((height - 1 - y) * width * 4, (height - y) * width * 4), y * width * 4);
    } else {
      pixels = new Uint8Array(canvas.getContext('2d').getImageData(0, 0, width, height).data.buffer);
    }
    let binary = '';
    for (let i = 0; i < pixels.length; i += 8192) binary += String.fromCharCode(...pixels.subarray(i, i + 8192));
    return { width, height, base64: btoa(binary), renderer: gl ? 'webgl2' : '2d' };
  });

// A level's RGBA pixels enlarged by a whole factor, nearest.
function enlarged(rgba, width, height, scale) {
  const out = Buffer.alloc(width * height * scale * scale * 4);
  for (let y = 0; y < height * scale; ++y)
    for (let x = 0; x < width * scale; ++x)
      rgba.copy(out, (y * width * scale + x) * 4, ((Math.floor(y / scale) * width) + Math.floor(x / scale)) * 4,
        ((Math.floor(y / scale) * width) + Math.floor(x / scale)) * 4 + 4);
  return out;
}

// file, frame, level, zoom, renderer: every format, the 2D-array and the 2D texture, reduced and
// empty levels, a file without pixels.
const PIXELS = [
  ['frames-1555', 2, 0, 3, 'webgl2'], ['frames-1555', 1, 1, 5, 'webgl2'],
  ['frames-4444', 1, 0, 2, 'webgl2'], ['frames-4444', 0, 2, 4, 'webgl2'],
  ['frames-565', 0, 0, 7, 'webgl2'], ['frames-565', 0, 1, 1, 'webgl2'], ['frames-1555', 2, 2, 3, 'webgl2'],
  ['no-pixels', 1, 0, 2, 'webgl2'], ['no-pixels', 1, 1, 2, '2d'],
  ['every-word-1555', 0, 0, 1, 'webgl2'], ['every-word-4444', 0, 0, 1, 'webgl2'], ['every-word-565', 0, 0, 2, 'webgl2'],
  ['frames-565', 0, 0, 3, '2d'], ['every-word-1555', 0, 0, 1, '2d'], ['every-word-4444', 0, 0, 1, '2d'],
  ['every-word-565', 0, 0, 1, '2d'],
];

test('the canvas shows the GPU form of the expansion of the level asked for', { timeout: 120000 }, async () => {
  for (const [name, frame, level, scale, renderer] of PIXELS) {
    const where = `${name} frame ${frame} level ${level} x${scale} ${renderer}`;
    const query = `src=/files/${name}.qfb&frame=${frame}&level=${level}&paused=1&scale=${scale}` +
      (renderer === '2d' ? '&renderer=2d' : '');
    assert.equal((await visit(query)).state, 'ready', where);
    const answer = answers.get(name).levels.find((l) => l.frame === frame && l.level === level);
    const want = enlarged(Buffer.from(answer.gpuRGBA, 'hex'), answer.width, answer.height, scale);
    const got = await readCanvas();
    assert.deepEqual([got.width, got.height, got.renderer], [answer.width * scale, answer.height * scale, renderer], where);
    const pixels = Buffer.from(got.base64, 'base64');
    if (renderer === 'webgl2') {
      assert.ok(pixels.equals(want), where);
      continue;
    }
    // A 2D canvas keeps opaque pixels exactly and clear ones as clear; it rounds the others.
    for (let i = 0; i < want.length; i += 4) {
      if (want[i + 3] === 255) assert.deepEqual([...pixels.subarray(i, i + 4)], [...want.subarray(i, i + 4)], `${where} @${i / 4}`);
      else if (want[i + 3] === 0) assert.equal(pixels[i + 3], 0, `${where} @${i / 4}`);
    }
  }
  assert.deepEqual(pageErrors, []);
});

// Frames advanced against the clock over SAMPLE_MS: within TOLERANCE frames of fps x time.
const SAMPLE_MS = 3000, TOLERANCE = 1.5;

test(`playing advances at the file's fps (within ${TOLERANCE} frames over ${SAMPLE_MS} ms) and loops`, { timeout: 60000 }, async () => {
  assert.equal((await visit('src=/files/playback.qfb&scale=4')).state, 'ready');
  const samples = await page.evaluate((ms) => new Promise((resolve) => {
    const seen = [];
    const sample = (now) => {
      seen.push([now, Number(document.body.dataset.frame)]);
      if (now - seen[0][0] < ms) requestAnimationFrame(sample);
      else resolve(seen);
    };
    requestAnimationFrame(sample);
  }), SAMPLE_MS);
  // A loaded machine may skip frames (the index follows the clock), never more than a loop's worth.
  let advanced = 0;
  for (let i = 1; i < samples.length; ++i) advanced += (samples[i][1] - samples[i - 1][1] + PLAY_FRAMES) % PLAY_FRAMES;
  const elapsed = samples.at(-1)[0] - samples[0][0];
  const expected = (elapsed * PLAY_FPS) / 1000;
  assert.ok(Math.abs(advanced - expected) <= TOLERANCE, `${advanced} frames in ${elapsed.toFixed(0)} ms at ${PLAY_FPS} fps`);
  assert.ok(advanced > PLAY_FRAMES, 'it loops');

  // Paused, it stays; the step buttons move one frame and wrap around.
  assert.equal((await visit('src=/files/playback.qfb&frame=3&paused=1').then((v) => v.state)), 'ready');
  await new Promise((resolve) => setTimeout(resolve, 500));
  const shown = () => page.evaluate(() => Number(document.body.dataset.frame));
  assert.equal(await shown(), 3);
  const steps = [['#forward', 4], ['#back', 3], ['#back', 2], ['#back', 1], ['#back', 0], ['#back', PLAY_FRAMES - 1],
    ['#forward', 0]];
  for (const [button, frame] of steps) {
    await page.click(button);
    assert.equal(await shown(), frame, button);
  }
  assert.deepEqual(pageErrors, []);
});

// query, what the message must say.
const REFUSALS = [
  ...['cut-short', 'bad-magic', 'extra-bytes', 'too-short', 'bad-format'].map((name) => {
    const { status, text } = answers.get(name);
    return [`src=/files/${name}.qfb`, `${name}.qfb: ${text} (${status})`];
  }),
  ['src=/files/frames-565.qfb&frame=1', 'frames-565.qfb: no such frame, level or row (QFB_OUT_OF_RANGE)'],
  ['src=/files/frames-4444.qfb&level=4', 'frames-4444.qfb: no such frame, level or row (QFB_OUT_OF_RANGE)'],
  ['src=/files/missing.qfb', 'missing.qfb: 404 Not Found'],
  ['src=/files/wide.qfb', 'wide.qfb: qfb: WebGL error 0x501 while uploading'],
  ['src=/files/tall.qfb', 'tall.qfb: qfb: WebGL error 0x501 while uploading'],
];

test('a file still arriving shows its first frame, and each other frame once it is in', { timeout: 60000 }, async () => {
  const answer = answers.get('frames-1555');
  const pixels = async (frame) => {
    const { gpuRGBA, width, height } = answer.levels.find((l) => l.frame === frame && l.level === 0);
    const got = await readCanvas();
    return Buffer.from(got.base64, 'base64').equals(enlarged(Buffer.from(gpuRGBA, 'hex'), width, height, 2));
  };
  assert.equal((await visit('src=/slow/frames-1555.qfb&paused=1&scale=2')).state, 'ready');
  assert.ok(await pixels(0), 'frame 0');
  await page.click('#forward'); // frame 1 is asked for, and drawn when it is in
  await new Promise((resolve) => setTimeout(resolve, 300));
  assert.equal(await page.evaluate(() => document.body.dataset.frame), '0');
  release();
  await page.waitForFunction(() => document.body.dataset.frame === '1', { timeout: 10000 });
  assert.ok(await pixels(1), 'frame 1');
  await page.click('#forward');
  assert.ok(await pixels(2), 'frame 2');
  assert.deepEqual(pageErrors, []);
});

test('with watch=1 a file changed on disk shows its new pixels within 2 s, at the same frame, zoom and pause', { timeout: 60000 }, async () => {
  writeFileSync(join(folder, 'watched.qfb'), plain(0x001F)); // blue
  assert.equal((await visit('src=/watched/watched.qfb&watch=1&frame=3&paused=1&scale=4')).state, 'ready');
  // Within the second of the first answer: a second-wide If-Modified-Since would hide it.
  writeFileSync(join(folder, 'watched.qfb'), plain(0xF800)); // red
  await page.waitForFunction(() => document.body.dataset.changed === '1', { timeout: 2000 });
  const got = await readCanvas();
  assert.deepEqual([got.width, got.height], [8, 8]);
  assert.ok(Buffer.from(got.base64, 'base64').equals(Buffer.alloc(8 * 8 * 4).fill(Buffer.from([255, 0, 0, 255]))));
  assert.deepEqual(await page.evaluate(() => [document.body.dataset.frame, document.getElementById('play').textContent,
    document.getElementById('changed').hidden]), ['3', 'Play', false]);
});

test('a file picked with the file input is shown, and a damaged one refused', { timeout: 60000 }, async () => {
  assert.equal((await visit('')).state, 'empty');
  const input = await page.$('#file');
  await input.uploadFile(join(folder, 'frames-4444.qfb'));
  await page.waitForFunction(() => document.body.dataset.state === 'ready', { timeout: 30000 });
  assert.deepEqual(await page.evaluate(() => [document.getElementById('name').textContent, document.getElementById('view').width]),
    ['frames-4444.qfb', 6 * 16]);
  await input.uploadFile(join(folder, 'cut-short.qfb'));
  await page.waitForFunction(() => document.body.dataset.state === 'error', { timeout: 30000 });
  assert.equal(await page.evaluate(() => document.getElementById('message').textContent),
    `cut-short.qfb: ${answers.get('cut-short').text} (QFB_CUT_SHORT)`);
  assert.deepEqual(pageErrors, []);
});

test('a damaged file shows the library\'s text, and nothing escapes the page', { timeout: 60000 }, async () => {
  for (const [query, message] of REFUSALS) {
    assert.equal((await visit(query)).state, 'error', query);
    const shown = await page.evaluate(() => {
      const m = document.getElementById('message');
      const c = document.getElementById('view');
      return { text: m.textContent, hidden: m.hidden, size: c.width * c.height };
    });
    assert.deepEqual(shown, { text: message, hidden: false, size: 0 }, query);
  }
  assert.deepEqual(pageErrors, []);
});
