// qfb.mjs: libqfb in WebAssembly as an ES module, for Node and browsers. It loads qfb.wasm from
// beside itself (the file system in Node, fetch in a browser), checks a file with the library,
// and hands out its levels' words, their expansions and conversions, and a WebGL2 upload. Only
// marshalling is done here: the check, the geometry, the expansions and conversions, the upload
// facts, the status names and texts and the file-size limit all come from the library.

const wasmUrl = new URL('./qfb.wasm', import.meta.url);

async function loadLibrary() {
  if (wasmUrl.protocol === 'file:') {
    const { readFile } = await import('node:fs/promises');
    return (await WebAssembly.instantiate(await readFile(wasmUrl), {})).instance.exports;
  }
  const response = await fetch(wasmUrl);
  if (!response.ok) throw new Error(`qfb.wasm: ${response.status} ${response.statusText}`);
  if (WebAssembly.instantiateStreaming && response.headers.get('Content-Type') === 'application/wasm')
    return (await WebAssembly.instantiateStreaming(response, {})).instance.exports;
  return (await WebAssembly.instantiate(await response.arrayBuffer(), {})).instance.exports;
}

const lib = await loadLibrary();
/** Bytes of a QFB header: a file's check needs no more of its bytes than these and its size. */
export const HEADER_SIZE = lib.qfbw_header_size();
/** The largest file a QFB writer makes (QFB_MAX_FILE_SIZE): makeqfb refuses a larger set. */
export const MAX_FILE_SIZE = lib.qfbw_max_file_size();
// The numbers of the library's enums that cross the boundary as arguments.
const ORDERS = { RGBA: 0, BGRA: 1 };
const TARGETS = ['AS_STORED', 'RGBA4444', 'RGBA5551', 'ARGB1555'];
const UPLOAD_FIELDS = [
  'glInternalFormat', 'glFormat', 'glType', 'glTarget',
  'glesInternalFormat', 'glesFormat', 'glesType', 'glesTarget',
  'vulkanFormat', 'vulkanTarget', 'dxgiFormat', 'dxgiTarget', 'metalFormat', 'metalTarget',
];

const memory = () => new Uint8Array(lib.memory.buffer);

function cString(pointer) {
  if (pointer === 0) return null;
  const bytes = memory();
  let end = pointer;
  while (bytes[end] !== 0) end += 1;
  return new TextDecoder().decode(bytes.subarray(pointer, end));
}

/** The library's refusal: `status` is its name ("QFB_CUT_SHORT"), the message its text. */
export class QfbError extends Error {
  constructor(status) {
    super(cString(lib.qfb_status_text(status)));
    this.name = 'QfbError';
    this.status = cString(lib.qfb_status_name(status)) ?? String(status);
  }
}

function check(status) {
  if (status !== 0) throw new QfbError(status);
}

// A frame or level index as the library takes it: anything but an int32 is out of range.
const index = (value) => (Number.isInteger(value) && value >= -0x80000000 && value <= 0x7fffffff ? value : -1);

// The start of an arena of at least size bytes; memory may grow, so views are made afterwards.
function arena(size) {
  const start = lib.qfbw_arena(size);
  if (start === 0) throw new RangeError(`qfb: WebAssembly memory cannot hold ${size} bytes`);
  return start;
}

function asBytes(bytes) {
  if (bytes instanceof ArrayBuffer) return new Uint8Array(bytes);
  if (ArrayBuffer.isView(bytes)) return new Uint8Array(bytes.buffer, bytes.byteOffset, bytes.byteLength);
  throw new TypeError('qfb: open takes a Uint8Array, another typed array, a DataView or an ArrayBuffer');
}

/** The upload facts of a format name ("1555", "4444", "565"); null for another name. */
export function uploadFacts(format) {
  const name = new TextEncoder().encode(String(format));
  const at = arena(name.length + 1);
  memory().set(name, at);
  memory()[at + name.length] = 0;
  const code = lib.qfb_format_code(at);
  return code < 0 ? null : factsOf(code);
}

function factsOf(code) {
  const facts = {};
  UPLOAD_FIELDS.forEach((field, i) => {
    const value = lib.qfbw_upload_fact(code, i);
    facts[field] = field.endsWith('Target') ? TARGETS[value] : value;
  });
  return Object.freeze(facts);
}

/** A checked QFB file. */
class QfbFile {
  #data;
  #head;
  #code;

  constructor(data, code) {
    this.#data = data;
    this.#head = data.slice(0, HEADER_SIZE);
    this.#code = code;
    this.width = lib.qfbw_header_field(0);
    this.height = lib.qfbw_header_field(1);
    this.format = cString(lib.qfb_format_name(code));
    this.fps = lib.qfbw_header_field(3);
    this.frameCount = lib.qfbw_header_field(4);
    this.mipmapCount = lib.qfbw_header_field(5);
    this.pixelLevelCount = lib.qfbw_pixel_level_count();
    this.size = data.length;
    this.uploadFacts = factsOf(code);
    Object.freeze(this);
  }

  /** Level `level` (0 = full size) of frame `frame`: its size and its words as stored. */
  level(frame, level) {
    memory().set(this.#head, lib.qfbw_head());
    check(lib.qfbw_level(this.#head.length, this.#data.length, index(frame), index(level)));
    const width = lib.qfbw_level_width(), height = lib.qfbw_level_height();
    const words = new Uint16Array(this.#data.buffer, this.#data.byteOffset + lib.qfbw_level_offset(), width * height);
    return { frame, level, width, height, words };
  }

  /** The level as 4 bytes a pixel: bit replication, or as a GPU shows it with { gpu: true }. */
  expand(frame, level, options = {}) {
    if (options === null || typeof options !== 'object') throw new TypeError(`qfb: expand's options are an object, not ${options}`);
    const { gpu = false, order = 'RGBA' } = options;
    // Only the orders' own names: 'toString' or '__proto__' are no order.
    if (!Object.hasOwn(ORDERS, order)) throw new TypeError(`qfb: order is "RGBA" or "BGRA", not ${String(order)}`);
    const { words } = this.level(frame, level);
    const count = words.length, outAt = (count * 2 + 15) & ~15;
    const start = arena(outAt + count * 4);
    memory().set(new Uint8Array(words.buffer, words.byteOffset, count * 2), start);
    (gpu ? lib.qfb_expand_words_gpu : lib.qfb_expand_words)(start, count, this.#code, ORDERS[order], start + outAt);
    return memory().slice(start + outAt, start + outAt + count * 4);
  }

  /** The level's words in another layout: "AS_STORED", "RGBA4444", "RGBA5551" or "ARGB1555". */
  convert(frame, level, target) {
    const { words } = this.level(frame, level);
    const count = words.length, start = arena(count * 2);
    memory().set(new Uint8Array(words.buffer, words.byteOffset, count * 2), start);
    check(lib.qfb_convert_words(start, count, this.#code, TARGETS.indexOf(target), start));
    return new Uint16Array(memory().slice(start, start + count * 2).buffer);
  }
}

/**
 * Checks a whole file (its header against its size) and returns it; a bad file throws a
 * QfbError. The bytes are copied, unless { copy: false }: then the file reads the caller's bytes
 * (at an even address; copied otherwise), which the caller must not change, and which may still
 * be arriving, as long as a level is not read before its bytes are in.
 */
export function open(bytes, { copy = true } = {}) {
  const view = asBytes(bytes);
  const headSize = Math.min(view.length, HEADER_SIZE);
  memory().set(view.subarray(0, headSize), lib.qfbw_head());
  check(lib.qfbw_check(headSize, view.length));
  return new QfbFile(copy || view.byteOffset % 2 !== 0 ? view.slice() : view, lib.qfbw_header_field(2));
}

// The unpack state a WebGL2 upload from an array depends on, and the values it needs.
const UNPACK_STATE = [
  ['UNPACK_ALIGNMENT', 2], ['UNPACK_ROW_LENGTH', 0], ['UNPACK_IMAGE_HEIGHT', 0], ['UNPACK_SKIP_ROWS', 0],
  ['UNPACK_SKIP_PIXELS', 0], ['UNPACK_SKIP_IMAGES', 0], ['UNPACK_FLIP_Y_WEBGL', false],
  ['UNPACK_PREMULTIPLY_ALPHA_WEBGL', false],
];

/**
 * Uploads every non-empty level of a file to a new WebGL2 texture: TEXTURE_2D for one frame,
 * TEXTURE_2D_ARRAY (a layer a frame) for several, TEXTURE_MAX_LEVEL at the last non-empty level.
 * With { frames: [first, end] } only those layers are filled (the others are made, empty), and
 * with { texture } too, those layers of a texture this call made before are filled: a viewer
 * shows its first frame before the rest are in. Leaves the texture bound to its target on the
 * active unit, and the unpack state as it found it. A WebGL error throws (the texture made is
 * deleted) with the error in `glError`.
 */
export function upload(gl, file, { frames = [0, file.frameCount], texture = null } = {}) {
  const levels = file.pixelLevelCount;
  if (levels === 0) throw new RangeError('qfb: a file without pixels makes no texture');
  const [first, end] = frames;
  if (!(Number.isInteger(first) && Number.isInteger(end) && first >= 0 && first <= end && end <= file.frameCount))
    throw new RangeError(`qfb: frames [${first}, ${end}] are not of a file of ${file.frameCount}`);
  const facts = file.uploadFacts;
  const { glesInternalFormat: internal, glesFormat: format, glesType: type } = facts;
  const words = (frame, level) =>
    facts.glesTarget === 'AS_STORED' ? file.level(frame, level).words : file.convert(frame, level, facts.glesTarget);
  const target = file.frameCount === 1 ? gl.TEXTURE_2D : gl.TEXTURE_2D_ARRAY;
  const made = texture === null;
  const saved = UNPACK_STATE.map(([name]) => gl.getParameter(gl[name]));
  const savedBuffer = gl.getParameter(gl.PIXEL_UNPACK_BUFFER_BINDING);
  if (made) texture = gl.createTexture();
  try {
    gl.bindBuffer(gl.PIXEL_UNPACK_BUFFER, null);
    UNPACK_STATE.forEach(([name, value]) => gl.pixelStorei(gl[name], value));
    gl.bindTexture(target, texture);
    for (let level = 0; level < levels; ++level) {
      const { width, height } = file.level(0, level);
      if (target === gl.TEXTURE_2D) {
        if (first < end) gl.texImage2D(target, level, internal, width, height, 0, format, type, words(0, level));
        else if (made) gl.texImage2D(target, level, internal, width, height, 0, format, type, null);
        continue;
      }
      if (made) gl.texImage3D(target, level, internal, width, height, file.frameCount, 0, format, type, null);
      for (let frame = first; frame < end; ++frame)
        gl.texSubImage3D(target, level, 0, 0, frame, width, height, 1, format, type, words(frame, level));
    }
    if (made) {
      gl.texParameteri(target, gl.TEXTURE_BASE_LEVEL, 0);
      gl.texParameteri(target, gl.TEXTURE_MAX_LEVEL, levels - 1);
    }
    const error = gl.getError();
    if (error !== gl.NO_ERROR) {
      const failure = new Error(`qfb: WebGL error 0x${error.toString(16)} while uploading`);
      failure.glError = error;
      throw failure;
    }
    return { texture, target, levels };
  } catch (failure) {
    if (made) gl.deleteTexture(texture);
    throw failure;
  } finally {
    UNPACK_STATE.forEach(([name], i) => gl.pixelStorei(gl[name], saved[i]));
    gl.bindBuffer(gl.PIXEL_UNPACK_BUFFER, savedBuffer);
  }
}

/** The version of the library in the module, "major.minor.patch". */
export const version = (() => {
  const v = lib.qfb_version();
  return `${Math.floor(v / 10000)}.${Math.floor(v / 100) % 100}.${v % 100}`;
})();
