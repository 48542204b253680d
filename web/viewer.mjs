// The viewer page's behaviour: opening a file (picker, drop or ?src=), playback at the file's fps,
// the controls, and drawing one level of one frame at a whole zoom factor, through WebGL2 (the
// file uploaded by qfb.mjs, texels fetched unfiltered) or a 2D canvas where WebGL2 is
// missing. The canvas holds the pixels unblended; the checkerboard behind it shows their alpha.
// body.dataset: state (loading, empty, ready, error), frame and level (what the canvas shows).
// For a quick first frame, a ?src= file is fetched while qfb.mjs loads, checked (header against
// the announced length) once its header is in, and the frame asked for is drawn once its bytes
// are in; the other frames are drawn and uploaded as their bytes arrive, one a display frame.
// Should the body end short, the library's refusal of the bytes there are replaces the picture.
// ?watch=1 follows the file while it is packed again: see follow().
const params = new URLSearchParams(location.search);

// The bytes of a URL as they arrive: one buffer of the announced length, filled in order.
class Arrival {
  constructor(url) {
    this.bytes = null;
    this.at = 0;
    this.waiting = new Set();
    this.done = this.#read(url);
    this.done.catch(() => {}).finally(() => this.#tell());
  }

  async #read(url) {
    const response = await fetch(url, params.get('watch') === '1' ? { cache: 'no-store' } : {});
    if (!response.ok) throw new Error(`${response.status} ${response.statusText}`);
    this.response = response;
    const length = Number(response.headers.get('Content-Length'));
    if (!response.body || !Number.isSafeInteger(length) || length <= 0) {
      this.bytes = new Uint8Array(await response.arrayBuffer());
      this.at = this.bytes.length;
      return this.bytes;
    }
    this.bytes = new Uint8Array(length);
    const reader = response.body.getReader();
    for (;;) {
      const { done, value } = await reader.read();
      if (done) return this.at === length ? this.bytes : this.bytes.subarray(0, this.at);
      if (this.at + value.length > length) throw new Error('more bytes than the server announced');
      this.bytes.set(value, this.at);
      this.at += value.length;
      this.#tell();
    }
  }

  #tell() {
    for (const wake of this.waiting) wake();
  }

  /** Resolves once count bytes are in or the body has ended; rejects if the fetch failed. */
  until(count) {
    return new Promise((resolve, reject) => {
      const wake = () => {
        if (this.at < count) return;
        this.waiting.delete(wake);
        resolve();
      };
      this.waiting.add(wake);
      wake();
      this.done.then(() => (this.waiting.delete(wake), resolve()), (error) => (this.waiting.delete(wake), reject(error)));
    });
  }
}
const arrival = params.has('src') ? new Arrival(params.get('src')) : null;
const { open, upload, HEADER_SIZE } = await import('./qfb.mjs');

const $ = (id) => document.getElementById(id);
const canvas = $('view');
const MAX_SCALE = 16;

const VERTEX = `#version 300 es
void main() {
  vec2 corner = vec2(float((gl_VertexID << 1) & 2), float(gl_VertexID & 2));
  gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}`;
// The texel under each canvas pixel: canvas rows count from the bottom, the level's from the top.
const fragment = (array) => `#version 300 es
precision highp float;
precision highp int;
uniform highp ${array ? 'sampler2DArray' : 'sampler2D'} image;
uniform int level, layer, scale, height;
out vec4 colour;
void main() {
  ivec2 at = ivec2(gl_FragCoord.xy) / scale;
  at.y = height - 1 - at.y;
  colour = texelFetch(image, ${array ? 'ivec3(at, layer)' : 'at'}, level);
}`;

function compile(gl, array) {
  const program = gl.createProgram();
  for (const [type, source] of [[gl.VERTEX_SHADER, VERTEX], [gl.FRAGMENT_SHADER, fragment(array)]]) {
    const shader = gl.createShader(type);
    gl.shaderSource(shader, source);
    gl.compileShader(shader);
    gl.attachShader(program, shader);
  }
  gl.linkProgram(program);
  if (!gl.getProgramParameter(program, gl.LINK_STATUS)) throw new Error(gl.getProgramInfoLog(program));
  const at = (name) => gl.getUniformLocation(program, name);
  return { program, level: at('level'), layer: at('layer'), scale: at('scale'), height: at('height') };
}

// WebGL2 unless ?renderer=2d asks for the fallback or the browser has none.
function makeGl() {
  if (params.get('renderer') === '2d') return null;
  const gl = canvas.getContext('webgl2', {
    alpha: true, premultipliedAlpha: false, preserveDrawingBuffer: true, antialias: false, depth: false, stencil: false,
  });
  if (!gl) return null;
  return { gl, flat: compile(gl, false), layered: compile(gl, true) };
}
const webgl = makeGl();
const context2d = webgl ? null : canvas.getContext('2d');

const view = {
  file: null, texture: null, loaded: [], level: 0, scale: 1, playing: true,
  // Bytes of the file in so far, and the last non-empty level: a frame is drawn once it is in.
  have: () => Infinity, lastLevel: 0, generation: 0,
  // Playback: the frame shown at startTime; the frame index follows the clock from there.
  startFrame: 0, startTime: 0, shown: null, picture: null,
};

function frameAt(now) {
  if (!view.playing) return view.startFrame;
  // A display frame's time may precede the start just set.
  const elapsed = Math.max(0, Math.floor(((now - view.startTime) * view.file.fps) / 1000));
  return (view.startFrame + elapsed) % view.file.frameCount;
}

// The last non-empty level of a file's frames (0 for a file without pixels).
const lastLevelOf = (file) => Math.max(0, file.pixelLevelCount - 1);

// Where a frame's bytes end in the file (the file's own buffer starts at its first byte).
function frameEnd(file, frame, lastLevel) {
  const { words } = file.level(frame, lastLevel);
  return words.byteOffset + words.byteLength;
}

const arrived = (frame) => frameEnd(view.file, frame, view.lastLevel) <= view.have();

// Fills the texture's layer for a frame the first time it is needed.
function uploadFrame(frame) {
  if (view.loaded[frame]) return;
  upload(webgl.gl, view.file, { texture: view.texture.texture, frames: [frame, frame + 1] });
  view.loaded[frame] = true;
}

// An empty level (or a file without pixels, which has no texture) leaves the canvas empty.
function drawGl(frame, level, width, height) {
  const { gl } = webgl;
  gl.viewport(0, 0, canvas.width, canvas.height);
  gl.clearColor(0, 0, 0, 0);
  gl.clear(gl.COLOR_BUFFER_BIT);
  if (width === 0 || height === 0) return;
  const p = view.texture.target === gl.TEXTURE_2D_ARRAY ? webgl.layered : webgl.flat;
  uploadFrame(frame);
  gl.useProgram(p.program);
  gl.uniform1i(p.level, level);
  gl.uniform1i(p.layer, frame);
  gl.uniform1i(p.scale, view.scale);
  gl.uniform1i(p.height, height);
  gl.drawArrays(gl.TRIANGLES, 0, 3);
}

// The 2D canvas stores premultiplied pixels: colours of transparent pixels are lost there.
function draw2d(frame, level, width, height) {
  context2d.clearRect(0, 0, canvas.width, canvas.height);
  if (width === 0 || height === 0) return;
  const key = `${frame}/${level}`;
  if (view.picture?.key !== key) {
    const source = new OffscreenCanvas(width, height);
    const pixels = new ImageData(new Uint8ClampedArray(view.file.expand(frame, level, { gpu: true }).buffer), width);
    source.getContext('2d').putImageData(pixels, 0, 0);
    view.picture = { key, source };
  }
  context2d.imageSmoothingEnabled = false;
  context2d.drawImage(view.picture.source, 0, 0, width * view.scale, height * view.scale);
}

// Draws a frame whose bytes are in; false for one still arriving.
function render(frame) {
  if (!arrived(frame)) return false;
  const { width, height } = view.file.level(frame, view.level);
  if (canvas.width !== width * view.scale || canvas.height !== height * view.scale) {
    canvas.width = width * view.scale;
    canvas.height = height * view.scale;
  }
  (webgl ? drawGl : draw2d)(frame, view.level, width, height);
  view.shown = frame;
  $('frame').value = frame;
  document.body.dataset.frame = frame;
  document.body.dataset.level = view.level;
  return true;
}

function tick(now) {
  try {
    if (view.file) {
      const frame = frameAt(now);
      if (frame !== view.shown) render(frame);
      else if (view.texture) {
        const missing = view.loaded.indexOf(false);
        if (missing >= 0 && arrived(missing)) uploadFrame(missing);
      }
    }
  } catch (error) {
    showError(error, $('name').textContent);
  }
  requestAnimationFrame(tick);
}

function goTo(frame) {
  const count = view.file.frameCount;
  view.startFrame = ((frame % count) + count) % count;
  view.startTime = performance.now();
  render(view.startFrame);
}

function setPlaying(playing) {
  if (!view.file) return;
  view.startFrame = frameAt(performance.now());
  view.startTime = performance.now();
  view.playing = playing;
  $('play').textContent = playing ? 'Pause' : 'Play';
}

const option = (value, text) => Object.assign(document.createElement('option'), { value, textContent: text });

function showFacts(file, name) {
  const facts = [
    ['File', name], ['Size', `${file.width} x ${file.height}`], ['Format', file.format], ['fps', file.fps],
    ['Frames', file.frameCount], ['Mipmaps', file.mipmapCount], ['Bytes', file.size.toLocaleString('en')],
    ['Drawn with', webgl ? 'WebGL2' : '2D canvas'],
  ];
  $('facts').replaceChildren(...facts.flatMap(([term, value]) => [
    Object.assign(document.createElement('dt'), { textContent: term }),
    Object.assign(document.createElement('dd'), { textContent: String(value) }),
  ]));
  // The levels with pixels one by one; the empty ones after them (a side halved to 0) as one.
  const filled = file.pixelLevelCount;
  const levels = Array.from({ length: filled }, (_, level) => {
    const { width, height } = file.level(0, level);
    return option(level, `${level}: ${width} x ${height}`);
  });
  if (filled <= file.mipmapCount)
    levels.push(option(filled, `${filled}${filled < file.mipmapCount ? ` - ${file.mipmapCount}` : ''}: empty`));
  $('level').replaceChildren(...levels);
  $('frame').max = file.frameCount - 1;
  $('frames').textContent = `of 0 - ${file.frameCount - 1}`;
}

function forget() {
  if (view.texture) webgl.gl.deleteTexture(view.texture.texture);
  Object.assign(view, { file: null, texture: null, loaded: [], picture: null, shown: null, have: () => Infinity });
  view.generation += 1;
}

// A bad file replaces what was shown: the canvas is emptied and the message says why.
function showError(error, name) {
  forget();
  canvas.width = 0;
  canvas.height = 0;
  const detail = error.status ? `${error.message} (${error.status})` : error.message;
  $('message').textContent = `${name}: ${detail}`;
  $('message').hidden = false;
  document.body.dataset.state = 'error';
}

// A whole factor from 1 to MAX_SCALE, or null.
function wholeScale(text) {
  const value = Number(text);
  return Number.isInteger(value) && value >= 1 && value <= MAX_SCALE ? value : null;
}

// Shows frame `frame` of level `level` of an opened file, of which have() bytes are in. Throws for
// a frame or level not in it and for a file WebGL cannot hold (a side above MAX_TEXTURE_SIZE), both
// before the view changes, so that the caller shows the error.
function show(file, name, { frame = 0, level = 0, scale = null, paused = false, have = () => Infinity } = {}) {
  file.level(frame, level);
  const texture = webgl && file.width * file.height > 0 ? upload(webgl.gl, file, { frames: [0, 0] }) : null;
  forget();
  view.file = file;
  view.have = have;
  view.lastLevel = lastLevelOf(file);
  if (texture) {
    view.texture = texture;
    view.loaded = new Array(file.frameCount).fill(false);
  }
  view.level = level;
  view.scale = scale ?? Math.max(1, Math.min(MAX_SCALE, Math.floor(512 / Math.max(file.width, file.height, 1))));
  view.playing = !paused;
  $('play').textContent = paused ? 'Play' : 'Pause';
  $('name').textContent = name;
  $('message').hidden = true;
  showFacts(file, name);
  $('level').value = Math.min(level, file.pixelLevelCount);
  $('scale').value = view.scale;
  goTo(frame);
  if (webgl) webgl.gl.finish();
  document.body.dataset.state = 'ready';
}

async function showUrl() {
  const name = params.get('src').split('/').pop();
  // Until it shows its file, this page's own generation; then the one its file is shown in.
  let mine = view.generation;
  try {
    const index = (key) => (params.has(key) ? Number(params.get(key)) : 0);
    const scale = params.has('scale') ? wholeScale(params.get('scale')) : null;
    if (params.has('scale') && scale === null) throw new Error(`zoom is a whole factor from 1 to ${MAX_SCALE}`);
    // Bytes that ended before `count`: the library refuses what there is.
    const need = async (count) => {
      await arrival.until(count);
      if (arrival.at < count) open(await arrival.done);
      return view.generation === mine; // false once another file has been opened
    };
    if (!(await need(HEADER_SIZE))) return;
    const file = open(arrival.bytes, { copy: false }); // the header against the announced length
    const frame = index('frame'), level = index('level');
    file.level(frame, level); // refused before any wait if the file has no such frame or level
    if (!(await need(frameEnd(file, frame, lastLevelOf(file))))) return;
    show(file, name, { frame, level, scale, paused: params.get('paused') === '1', have: () => arrival.at });
    performance.mark('qfb-first-frame');
    mine = view.generation;
    const bytes = await arrival.done;
    if (view.generation !== mine) return;
    if (bytes.length !== file.size) open(bytes);
    view.have = () => Infinity;
  } catch (error) {
    if (view.generation === mine) showError(error, name);
  }
}

// ?watch=1: the file is asked for again at most every WATCH_MS, conditionally (If-None-Match, or
// If-Modified-Since once the time the server gives is a whole second old, as http.server's
// second-wide times could otherwise hide a second save within that second; without either, the
// whole file, compared with the one shown). A changed file replaces the one shown, keeping the
// frame, level, zoom and pause; the mark beside the name says when. A failed request is retried.
const WATCH_MS = 500;

function validators(response) {
  const headers = { };
  const tag = response.headers.get('ETag');
  const modified = response.headers.get('Last-Modified');
  const date = Date.parse(response.headers.get('Date') ?? '') || Date.now();
  if (tag) headers['If-None-Match'] = tag;
  else if (modified && date - Date.parse(modified) >= 1000) headers['If-Modified-Since'] = modified;
  return headers;
}

async function follow(url, first) {
  let asked = validators(first);
  let last = await arrival.done.catch(() => null);
  for (;;) {
    await new Promise((resolve) => setTimeout(resolve, WATCH_MS));
    try {
      const conditional = Object.keys(asked).length > 0;
      const response = await fetch(url, { cache: conditional ? 'no-cache' : 'no-store', headers: asked });
      if (response.status === 304 || !response.ok) continue;
      const bytes = new Uint8Array(await response.arrayBuffer());
      asked = validators(response);
      if (last && bytes.length === last.length && bytes.every((b, i) => b === last[i])) continue;
      last = bytes;
      const file = open(bytes);
      const shown = view.file;
      const frame = shown ? Math.min(view.shown ?? 0, file.frameCount - 1) : 0;
      const level = shown ? Math.min(view.level, lastLevelOf(file)) : 0;
      show(file, $('name').textContent, { frame, level, scale: shown ? view.scale : null, paused: shown ? !view.playing : false });
      const changed = new Date();
      $('changed').textContent = `changed ${changed.toLocaleTimeString()}`;
      $('changed').hidden = false;
      document.body.dataset.changed = String(Number(document.body.dataset.changed ?? 0) + 1);
    } catch (error) {
      if (!(error instanceof TypeError)) showError(error, $('name').textContent); // a damaged file; a network failure is retried
    }
  }
}

async function showPicked(file) {
  try {
    show(open(await file.arrayBuffer()), file.name);
  } catch (error) {
    showError(error, file.name);
  }
}

$('scale').replaceChildren(...Array.from({ length: MAX_SCALE }, (_, i) => option(i + 1, `${i + 1} x`)));
$('play').addEventListener('click', () => setPlaying(!view.playing));
$('back').addEventListener('click', () => view.file && (setPlaying(false), goTo(view.shown - 1)));
$('forward').addEventListener('click', () => view.file && (setPlaying(false), goTo(view.shown + 1)));
$('frame').addEventListener('change', (event) => view.file && goTo(Math.trunc(Number(event.target.value)) || 0));
$('level').addEventListener('change', (event) => {
  if (!view.file) return;
  view.level = Number(event.target.value);
  view.picture = null;
  render(view.shown);
});
$('scale').addEventListener('change', (event) => {
  if (!view.file) return;
  view.scale = Number(event.target.value);
  render(view.shown);
});
$('file').addEventListener('change', (event) => event.target.files[0] && showPicked(event.target.files[0]));
document.addEventListener('keydown', (event) => {
  if (!view.file || event.target.tagName === 'INPUT' || event.target.tagName === 'SELECT') return;
  if (event.key === ' ') setPlaying(!view.playing);
  else if (event.key === 'ArrowLeft') $('back').click();
  else if (event.key === 'ArrowRight') $('forward').click();
  else return;
  event.preventDefault();
});
document.addEventListener('dragover', (event) => {
  event.preventDefault();
  document.body.classList.add('dropping');
});
document.addEventListener('dragleave', () => document.body.classList.remove('dropping'));
document.addEventListener('drop', (event) => {
  event.preventDefault();
  document.body.classList.remove('dropping');
  const file = event.dataTransfer.files[0];
  if (file) showPicked(file);
});

requestAnimationFrame(tick);
if (params.has('src')) {
  showUrl();
  if (params.get('watch') === '1')
    arrival.done.then(() => follow(params.get('src'), arrival.response), () => {});
}
else document.body.dataset.state = 'empty';
