'use strict';
// What the screen shows: the loader while a movie arrives, the fade between
// two slides, the hidden panel with its click thirds, the frame sizes, and
// the stage alignment and scaling in a player larger than the movie.
const test = require('node:test');
const assert = require('node:assert/strict');
const { Stage } = require('./lib/player');
const { convertFolder } = require('./lib/movies');
const { artifact } = require('./lib/env');
const { slideColour, slideOfColour, colourDistance } = require('./lib/slides');
const { expectGoto, expectNoGoto } = require('./lib/steps');
const { panelBox, regionPixels } = require('./lib/panel');

let stage;
test.before(async () => { stage = await Stage.launch(); });
test.after(async () => { await stage?.close(); });

// A point of the slide away from the number in the middle and from the panel.
const sample = (width, height) => [Math.round(width * 0.1), Math.round(height * 0.15)];

// The points of a screenshot that are not black.
function drawnPoints(shot, width, height) {
  const drawn = [];
  for (let y = 0; y < height; y += 2) {
    for (let x = 0; x < width; x += 2) if (Math.max(...shot.pixel(x, y)) > 60) drawn.push([x, y]);
  }
  return drawn;
}

test('the loader is drawn centred in the frame, and its percentages only rise', async () => {
  const { swf } = convertFolder('loader', { slides: 6 });
  // The emulator reads the whole file before it plays; at one frame every
  // four seconds the loader's frames stay on screen long enough to be
  // photographed, even on a busy machine.
  const playback = await stage.play(swf, { frameRate: 0.25 });
  await playback.waitFor('loader', { timeout: 90000 });
  // Screenshots until the first slide shows: the first one with something
  // drawn is the loader.
  let loaderShot = null;
  let slideShown = false;
  while (!loaderShot && !slideShown && playback.events('ready').length === 0) {
    const shot = await playback.screenshot();
    const drawn = drawnPoints(shot, 640, 480);
    slideShown = drawn.some(([x, y]) => slideOfColour(shot.pixel(x, y), 6));
    if (drawn.length > 50 && !slideShown) loaderShot = shot;
  }
  const ready = await playback.ready();
  const percents = playback.events('loader').map((e) => e.k);
  assert.deepEqual([...percents].sort((a, b) => a - b), percents, `loader went backwards: ${percents}`);
  assert.ok(percents.every((v) => v >= 0 && v <= 100), `loader wrote ${percents}`);
  assert.ok(playback.events('loader').at(-1).index < ready.index);

  // A picture whose left and right edges lie symmetrically about the middle of the frame.
  assert.ok(loaderShot, 'the loader never showed on screen');
  loaderShot.save(artifact('loader.png'));
  const drawn = drawnPoints(loaderShot, 640, 480);
  const xs = drawn.map(([x]) => x);
  const ys = drawn.map(([, y]) => y);
  assert.ok(Math.abs((Math.min(...xs) + Math.max(...xs)) / 2 - 320) <= 4, `loader spans x ${Math.min(...xs)}..${Math.max(...xs)}`);
  assert.ok(Math.min(...ys) > 160 && Math.max(...ys) < 320, `loader spans y ${Math.min(...ys)}..${Math.max(...ys)}`);
  await playback.close();
});

test('the fade shows the old slide over the new one, and navigation waits for it', async () => {
  const { swf } = convertFolder('fade', { slides: 3 });
  // Two frames a second stretch the five fade steps over more than two seconds.
  const playback = await stage.play(swf, { frameRate: 2 });
  const ready = await playback.ready();
  assert.equal(ready.fields.fade, 'true');
  await playback.focus();
  const [x, y] = sample(640, 480);
  const [from, to] = [slideColour(1), slideColour(2)];
  const since = playback.mark();
  await expectGoto(playback, () => playback.press('ArrowRight'), 2);
  // The fade runs over several frames; under load one screenshot can land
  // before the first step is drawn, so look a few times.
  let mixed = null;
  for (let attempt = 0; attempt < 8; attempt++) {
    await playback.settle(1);
    const pixel = (await playback.screenshot(artifact('fade.png'))).pixel(x, y);
    mixed = pixel;
    if (colourDistance(pixel, from) > 30 && colourDistance(pixel, to) > 30) break;
  }
  // Between the two colours on every channel, and far from both.
  for (let c = 0; c < 3; c++) {
    assert.ok(mixed[c] >= Math.min(from[c], to[c]) - 20 && mixed[c] <= Math.max(from[c], to[c]) + 20,
      `channel ${c} of ${mixed} is not between ${from} and ${to}`);
  }
  assert.ok(colourDistance(mixed, from) > 30 && colourDistance(mixed, to) > 30, `${mixed} is not a mix of ${from} and ${to}`);

  // A request during the fade is refused, and one after it is taken.
  await playback.press('ArrowRight');
  const refused = await playback.waitFor('refused', { since });
  assert.equal(refused.k, 3);
  const end = await playback.waitFor('fadeend', { since });
  assert.equal(end.k, 2);
  assert.ok(refused.index < end.index);
  await playback.settle();
  assert.equal(slideOfColour((await playback.screenshot()).pixel(x, y), 3), 2, 'slide 2 not shown after the fade');
  await expectGoto(playback, () => playback.press('ArrowRight'), 3);
  await playback.close();
});

test('with the panel hidden, a click on the left third goes back and anywhere else forward', async () => {
  const { swf } = convertFolder('thirds', { slides: 3, options: ['--hide-nav', '--no-fade'] });
  const playback = await stage.play(swf);
  const ready = await playback.ready();
  assert.equal(ready.fields.nav, 'false');
  const shot = await playback.screenshot(artifact('hidden-panel.png'));
  const panel = panelBox(640, 480);
  assert.ok(regionPixels(shot, panel).every((p) => colourDistance(p, slideColour(1)) <= 28), 'the hidden panel is visible');

  const third = 640 / 3;
  const click = (px, py) => () => playback.click(px, py);
  await expectNoGoto(playback, click(third - 3, 240), click(third + 3, 240), 2, 'left of the third line on slide 1; right of it');
  await expectGoto(playback, click(630, 470), 3, 'the bottom right corner, where the panel would be');
  await expectNoGoto(playback, click(600, 20), click(5, 5), 2, 'forward on the last slide; back from the top left');
  await expectGoto(playback, click(third - 3, 470), 1, 'the left third near the bottom');
  await playback.close();
});

for (const [width, height] of [[640, 480], [320, 240], [1024, 768]]) {
  test(`a ${width} x ${height} movie fills its frame`, async () => {
    const { swf } = convertFolder(`size-${width}`, { slides: 2, width, height, options: ['--no-fade'] });
    const playback = await stage.play(swf, { width, height });
    const ready = await playback.ready();
    assert.deepEqual([ready.fields.w, ready.fields.h], [width, height]);
    await playback.focus();
    const corners = [[2, 2], [width - 3, 2], [2, height - 3], [width - 3, height - 3], sample(width, height)];
    const onScreen = async (k, name) => {
      await playback.settle();
      const shot = await playback.screenshot(artifact(name));
      for (const [x, y] of corners) assert.equal(slideOfColour(shot.pixel(x, y), 2), k, `slide ${k} at ${x},${y}`);
    };
    await onScreen(1, `size-${width}x${height}.png`);
    await expectGoto(playback, () => playback.press('ArrowRight'), 2);
    await onScreen(2, `size-${width}x${height}-slide2.png`);
    await playback.close();
  });
}

test('in a larger player the movie is centred, aligned top left, or scaled to fit', async () => {
  const page = { pageWidth: 960, pageHeight: 720 };
  const colour = slideColour(1);
  const isSlide = (p) => colourDistance(p, colour) <= 28;
  const cases = [
    // [name, options, points on the slide, points off it]
    ['centred', [], [[170, 130], [790, 590]], [[100, 60], [860, 660], [10, 10]]],
    ['top-left', ['--align'], [[10, 10], [630, 470]], [[700, 550], [900, 700], [660, 240]]],
    ['scaled', ['--scale'], [[10, 10], [950, 710], [950, 10], [10, 710]], []],
  ];
  for (const [name, options, inside, outside] of cases) {
    const { swf, structure } = convertFolder(`stage-${name}`, { slides: 1, options });
    assert.equal(structure.config.includes('align="TL"'), options.includes('--align'));
    assert.equal(structure.config.includes('scaleMode="showAll"'), options.includes('--scale'));
    const playback = await stage.play(swf, page);
    await playback.ready();
    const shot = await playback.screenshot(artifact(`stage-${name}.png`));
    for (const [x, y] of inside) assert.ok(isSlide(shot.pixel(x, y)), `${name}: no slide at ${x},${y}`);
    for (const [x, y] of outside) assert.ok(!isSlide(shot.pixel(x, y)), `${name}: slide at ${x},${y}`);
    await playback.close();
  }
});

test('the movie adds its entries to the context menu unless printing is withheld', async () => {
  // The movie's own entries: playing, rewinding, stepping and the quality.
  const movieEntry = /^(Play|Rewind|Forward|Back|Quality)\b/;
  for (const [name, options, shown] of [['menu-shown', [], true], ['menu-withheld', ['--no-print'], false]]) {
    const { swf, structure } = convertFolder(name, { slides: 2, options });
    assert.equal(structure.config.includes('showMenu="false"'), !shown);
    const playback = await stage.play(swf);
    await playback.ready();
    const entries = await playback.contextMenu(200, 200);
    assert.ok(entries && entries.length > 0, 'no context menu opened');
    assert.equal(entries.some((entry) => movieEntry.test(entry)), shown, `${name}: ${entries.join(', ')}`);
    await playback.close();
  }
});
