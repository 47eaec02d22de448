'use strict';
// Navigation in converted movies: the key table, the panel's buttons, the
// status text and the dimming of PREV and NEXT at the ends of the show.
const test = require('node:test');
const assert = require('node:assert/strict');
const { Stage } = require('./lib/player');
const { convertFolder } = require('./lib/movies');
const { artifact } = require('./lib/env');
const { expectGoto, expectNoGoto, statusAfter } = require('./lib/steps');
const { panelPart, panelBox, maxLuma, regionDifference } = require('./lib/panel');
const { slideColour, colourDistance } = require('./lib/slides');

let stage;
test.before(async () => { stage = await Stage.launch(); });
test.after(async () => { await stage?.close(); });

// A dimmed label is drawn in grey, an active one in near white.
const DIM_MARGIN = 40;
// The player notes an interval's start a moment before it traces it; on a
// busy machine that moment can be tens of milliseconds.
const EARLY_MS = 150;

test('every key of the key table moves to the slide it names', async () => {
  // A long fixed interval: automatic playback never advances by itself here.
  const { swf } = convertFolder('keys', { slides: 4, options: ['--no-fade', '--fixed-delay', '--delay', '60'] });
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.n, 4);
  await playback.focus();
  const key = (name) => () => playback.press(name);

  await expectGoto(playback, key('Space'), 2, 'Space');
  await expectGoto(playback, key('Enter'), 3, 'Enter');
  await expectGoto(playback, key('NumpadEnter'), 4, 'keypad Enter');
  await expectNoGoto(playback, key('ArrowRight'), key('Backspace'), 3, 'Right does nothing on the last slide');
  await expectGoto(playback, key('ArrowLeft'), 2, 'Left');
  await expectGoto(playback, key('ArrowRight'), 3, 'Right');
  await expectGoto(playback, key('Home'), 1, 'Home');
  await expectNoGoto(playback, key('ArrowLeft'), key('End'), 4, 'Left does nothing on the first slide; End');
  await expectGoto(playback, key('PageUp'), 1, 'Page Up');
  await expectGoto(playback, key('PageDown'), 4, 'Page Down');
  await expectGoto(playback, key('ArrowUp'), 1, 'Up');
  await expectGoto(playback, key('ArrowDown'), 4, 'Down');

  // P toggles automatic playback; while it runs, the navigation keys are ignored.
  let since = playback.mark();
  await playback.press('KeyP');
  assert.equal((await playback.waitFor('auto', { since })).args[0], 'on');
  since = playback.mark();
  for (const name of ['ArrowLeft', 'Backspace', 'Home', 'PageUp', 'ArrowUp']) await playback.press(name);
  await playback.press('KeyP');
  assert.equal((await playback.waitFor('auto', { since })).args[0], 'off');
  assert.deepEqual(playback.events('goto', since), [], 'keys moved slides during automatic playback');
  await expectGoto(playback, key('Backspace'), 3, 'Backspace after the playback stopped');
  await playback.close();
});

test('the status text follows the slide and PREV and NEXT dim at the ends', async () => {
  // One colour on every slide, so the semi-transparent panel can be compared slide to slide.
  const { swf } = convertFolder('ends', {
    slides: 3, uniform: true, options: ['--show-nav', '--no-fade', '--fixed-delay', '--delay', '60'],
  });
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.nav, 'true');
  assert.equal(playback.events('status').pop().args.join(' '), '1 / 3');
  await playback.focus();
  const prev = panelPart('prev', 640, 480);
  const next = panelPart('next', 640, 480);
  const status = panelPart('status', 640, 480);

  const shots = { 1: await playback.screenshot(artifact('panel-first-slide.png')) };
  for (const k of [2, 3]) {
    const since = playback.mark();
    await expectGoto(playback, () => playback.press('ArrowRight'), k);
    assert.equal(await statusAfter(playback, since), `${k} / 3`);
    await playback.settle();
    shots[k] = await playback.screenshot(artifact(`panel-slide-${k}.png`));
  }
  assert.ok(maxLuma(shots[1], prev) < maxLuma(shots[2], prev) - DIM_MARGIN, 'PREV is not dimmed on the first slide');
  assert.ok(maxLuma(shots[3], next) < maxLuma(shots[2], next) - DIM_MARGIN, 'NEXT is not dimmed on the last slide');
  assert.ok(regionDifference(shots[2], shots[3], prev) <= 16, 'PREV changed between two middle slides');
  assert.ok(regionDifference(shots[1], shots[2], next) <= 16, 'NEXT changed between two middle slides');
  assert.ok(regionDifference(shots[1], shots[2], status) > 60, 'the status text on screen did not change');

  // Automatic playback dims both; pausing it brings back what the slide allows.
  let since = playback.mark();
  await expectGoto(playback, () => playback.press('ArrowLeft'), 2);
  await playback.press('KeyP');
  await playback.waitFor('auto', { since });
  await playback.settle();
  const playing = await playback.screenshot(artifact('panel-autoplay.png'));
  assert.ok(maxLuma(playing, prev) < maxLuma(shots[2], prev) - DIM_MARGIN, 'PREV active during automatic playback');
  assert.ok(maxLuma(playing, next) < maxLuma(shots[2], next) - DIM_MARGIN, 'NEXT active during automatic playback');
  const auto = panelPart('auto', 640, 480);
  assert.ok(regionDifference(playing, shots[2], auto) > 60, 'AUTOPLAY did not turn into PAUSE');
  since = playback.mark();
  await playback.press('KeyP');
  assert.equal((await playback.waitFor('auto', { since })).args[0], 'off');
  assert.equal(await statusAfter(playback, since), '2 / 3');
  await playback.settle();
  const paused = await playback.screenshot();
  assert.ok(regionDifference(paused, shots[2], prev) <= 16, 'PREV not active again after the pause');
  assert.ok(regionDifference(paused, shots[2], next) <= 16, 'NEXT not active again after the pause');
  assert.ok(regionDifference(paused, shots[2], auto) <= 16, 'PAUSE did not turn back into AUTOPLAY');
  await playback.close();
});

test('the panel buttons navigate and switch automatic playback', async () => {
  const { swf } = convertFolder('buttons', {
    slides: 3, options: ['--show-nav', '--no-fade', '--fixed-delay', '--delay', '60'],
  });
  const playback = await stage.play(swf);
  await playback.ready();
  const part = (name) => panelPart(name, 640, 480);
  const click = (name) => () => playback.click(part(name).cx, part(name).cy);

  await expectNoGoto(playback, click('prev'), click('next'), 2, 'dimmed PREV on slide 1 does nothing; NEXT');
  await expectGoto(playback, click('next'), 3, 'NEXT');
  await expectGoto(playback, click('prev'), 2, 'PREV');
  // A click on the slide itself does nothing while the panel is shown.
  await expectNoGoto(playback, () => playback.click(500, 100), click('next'), 3, 'a click on the slide navigated');

  let since = playback.mark();
  await click('auto')();
  assert.equal((await playback.waitFor('auto', { since })).args[0], 'on');
  since = playback.mark();
  await click('auto')();  // the same place now holds PAUSE
  assert.equal((await playback.waitFor('auto', { since })).args[0], 'off');
  assert.deepEqual(playback.events('goto', since), []);
  await playback.close();
});

test('a one-slide movie has nowhere to go and stops its playback after one interval', async () => {
  const { swf } = convertFolder('single', {
    slides: 1, options: ['--show-nav', '--fixed-delay', '--delay', '1'],
  });
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.n, 1);
  assert.equal(playback.events('status').pop().args.join(' '), '1 / 1');
  await playback.focus();
  const shot = await playback.screenshot(artifact('single-slide.png'));

  // Compare with the active buttons of a second movie whose first slide has the same colour.
  const { swf: three } = convertFolder('single-reference', {
    slides: 3, options: ['--show-nav', '--no-fade', '--fixed-delay', '--delay', '60'],
  });
  const reference = await stage.play(three);
  await reference.ready();
  const referenceShot = await reference.screenshot();
  await reference.close();
  const prev = panelPart('prev', 640, 480);
  const next = panelPart('next', 640, 480);
  assert.ok(maxLuma(shot, next) < maxLuma(referenceShot, next) - DIM_MARGIN, 'NEXT is not dimmed');
  assert.ok(Math.abs(maxLuma(shot, prev) - maxLuma(referenceShot, prev)) <= 16, 'PREV differs from a dimmed PREV');

  const since = playback.mark();
  for (const name of ['ArrowRight', 'Space', 'End', 'ArrowLeft', 'Home']) await playback.press(name);
  await playback.press('KeyP');
  const on = await playback.waitFor((e) => e.kind === 'auto' && e.args[0] === 'on', { since });
  const off = await playback.waitFor((e) => e.kind === 'auto' && e.args[0] === 'off', { since });
  assert.ok(off.t - on.t >= 1000 - EARLY_MS, `playback ended after ${off.t - on.t} ms, before its interval`);
  assert.deepEqual(playback.events('goto', since), []);
  await playback.close();
});

test('the panel drags by its handle and stays within the frame', async () => {
  const { swf } = convertFolder('drag', { slides: 2, options: ['--show-nav', '--no-fade'] });
  const playback = await stage.play(swf);
  await playback.ready();
  const { mouse } = playback.page;
  const colour = slideColour(1);
  const onSlide = (shot, x, y) => colourDistance(shot.pixel(x, y), colour) <= 28;
  // A point of the panel's background, left of PREV, half-way down.
  const inside = (box) => [box.x + 5, box.y + 30];
  const home = panelBox(640, 480);
  const drag = async (fromBox, toX, toY) => {
    await mouse.move(fromBox.x + fromBox.w / 2, fromBox.y + 6);
    await mouse.down();
    await mouse.move(toX, toY, { steps: 8 });
    await mouse.up();
    await mouse.move(320, 240);
    await playback.settle();
  };
  const since = playback.mark();

  // Far past the top left corner: the panel stops at (0, 0).
  await drag(home, 0, 0);
  const topLeft = { x: 0, y: 0, w: home.w, h: home.h };
  let shot = await playback.screenshot(artifact('panel-dragged-top-left.png'));
  assert.ok(!onSlide(shot, ...inside(topLeft)), 'the panel is not at the top left');
  assert.ok(onSlide(shot, ...inside(home)), 'the panel is still in its place');

  // Far past the bottom right: it stops 4 pixels beyond the right edge and on the bottom.
  await drag(topLeft, 639, 479);
  const bottomRight = { x: 640 - home.w + 4, y: 480 - home.h, w: home.w, h: home.h };
  shot = await playback.screenshot(artifact('panel-dragged-bottom-right.png'));
  assert.ok(!onSlide(shot, ...inside(bottomRight)), 'the panel is not at the bottom right');
  assert.ok(onSlide(shot, bottomRight.x - 6, bottomRight.y + 30), 'the panel went further left than allowed');
  assert.ok(onSlide(shot, bottomRight.x + 170, bottomRight.y - 6), 'the panel went further up than allowed');
  assert.ok(onSlide(shot, ...inside(topLeft)), 'the panel is still at the top left');
  assert.deepEqual(playback.events('goto', since), [], 'dragging the panel changed slides');
  await playback.close();
});
