// qfbinfo --ktx2 read back by ktx-parse (pinned in web/package-lock.json), on the files web_answers
// writes: the header, every level of every layer equal to the words libqfb (through qfb.mjs)
// converts to the texture's format, the data format descriptor and KTXanimData byte for byte (the
// descriptor as Khronos's data format standard lays out the format's basic block;
// ktx-parse decodes every KTX* value as text, so KTXanimData is read from the file's bytes).
// Environment: QFB_WEB_PACKAGE, QFB_WEB_ANSWERS, QFB_WEB_SOURCE (web/, for node_modules), QFBINFO.
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const qfb = await import(pathToFileURL(join(process.env.QFB_WEB_PACKAGE, 'qfb.mjs')));
const { read } = await import(pathToFileURL(join(process.env.QFB_WEB_SOURCE, 'node_modules', 'ktx-parse', 'dist', 'index.mjs')));

const folder = mkdtempSync(join(tmpdir(), 'qfb-ktx2-'));
after(() => rmSync(folder, { recursive: true, force: true }));
execFileSync(process.env.QFB_WEB_ANSWERS, [folder]);
const answers = JSON.parse(readFileSync(join(folder, 'answers.json'), 'utf8'));

// The texture's format by QFB format and choice: vkFormat, libqfb's conversion to its layout, and its
// data format descriptor as bytes: dfdTotalSize; vendor and type 0; version 2 and the block size;
// model RGBSDA, primaries BT.709, transfer sRGB, straight alpha; a 1 x 1 texel; 2 bytes in plane
// 0; then a sample per channel by bit offset: offset, length - 1, channel (red 0, green 1, blue 2,
// alpha 15, marked linear: 0x1f), position 0, lower 0, upper.
const header = (total, block) => `${total} 000000 00000000 0200${block}00 01010200 00000000 02000000 00000000`;
const FORMATS = {
  '565': {
    vkFormat: 4, target: 'AS_STORED',
    descriptor: `${header('4c', '48')} 00000402 00000000 00000000 1f000000 05000501 00000000 00000000 3f000000` +
      ' 0b000400 00000000 00000000 1f000000',
  },
  '4444': {
    vkFormat: 2, target: 'RGBA4444',
    descriptor: `${header('5c', '58')} 0000031f 00000000 00000000 0f000000 04000302 00000000 00000000 0f000000` +
      ' 08000301 00000000 00000000 0f000000 0c000300 00000000 00000000 0f000000',
  },
  '4444 as stored': {
    vkFormat: 1000340000, target: 'AS_STORED',
    descriptor: `${header('5c', '58')} 00000302 00000000 00000000 0f000000 04000301 00000000 00000000 0f000000` +
      ' 08000300 00000000 00000000 0f000000 0c00031f 00000000 00000000 0f000000',
  },
  '1555': {
    vkFormat: 6, target: 'RGBA5551',
    descriptor: `${header('5c', '58')} 0000001f 00000000 00000000 01000000 01000402 00000000 00000000 1f000000` +
      ' 06000401 00000000 00000000 1f000000 0b000400 00000000 00000000 1f000000',
  },
  '1555 as stored': {
    vkFormat: 8, target: 'ARGB1555',
    descriptor: `${header('5c', '58')} 00000402 00000000 00000000 1f000000 05000401 00000000 00000000 1f000000` +
      ' 0a000400 00000000 00000000 1f000000 0f00001f 00000000 00000000 01000000',
  },
};
FORMATS['565 as stored'] = FORMATS['565'];

const hex = (bytes) => Buffer.from(bytes.buffer, bytes.byteOffset, bytes.byteLength).toString('hex');
const u32 = (bytes, at) => new DataView(bytes.buffer, bytes.byteOffset).getUint32(at, true);

// The bytes of one key/value entry, its length first, as the file holds them.
function entry(bytes, key) {
  const kvd = bytes.subarray(u32(bytes, 56), u32(bytes, 56) + u32(bytes, 60));
  for (let at = 0; at < kvd.length; at += (4 + u32(kvd, at) + 3) & ~3) {
    const length = u32(kvd, at);
    if (Buffer.from(kvd.subarray(at + 4, at + 4 + key.length + 1)).equals(Buffer.from(`${key}\0`)))
      return kvd.subarray(at, at + 4 + length);
  }
  return null;
}

const sound = answers.files.filter((a) => a.status === 'QFB_OK' && a.header.width * a.header.height > 0);

test('there are files of every format to write', () => {
  assert.deepEqual([...new Set(sound.map((a) => a.header.format))].sort(), ['1555', '4444', '565']);
});

for (const answer of sound) {
  for (const asStored of [false, true]) {
    test(`${answer.name}${asStored ? ' --as-stored' : ''}`, () => {
      const out = join(folder, `${answer.name}${asStored ? '-stored' : ''}.ktx2`);
      execFileSync(process.env.QFBINFO, [join(folder, answer.file), '--ktx2', out, ...(asStored ? ['--as-stored'] : [])]);
      const bytes = new Uint8Array(readFileSync(out));
      const texture = read(bytes);
      const { width, height, format, fps, frameCount } = answer.header;
      const expected = FORMATS[`${format}${asStored ? ' as stored' : ''}`];
      const levels = answer.levels.filter((l) => l.frame === 0 && l.width * l.height > 0).length;
      assert.deepEqual(
        [texture.vkFormat, texture.typeSize, texture.pixelWidth, texture.pixelHeight, texture.pixelDepth,
          texture.layerCount, texture.faceCount, texture.levelCount, texture.supercompressionScheme],
        [expected.vkFormat, 2, width, height, 0, frameCount > 1 ? frameCount : 0, 1, levels, 0]);

      // Each level holds every frame's image of it in turn, in the texture's layout.
      const file = qfb.open(readFileSync(join(folder, answer.file)));
      for (let level = 0; level < levels; ++level) {
        const images = Array.from({ length: frameCount }, (_, frame) => hex(file.convert(frame, level, expected.target)));
        assert.equal(hex(texture.levels[level].levelData), images.join(''), `level ${level}`);
        assert.equal(texture.levels[level].uncompressedByteLength, texture.levels[level].levelData.length);
      }

      assert.equal(hex(bytes.subarray(u32(bytes, 48), u32(bytes, 48) + u32(bytes, 52))), expected.descriptor.replaceAll(' ', ''));
      const [dfd] = texture.dataFormatDescriptor;
      assert.deepEqual([dfd.colorModel, dfd.colorPrimaries, dfd.transferFunction, dfd.flags, dfd.bytesPlane[0]], [1, 1, 2, 0, 2]);

      // KTXanimData: duration 1, timescale fps, loop count 0, for an array only.
      const animation = entry(bytes, 'KTXanimData');
      if (frameCount > 1) {
        const value = new Uint8Array(12);
        new DataView(value.buffer).setUint32(0, 1, true);
        new DataView(value.buffer).setUint32(4, fps, true);
        assert.equal(hex(animation), `18000000${Buffer.from('KTXanimData\0').toString('hex')}${hex(value)}`);
      } else {
        assert.equal(animation, null);
      }
      assert.deepEqual(Object.keys(texture.keyValue), [...(frameCount > 1 ? ['KTXanimData'] : []), 'KTXorientation', 'KTXwriter']);
      assert.equal(texture.keyValue.KTXorientation, 'rd');
      assert.match(texture.keyValue.KTXwriter, /^qfbinfo \d+\.\d+\.\d+$/);
    });
  }
}
