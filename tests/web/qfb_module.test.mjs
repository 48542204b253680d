// The web module (qfb.mjs on qfb.wasm) against the C library on the same files: web_answers
// writes files of every format and one for each refusal a file can cause, with the library's
// answers; every answer of the module must be the same. The status names of the types, written
// in qfb.d.ts, and the file-size limit against the library's. Then the npm package as packed.
// Environment: QFB_WEB_PACKAGE (the assembled package folder), QFB_WEB_ANSWERS (the helper),
// NPM (npm, optional: the packing test is skipped without it).
import assert from 'node:assert/strict';
import { execFileSync } from 'node:child_process';
import { mkdtempSync, readFileSync, rmSync } from 'node:fs';
import { tmpdir } from 'node:os';
import { join } from 'node:path';
import { after, test } from 'node:test';
import { pathToFileURL } from 'node:url';

const packageDir = process.env.QFB_WEB_PACKAGE;
const qfb = await import(pathToFileURL(join(packageDir, 'qfb.mjs')));

const folder = mkdtempSync(join(tmpdir(), 'qfb-web-'));
after(() => rmSync(folder, { recursive: true, force: true }));
execFileSync(process.env.QFB_WEB_ANSWERS, [folder]);
const answers = JSON.parse(readFileSync(join(folder, 'answers.json'), 'utf8'));

const hex = (typed) => Buffer.from(typed.buffer, typed.byteOffset, typed.byteLength).toString('hex');
const refusal = (status, text) => (error) =>
  error instanceof qfb.QfbError && error instanceof Error && error.status === status && error.message === text;

// The same bytes as the file gives them, at an odd or even address inside a larger buffer, and
// whether the module is asked to copy them: [kind, bytes, copy].
function views(bytes) {
  const at = (offset) => {
    const larger = new Uint8Array(bytes.length + 4);
    larger.set(bytes, offset);
    return larger.subarray(offset, offset + bytes.length);
  };
  return [['a Uint8Array', bytes, true], ['an ArrayBuffer', bytes.slice().buffer, true], ['an odd view', at(1), true],
    ['an odd view, not copied', at(3), false], ['an even view, not copied', at(2), false]];
}

for (const answer of answers.files) {
  test(`${answer.name}: ${answer.status}`, () => {
    const bytes = new Uint8Array(readFileSync(join(folder, answer.file)));
    for (const [kind, view, copy] of views(bytes)) {
      if (answer.status !== 'QFB_OK') {
        assert.throws(() => qfb.open(view, { copy }), refusal(answer.status, answer.text), kind);
        continue;
      }
      const file = qfb.open(view, { copy });
      if (copy) (view instanceof ArrayBuffer ? new Uint8Array(view) : view).fill(0); // the module has its own
      const { width, height, format, fps, frameCount, mipmapCount } = file;
      assert.deepEqual({ width, height, format, fps, frameCount, mipmapCount }, answer.header, kind);
      assert.equal(file.size, answer.size);
      assert.equal(file.pixelLevelCount, answer.pixelLevelCount);
      assert.deepEqual(file.uploadFacts, answers.uploadFacts[format]);
      for (const level of answer.levels) {
        const where = `${kind}, frame ${level.frame} level ${level.level}`;
        const got = file.level(level.frame, level.level);
        const start = got.words.buffer === view.buffer ? view.byteOffset : 0; // not copied: in the caller's buffer
        assert.deepEqual([got.width, got.height, got.words.byteOffset - start], [level.width, level.height, level.offset], where);
        assert.equal(hex(got.words), level.words, where);
        for (const gpu of [false, true]) {
          for (const order of ['RGBA', 'BGRA']) {
            const expected = level[`${gpu ? 'gpu' : 'replicated'}${order}`];
            assert.equal(hex(file.expand(level.frame, level.level, { gpu, order })), expected, `${where} ${order}`);
          }
        }
        for (const [target, { status, text, words }] of Object.entries(level.convert)) {
          if (status === 'QFB_OK') assert.equal(hex(file.convert(level.frame, level.level, target)), words, where);
          else assert.throws(() => file.convert(level.frame, level.level, target), refusal(status, text), where);
        }
      }
      for (const { frame, level, status, text } of answer.refused) {
        assert.throws(() => file.level(frame, level), refusal(status, text));
        assert.throws(() => file.expand(frame, level), refusal(status, text));
      }
    }
  });
}

test('the types name the statuses the library names, and the module gives its file-size limit', () => {
  const types = readFileSync(join(packageDir, 'qfb.d.ts'), 'utf8');
  const union = types.match(/export type QfbStatus =([^;]*);/)[1];
  assert.deepEqual([...union.matchAll(/'(\w+)'/g)].map((m) => m[1]), answers.statusNames);
  assert.equal(qfb.MAX_FILE_SIZE, answers.maxFileSize);
});

test('expand takes an options object and only the orders\' own names', () => {
  const file = qfb.open(readFileSync(join(folder, 'frames-565.qfb')));
  for (const options of [{ order: 'toString' }, { order: '__proto__' }, { order: 'constructor' }, null])
    assert.throws(() => file.expand(0, 0, options), TypeError, JSON.stringify(options));
});

test('the upload facts of each format name, and none for another', () => {
  for (const [format, facts] of Object.entries(answers.uploadFacts)) assert.deepEqual(qfb.uploadFacts(format), facts);
  for (const name of ['', '1555 ', 'rgb565', '0']) assert.equal(qfb.uploadFacts(name), null);
});

test('the package packs offline with its files, at the library version', { skip: !process.env.NPM }, () => {
  const [packed] = JSON.parse(execFileSync(process.env.NPM, ['pack', '--dry-run', '--json', '--offline'], {
    cwd: packageDir, encoding: 'utf8', stdio: ['ignore', 'pipe', 'ignore'],
  }));
  const names = packed.files.map(({ path }) => path).sort();
  assert.deepEqual(names, ['LICENSE', 'README.md', 'package.json', 'qfb.d.ts', 'qfb.mjs', 'qfb.wasm', 'viewer.css',
    'viewer.html', 'viewer.mjs']);
  assert.equal(packed.version, qfb.version);
});
