// Types of qfb.mjs, libqfb in WebAssembly.

/** A pixel format's name, as in the header's format code 0, 1, 2. */
export type QfbFormat = '1555' | '4444' | '565';

/** Word layouts a GPU API takes where it has no type for the stored one (see qfb.h). */
export type QfbTarget = 'AS_STORED' | 'RGBA4444' | 'RGBA5551' | 'ARGB1555';

/** The names of the library's statuses, as spelled in qfb.h: the module's tests hold this list to
 *  the names the library gives. */
export type QfbStatus =
  | 'QFB_OK' | 'QFB_TOO_SHORT' | 'QFB_BAD_MAGIC' | 'QFB_BAD_VERSION' | 'QFB_BAD_DIMENSIONS' | 'QFB_BAD_FORMAT'
  | 'QFB_BAD_FPS' | 'QFB_BAD_FRAME_COUNT' | 'QFB_BAD_MIPMAP_COUNT' | 'QFB_SIDE_TOO_LARGE' | 'QFB_TOO_MANY_MIPMAPS'
  | 'QFB_TOO_MANY_FRAMES' | 'QFB_SIZE_OVERFLOW' | 'QFB_CUT_SHORT' | 'QFB_EXTRA_BYTES' | 'QFB_OUT_OF_RANGE'
  | 'QFB_BUFFER_TOO_SMALL' | 'QFB_BAD_ARGUMENT' | 'QFB_NO_ALPHA';

/** A refusal of the library: its status name, and its text as the message. */
export class QfbError extends Error {
  readonly name: 'QfbError';
  readonly status: QfbStatus;
}

/** How each GPU API takes a format's levels: the values of its enums and the layout to convert to. */
export interface QfbUploadFacts {
  readonly glInternalFormat: number; readonly glFormat: number; readonly glType: number; readonly glTarget: QfbTarget;
  /** OpenGL ES 3 and WebGL 2. */
  readonly glesInternalFormat: number; readonly glesFormat: number; readonly glesType: number;
  readonly glesTarget: QfbTarget;
  readonly vulkanFormat: number; readonly vulkanTarget: QfbTarget;
  readonly dxgiFormat: number; readonly dxgiTarget: QfbTarget;
  readonly metalFormat: number; readonly metalTarget: QfbTarget;
}

export interface QfbLevel {
  readonly frame: number;
  readonly level: number;
  readonly width: number;
  readonly height: number;
  /** width x height words as stored, rows top first: a view of the file's bytes (do not change it). */
  readonly words: Uint16Array;
}

export interface QfbExpandOptions {
  /** true: round(v x 255 / max), as a GPU samples it; false (the default): bit replication. */
  gpu?: boolean;
  /** Channel order of the result; "RGBA" by default. */
  order?: 'RGBA' | 'BGRA';
}

export interface QfbFile {
  readonly width: number;
  readonly height: number;
  readonly format: QfbFormat;
  readonly fps: number;
  readonly frameCount: number;
  readonly mipmapCount: number;
  /** Levels with pixels in each frame: levels 0 .. pixelLevelCount - 1 (0 for a file without
   *  pixels); the levels after them have a side halved to 0. */
  readonly pixelLevelCount: number;
  /** Bytes in the file. */
  readonly size: number;
  readonly uploadFacts: QfbUploadFacts;
  /** Throws a QfbError with status QFB_OUT_OF_RANGE for no such frame or level. */
  level(frame: number, level: number): QfbLevel;
  /** 4 x width x height bytes, rows top first. */
  expand(frame: number, level: number, options?: QfbExpandOptions): Uint8Array;
  /** The level's words in target's layout; a target not made from this format throws QFB_BAD_FORMAT. */
  convert(frame: number, level: number, target: QfbTarget): Uint16Array;
}

export interface QfbOpenOptions {
  /** false: read the caller's bytes without a copy (they must not change; they may still be
   *  arriving if no level is read before its bytes are in). true by default. */
  copy?: boolean;
}

/** Checks a whole file (its header against its size) and returns it; a bad file throws a QfbError. */
export function open(bytes: ArrayBuffer | ArrayBufferView, options?: QfbOpenOptions): QfbFile;

/** The upload facts of a format name; null for another name. */
export function uploadFacts(format: string): QfbUploadFacts | null;

export interface QfbTexture {
  readonly texture: WebGLTexture;
  /** gl.TEXTURE_2D for one frame, gl.TEXTURE_2D_ARRAY for several (a layer a frame). */
  readonly target: number;
  /** Levels uploaded: up to the last non-empty one; TEXTURE_MAX_LEVEL is levels - 1. */
  readonly levels: number;
}

export interface QfbUploadOptions {
  /** The frames (layers) to fill, first included, end not: all of them by default. */
  frames?: [number, number];
  /** A texture an earlier upload of this file made, whose layers are filled. */
  texture?: WebGLTexture | null;
}

/**
 * Uploads every non-empty level of a file's frames to a new texture (or the given one), left
 * bound to its target; the unpack state is restored. A WebGL error throws, with `glError`.
 */
export function upload(gl: WebGL2RenderingContext, file: QfbFile, options?: QfbUploadOptions): QfbTexture;

/** Bytes of a QFB header (32): a file's check needs no more of its bytes than these and its size. */
export const HEADER_SIZE: number;

/** The largest file a QFB writer makes, as the library gives it: makeqfb refuses a larger set. */
export const MAX_FILE_SIZE: number;

/** The version of the library in the module, "major.minor.patch". */
export const version: string;
