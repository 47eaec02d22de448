'use strict';
// Proves the harness on hand-made movies before trusting it with the
// project's own: traces arrive, keys reach the movie with the player key
// codes the slide player expects, pixels read back, and a movie the
// emulator complains about fails.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { Stage, parseTrace } = require('./lib/player');
const { traceMovie, keyEchoMovie } = require('./lib/tiny_swf');
const { freshDir } = require('./lib/env');

let stage;
let dir;
test.before(async () => {
  dir = freshDir('harness');
  stage = await Stage.launch();
});
test.after(async () => { await stage?.close(); });

function writeMovie(name, bytes) {
  const file = path.join(dir, name);
  fs.writeFileSync(file, bytes);
  return file;
}

test('a trace line and the stage colour come through', async () => {
  const movie = writeMovie('hello.swf', traceMovie('hello', { width: 320, height: 240, background: [0, 0, 255] }));
  const playback = await stage.play(movie, { width: 320, height: 240 });
  await playback.waitFor((e) => e.text === 'hello');
  await playback.settle();
  const shot = await playback.screenshot();
  assert.deepEqual(shot.pixel(160, 120), [0, 0, 255]);
  await playback.close();
});

test('every key of the key table reaches the movie with its player key code', async () => {
  const playback = await stage.play(writeMovie('keys.swf', keyEchoMovie()));
  await playback.waitFor((e) => e.text === 'ready');
  await playback.focus();
  // The numeric keypad's Enter arrives as 13 in this emulator, like the main Enter.
  const expected = {
    KeyP: 80, Space: 32, Enter: 13, NumpadEnter: 13, ArrowRight: 39, Backspace: 8, ArrowLeft: 37,
    Home: 36, PageUp: 33, ArrowUp: 38, End: 35, PageDown: 34, ArrowDown: 40,
  };
  for (const [key, code] of Object.entries(expected)) {
    const since = playback.mark();
    await playback.press(key);
    const echo = await playback.waitFor((e) => e.text.startsWith('key '), { since });
    assert.equal(echo.text, `key ${code}`, key);
  }
  await playback.close();
});

test('a movie the emulator complains about fails the playback', async () => {
  const good = traceMovie('truncated');
  // Cut the End tag and add a tag header that promises bytes the file lacks.
  const broken = Buffer.concat([good.subarray(0, good.length - 2), Buffer.from([0x3f, 0x03, 0xff, 0xff, 0, 0])]);
  broken.writeUInt32LE(broken.length, 4);
  const playback = await stage.play(writeMovie('broken.swf', broken));
  await playback.waitFor((e) => e.text === 'truncated');
  await playback.settle();
  await assert.rejects(playback.close(), /did not play cleanly[\s\S]*ERROR/);
});

test('trace lines of the player protocol parse into kind, number and fields', () => {
  assert.deepEqual(
    (({ kind, k, t, fields }) => ({ kind, k, t, fields }))(parseTrace('ORV goto 3 t=1234')),
    { kind: 'goto', k: 3, t: 1234, fields: { t: 1234 } });
  const ready = parseTrace('ORV ready n=5 w=640 h=480 nav=true auto=0 fade=false loop=true fix=-1');
  assert.equal(ready.kind, 'ready');
  assert.deepEqual(ready.fields, { n: 5, w: 640, h: 480, nav: 'true', auto: 0, fade: 'false', loop: 'true', fix: -1 });
  assert.deepEqual(parseTrace('ORV status 2 / 7').args, ['2', '/', '7']);
  assert.equal(parseTrace('hello'), null);
});
