'use strict';
// Automatic playback: fixed and per-slide intervals timed with the player's
// own clock (the t= values of its traces), looping, the end of the show,
// autostart and the countdown indicator.
const test = require('node:test');
const assert = require('node:assert/strict');
const { Stage } = require('./lib/player');
const { convertFolder, writeMovie } = require('./lib/movies');

let stage;
test.before(async () => { stage = await Stage.launch(); });
test.after(async () => { await stage?.close(); });

// An interval is timed from the moment the player notes its start, which
// comes a little before the trace that the test sees; it may end late by a
// few frames, more on a busy machine.
const EARLY_MS = 150;
const LATE_MS = 1200;

function assertInterval(t, from, to, seconds, what) {
  const elapsed = to.t - from.t;
  t.diagnostic(`${what}: ${elapsed} ms for ${seconds} s`);
  assert.ok(elapsed >= seconds * 1000 - EARLY_MS && elapsed <= seconds * 1000 + LATE_MS,
    `${what}: ${elapsed} ms for an interval of ${seconds} s`);
}

/** Waits for the next `count` slide switches after `since`. */
async function nextGotos(playback, since, count) {
  await playback.waitFor(() => playback.events('goto', since).length >= count, { since, timeout: 60000 });
  return playback.events('goto', since).slice(0, count);
}

test('a fixed delay of one second shows every slide one interval and ends on the last', async (t) => {
  const { swf, structure } = convertFolder('fixed', {
    slides: 4, options: ['--fixed-delay', '--delay', '1', '--autostart', '--no-loop'],
  });
  assert.match(structure.config, /autoStart="true" loop="false" transAnim="fade" fixDelay="1"><\/config>$/);
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.deepEqual([ready.fields.auto, ready.fields.fix, ready.fields.loop], [1, 1, 'false']);
  const on = await playback.waitFor('auto');
  assert.equal(on.args[0], 'on');
  const gotos = await nextGotos(playback, on.index, 3);
  assert.deepEqual(gotos.map((e) => e.k), [2, 3, 4]);
  gotos.forEach((e, i) => assertInterval(t, i ? gotos[i - 1] : on, e, 1, `switch to ${e.k}`));

  // The show ends as soon as the last slide is reached.
  const off = await playback.waitFor((e) => e.kind === 'auto', { since: on.index + 1 });
  assert.equal(off.args[0], 'off');
  // It ends on arriving there, not one interval later: the same slack as the intervals.
  assert.ok(off.index > gotos[2].index, 'playback ended before the last slide');
  assert.ok(off.t - gotos[2].t < LATE_MS, `playback ended ${off.t - gotos[2].t} ms after the last slide`);

  // The countdown fills up in steps within each interval and starts over with the next one.
  const steps = playback.events('indicator', gotos[0].index).filter((e) => e.index < gotos[1].index).map((e) => e.k);
  assert.ok(steps.length >= 2, `indicator did not move: ${steps}`);
  assert.deepEqual([...steps].sort(), steps, `indicator went backwards: ${steps}`);
  assert.ok(steps.every((f) => f >= 1 && f <= 4));
  await playback.settle();
  assert.equal(playback.events('indicator').pop().k, 1, 'indicator not reset at the end');
  assert.equal(playback.events('status').pop().args.join(' '), '4 / 4');
  await playback.close();
});

test('per-slide delays are taken in slide order, the last one before the show loops', async (t) => {
  const { swf, structure } = writeMovie('delays', {
    slides: 3, delays: [2, 1, 3], flags: ['--autostart', '--loop', '--no-fade'],
  });
  assert.match(structure.config, /fixDelay="-1"><slideProp delay="2"><\/slideProp><slideProp delay="1"><\/slideProp><slideProp delay="3"><\/slideProp><\/config>$/);
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.fix, -1);
  const on = await playback.waitFor('auto');
  const gotos = await nextGotos(playback, on.index, 4);
  assert.deepEqual(gotos.map((e) => e.k), [2, 3, 1, 2]);
  assertInterval(t, on, gotos[0], 2, 'slide 1');
  assertInterval(t, gotos[0], gotos[1], 1, 'slide 2');
  assertInterval(t, gotos[1], gotos[2], 3, 'slide 3');
  assertInterval(t, gotos[2], gotos[3], 2, 'slide 1 again');
  assert.deepEqual(playback.events('auto', on.index + 1), [], 'a looping show stopped');
  await playback.close();
});

test('a looping show without fade gives the last slide its full interval too', async (t) => {
  const { swf } = convertFolder('loop', {
    slides: 3, options: ['--fixed-delay', '--delay', '1', '--autostart', '--loop', '--no-fade'],
  });
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.loop, 'true');
  const on = await playback.waitFor('auto');
  const gotos = await nextGotos(playback, on.index, 4);
  assert.deepEqual(gotos.map((e) => e.k), [2, 3, 1, 2]);
  gotos.forEach((e, i) => assertInterval(t, i ? gotos[i - 1] : on, e, 1, `switch to ${e.k}`));
  await playback.close();
});

test('without autostart nothing moves until P, which starts from the current slide', async (t) => {
  const { swf } = convertFolder('manual', { slides: 3, options: ['--fixed-delay', '--delay', '1', '--no-fade'] });
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.auto, 0);
  await playback.focus();
  let since = playback.mark();
  await playback.press('ArrowRight');
  const second = await playback.waitFor('goto', { since });
  assert.equal(second.k, 2);
  assert.deepEqual(playback.events('auto'), [], 'automatic playback ran without autostart');
  since = playback.mark();
  await playback.press('KeyP');
  const on = await playback.waitFor('auto', { since });
  assert.equal(on.args[0], 'on');
  const [third] = await nextGotos(playback, on.index, 1);
  assert.equal(third.k, 3);
  assertInterval(t, on, third, 1, 'slide 2 after P');
  const off = await playback.waitFor('auto', { since: on.index + 1 });
  assert.equal(off.args[0], 'off');
  await playback.close();
});
