'use strict';
// The HTML5 twin in Chromium, opened from a file as people get it: every
// request that is not the file itself or a data: URI is blocked and counted.
// Slides and colours, keys, clicks, swipes, the panel and its drag, automatic
// playback on the page's own clock, the fade, split links, the address, a
// 300-slide twin, and the page's link to it.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { pathToFileURL } = require('node:url');
const { env, artifact, freshDir } = require('./lib/env');
const { convertFolder, writeMovie } = require('./lib/movies');
const { decodePng } = require('./lib/png');
const { slideColour, colourDistance, writeSlideFolder } = require('./lib/slides');
const { twinBrowser, twinOf, waitReady } = require('./lib/twin');

const openTwin = twinBrowser();

const current = (page) => page.evaluate(() => window.orvantaTwin.player.state.current);
const log = (page) => page.evaluate(() => window.orvantaTwin.log);
const settle = (page) => page.waitForFunction(() => document.getAnimations().length === 0);

/** The pixel at (x, y) of the page. */
async function pixel(page, x, y) {
  const shot = decodePng(await page.screenshot());
  return shot.pixel(x, y);
}

async function expectSlide(page, k, label) {
  await settle(page);
  assert.equal(await current(page), k, label);
  const seen = await pixel(page, 60, 60);
  assert.ok(colourDistance(seen, slideColour(k)) <= 28, `${label}: slide ${k} expected, the screen shows ${seen}`);
}

test('from a file: nothing fetched, the movie\'s slides in order, keys, thirds, swipes and the address', async () => {
  const { swf } = convertFolder('twin-keys', { slides: 5, options: ['--no-fade'] });
  const file = twinOf(swf);
  const twin = await openTwin(file, { hasTouch: true });
  const { page } = twin;
  try {
    assert.equal(await page.title(), 'twin-keys');
    assert.deepEqual(await page.$$eval('img.slide', (imgs) => imgs.map((i) => i.alt)),
      [1, 2, 3, 4, 5].map((k) => `Slide ${k} of 5`));
    assert.equal(await page.isVisible('#loader'), false);
    assert.equal(await page.isVisible('#panel'), false, 'the movie hides its panel by default');
    await expectSlide(page, 1, 'start');

    // Keys work without a first click; the keypad's Enter too.
    const keys = [['End', 5], ['Home', 1], ['ArrowRight', 2], ['Space', 3], ['Enter', 4], ['Backspace', 3],
      ['PageDown', 5], ['ArrowUp', 1], ['ArrowDown', 5], ['ArrowLeft', 4], ['PageUp', 1], ['NumpadEnter', 2]];
    for (const [key, k] of keys) {
      await page.keyboard.press(key);
      await expectSlide(page, k, key);
    }
    assert.equal(await page.evaluate(() => location.hash), '#2', 'the address follows the slide');

    // Only P works during automatic playback (the interval is 3 s).
    await page.keyboard.press('p');
    assert.equal(await page.evaluate(() => window.orvantaTwin.player.state.auto), true);
    for (const key of ['ArrowRight', 'End', 'Home']) await page.keyboard.press(key);
    assert.equal(await current(page), 2);
    await page.keyboard.press('P');
    assert.equal(await page.evaluate(() => window.orvantaTwin.player.state.auto), false);

    // With the panel hidden a click on the left third goes back, elsewhere forward.
    await page.mouse.click(200, 240);
    await expectSlide(page, 1, 'click on the left third');
    await page.mouse.click(220, 240);
    await expectSlide(page, 2, 'click just right of the left third');
    await page.mouse.click(630, 10);
    await expectSlide(page, 3, 'click at the far right');

    // Swipes move one slide.
    const cdp = await page.context().newCDPSession(page);
    const swipe = async (from, to) => {
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchStart', touchPoints: [{ x: from, y: 200 }] });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x: (from + to) / 2, y: 205 }] });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchMove', touchPoints: [{ x: to, y: 210 }] });
      await cdp.send('Input.dispatchTouchEvent', { type: 'touchEnd', touchPoints: [] });
    };
    await swipe(500, 200);
    await expectSlide(page, 4, 'swipe left');
    await swipe(200, 500);
    await expectSlide(page, 3, 'swipe right');

    // F toggles full screen.
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement !== null);
    await page.keyboard.press('f');
    await page.waitForFunction(() => document.fullscreenElement === null);

    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }

  // #4 in the address opens slide 4.
  const again = await openTwin(file, { hash: '#4' });
  try {
    await expectSlide(again.page, 4, '#4 in the address');
    await again.page.evaluate(() => { location.hash = '#2'; });
    await again.page.waitForFunction(() => window.orvantaTwin.player.state.current === 2);
    assert.deepEqual(again.blocked, []);
    assert.deepEqual(again.errors, []);
  } finally {
    await again.close();
  }
});

test('the panel: its buttons, status and steps, a fade seen halfway, the drag and visible focus', async () => {
  const { swf } = convertFolder('twin-panel', { slides: 3, options: ['--show-nav', '--fixed-delay', '--delay', '60'] });
  const twin = await openTwin(twinOf(swf));
  const { page } = twin;
  try {
    assert.equal(await page.isVisible('#panel'), true);
    const box = await page.locator('#panel').boundingBox();
    assert.deepEqual([box.x, box.y, box.width, box.height], [640 - 340 - 18, 480 - 52 - 18, 340, 52]);
    await expectSlide(page, 1, 'start');
    assert.equal(await page.textContent('#status'), '1 / 3');
    assert.equal(await page.isDisabled('#prev'), true);
    assert.equal(await page.isDisabled('#next'), false);
    await page.screenshot({ path: artifact('twin-slide-with-panel.png') });

    // The buttons take the focus from the keyboard, visibly (PREV is dimmed on slide 1).
    await page.keyboard.press('Tab');
    const focused = await page.evaluate(() => {
      const el = document.activeElement;
      return { tag: el.tagName, label: el.getAttribute('aria-label'), outline: getComputedStyle(el).outlineStyle };
    });
    assert.deepEqual(focused, { tag: 'BUTTON', label: 'Next slide', outline: 'solid' });
    await page.screenshot({ path: artifact('twin-focus-on-next.png') });

    // The fade is held halfway: the old slide lies on the new one at about half.
    await page.evaluate(() => {
      const animate = Element.prototype.animate;
      Element.prototype.animate = function (frames, options) {
        Element.prototype.animate = animate;  // only this one is held
        const animation = animate.call(this, frames, options);
        animation.pause();
        animation.currentTime = options.duration / 2;
        window.heldFade = { animation, duration: options.duration, from: frames[0].opacity };
        return animation;
      };
    });
    await page.click('#next');
    await page.waitForFunction(() => window.heldFade);
    const held = await page.evaluate(() => ({ duration: window.heldFade.duration, from: window.heldFade.from }));
    assert.ok(Math.abs(held.duration - 5000 / 15) < 1, `fade of ${held.duration} ms`);
    const middle = await pixel(page, 60, 60);
    const mix = slideColour(1).map((c, i) => c * held.from / 2 + slideColour(2)[i] * (1 - held.from / 2));
    assert.ok(colourDistance(middle, mix) <= 30, `mid-fade pixel ${middle}, expected about ${mix}`);
    assert.ok(colourDistance(middle, slideColour(1)) > 40 && colourDistance(middle, slideColour(2)) > 40);
    await page.screenshot({ path: artifact('twin-fade-halfway.png') });
    await page.evaluate(() => { window.heldFade.animation.play(); });
    await expectSlide(page, 2, 'after the fade');
    assert.equal(await page.textContent('#status'), '2 / 3');

    await page.click('#next');
    await expectSlide(page, 3, 'NEXT');
    assert.equal(await page.isDisabled('#next'), true);
    await page.click('#prev');
    await expectSlide(page, 2, 'PREV');

    // AUTOPLAY shows PAUSE, dims PREV and NEXT and lights the first step.
    await page.click('#auto');
    assert.equal(await page.textContent('#auto'), 'PAUSE');
    assert.equal(await page.getAttribute('#auto', 'aria-pressed'), 'true');
    assert.equal(await page.isDisabled('#prev'), true);
    assert.equal(await page.isDisabled('#next'), true);
    assert.equal(await page.locator('#steps i.on').count(), 1);
    await page.click('#auto');
    assert.equal(await page.textContent('#auto'), 'AUTOPLAY');
    assert.equal(await page.isDisabled('#prev'), false);

    // The drag handle moves the panel, within (0, 0) .. (W - panel + 4, H - panel).
    const drag = async (dx, dy) => {
      const grip = await page.locator('#grip').boundingBox();
      await page.mouse.move(grip.x + 40, grip.y + 7);
      await page.mouse.down();
      await page.mouse.move(grip.x + 40 + dx / 2, grip.y + 7 + dy / 2);
      await page.mouse.move(grip.x + 40 + dx, grip.y + 7 + dy);
      await page.mouse.up();
      const moved = await page.locator('#panel').boundingBox();
      return [moved.x, moved.y];
    };
    assert.deepEqual(await drag(-100, -200), [182, 210]);
    assert.deepEqual(await drag(-1000, -1000), [0, 0]);
    assert.deepEqual(await drag(2000, 2000), [640 - 340 + 4, 480 - 52]);
    assert.equal(await current(page), 2, 'dragging is not a click on the slide');

    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('the frame: letterboxed when the movie scales, top left when aligned, shrunk in a small window, no menu without printing', async () => {
  const cases = [
    { name: 'twin-scale', options: ['--scale'], box: [1000 / 2 - 320 * 500 / 480, 0, 640 * 500 / 480, 500] },
    { name: 'twin-align', options: ['--scale', '--align'], box: [0, 0, 640 * 500 / 480, 500] },
    { name: 'twin-noscale', options: ['--align', '--no-print'], box: [0, 0, 640, 480] },
    // A window smaller than the frame, as on a phone, shrinks it even without scaling.
    { name: 'twin-phone', options: [], box: [0, 60, 390, 292.5], viewport: { width: 390, height: 412 } },
  ];
  for (const { name, options, box, viewport = { width: 1000, height: 500 } } of cases) {
    const { swf } = convertFolder(name, { slides: 1, options });
    const twin = await openTwin(twinOf(swf), { viewport });
    try {
      const seen = await twin.page.locator('#frame').boundingBox();
      [seen.x, seen.y, seen.width, seen.height].forEach((v, i) => assert.ok(Math.abs(v - box[i]) <= 1, `${name}: ${JSON.stringify(seen)}`));
      const menuAllowed = await twin.page.evaluate(() => document.dispatchEvent(new MouseEvent('contextmenu', { cancelable: true, bubbles: true })));
      assert.equal(menuAllowed, !options.includes('--no-print'), `${name}: the context menu`);
      assert.deepEqual(twin.errors, []);
    } finally {
      await twin.close();
    }
  }
});

/** The times of the events of one kind, relative to the first automatic start. */
function timeline(entries) {
  const start = entries.find((e) => e.type === 'auto' && e.on).t;
  return entries.filter((e) => e.type === 'goto' || e.type === 'auto')
    .map((e) => ({ type: e.type, slide: e.slide, on: e.on, at: Math.round(e.t - start) }));
}

test('automatic playback: a fixed second, stop at the end, and P pauses', async () => {
  const { swf } = convertFolder('twin-fixed', { slides: 4, options: ['--autostart', '--fixed-delay', '--delay', '1'] });
  const twin = await openTwin(twinOf(swf));
  const { page } = twin;
  try {
    await page.waitForFunction(() => window.orvantaTwin.log.some((e) => e.type === 'auto' && !e.on),
      null, { timeout: 30000 });
    const events = timeline(await log(page));
    const gotos = events.filter((e) => e.type === 'goto');
    assert.deepEqual(gotos.map((e) => e.slide), [2, 3, 4]);
    assert.equal(events[events.length - 1].type, 'auto', 'the show ended after the last slide');
    const intervals = gotos.map((e, i) => e.at - (i ? gotos[i - 1].at : 0));
    console.log(`fixed 1 s intervals measured on the page's clock: ${intervals.join(', ')} ms`);
    for (const interval of intervals) assert.ok(interval >= 1000 && interval < 5000, `interval ${interval}`);
    await expectSlide(page, 4, 'the show ends on the last slide');
    assert.equal(await page.evaluate(() => window.orvantaTwin.player.state.auto), false);

    // From slide 1: P starts the show, P again pauses it and nothing moves any more.
    await page.keyboard.press('Home');
    await page.keyboard.press('p');
    await page.waitForFunction(() => window.orvantaTwin.player.state.current === 2, null, { timeout: 10000 });
    await page.keyboard.press('p');
    const paused = (await log(page)).length;
    await page.waitForTimeout(1600);
    const after = (await log(page)).slice(paused).filter((e) => e.type === 'goto');
    assert.deepEqual(after, [], 'P paused the show');
    assert.equal(await current(page), 2);
    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('automatic playback: per-slide 2, 1 and 3 s, and the loop back to slide 1', async () => {
  const { swf } = writeMovie('twin-delays', { slides: 3, delays: [2, 1, 3], flags: ['--autostart', '--loop', '--html5'] });
  const twin = await openTwin(twinOf(swf));
  const { page } = twin;
  try {
    await page.waitForFunction(() => window.orvantaTwin.log.filter((e) => e.type === 'goto').length >= 4,
      null, { timeout: 30000 });
    const gotos = timeline(await log(page)).filter((e) => e.type === 'goto').slice(0, 4);
    assert.deepEqual(gotos.map((e) => e.slide), [2, 3, 1, 2], 'the loop wraps to slide 1');
    const intervals = gotos.map((e, i) => e.at - (i ? gotos[i - 1].at : 0));
    console.log(`per-slide 2, 1, 3 s (then 2 s) intervals measured on the page's clock: ${intervals.join(', ')} ms`);
    [2000, 1000, 3000, 2000].forEach((want, i) => {
      assert.ok(intervals[i] >= want && intervals[i] < want + 3000, `interval ${i + 1}: ${intervals[i]} ms`);
    });
    assert.ok(intervals[2] > intervals[0] && intervals[0] > intervals[1], 'the intervals follow the slides');
    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

/** Converts a folder of `slides` pictures named "deck" with orvanta-cli; returns the output folder. */
function convertDeck(name, slides, options) {
  const dir = freshDir(name);
  const folder = path.join(dir, 'deck');
  writeSlideFolder(folder, slides);
  const out = path.join(dir, 'out');
  fs.mkdirSync(out);
  const result = spawnSync(env.cli, ['convert', '--store', path.join(dir, 'settings.json'), '--output-dir', out,
    '--no-web-player', ...options, folder], { encoding: 'utf8', env: { ...process.env, XDG_CONFIG_HOME: dir } });
  assert.equal(result.status, 0, result.stderr);
  return out;
}

test('split mode: each twin links its neighbours, and the links work from a file', async () => {
  const out = convertDeck('twin-split', 3, ['--split', '--no-titles']);
  const names = [1, 2, 3].map((k) => path.join(out, `deck_${k}-html5.html`));
  names.forEach((name) => assert.ok(fs.existsSync(name), name));

  const twin = await openTwin(names[1], { allow: names });
  const { page } = twin;
  try {
    assert.deepEqual(await page.$$eval('.neighbours a', (links) => links.map((a) => [a.rel, a.getAttribute('href')])),
      [['prev', 'deck_1-html5.html'], ['next', 'deck_3-html5.html']]);
    assert.equal(await current(page), 1);
    assert.equal(await page.evaluate(() => window.orvantaTwin.count), 1);
    const seen = await pixel(page, 60, 60);
    assert.ok(colourDistance(seen, slideColour(2)) <= 28, `the second slide's colour, not ${seen}`);
    await page.click('a[rel=next]');
    await waitReady(page);
    assert.ok(page.url().endsWith('deck_3-html5.html#1'), page.url());
    assert.deepEqual(await page.$$eval('.neighbours a', (links) => links.map((a) => a.rel)), ['prev']);
    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('screenshots: the loader while the first picture decodes, and the help slide', async () => {
  const file = path.join(convertDeck('twin-help', 3, ['--help-slide']), 'deck-html5.html');
  // Holds the first picture undecoded, so that the bar stays: every byte is there.
  const loading = await openTwin(file, {
    beforeLoad: (page) => page.addInitScript(() => {
      HTMLImageElement.prototype.decode = () => new Promise(() => {});
    }),
  });
  try {
    await loading.page.waitForFunction(() => /^100 % \u00b7 0\.\d of 0\.\d MB$/.test(document.getElementById('loader-text').textContent));
    assert.equal(await loading.page.isVisible('#loader'), true);
    assert.equal(await loading.page.evaluate(() => document.body.firstElementChild.id), 'loader', 'the first thing in the page');
    await loading.page.screenshot({ path: artifact('twin-loader.png') });
  } finally {
    await loading.close();
  }

  const twin = await openTwin(file);
  try {
    assert.equal(await twin.page.$eval('img.slide', (img) => img.alt), 'Slide 1 of 4');
    await twin.page.screenshot({ path: artifact('twin-help-slide.png') });
    await twin.page.keyboard.press('ArrowRight');
    await twin.page.waitForFunction(() => window.orvantaTwin.player.state.current === 2);
    await settle(twin.page);
    const seen = await pixel(twin.page, 60, 60);
    assert.ok(colourDistance(seen, slideColour(1)) <= 28, `the first picture after the help slide, not ${seen}`);
    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('the page opened from a file links to its twin, which plays', async () => {
  const { page: pageFile, swf } = convertFolder('twin-link', { slides: 2, webPlayer: true });
  const twinFile = twinOf(swf);
  const twin = await openTwin(pageFile, { allow: [twinFile], beforeLoad: () => {} });
  const { page } = twin;
  try {
    const link = page.locator('.orvanta-notice a');
    await link.waitFor({ timeout: 10000 });
    assert.equal(await link.getAttribute('href'), 'twin-link-html5.html');
    await link.click();
    await waitReady(page);
    assert.equal(page.url(), `${pathToFileURL(twinFile).href}#1`);
    await expectSlide(page, 1, 'the twin from the page');
    assert.deepEqual(twin.blocked, []);
  } finally {
    await twin.close();
  }
});

test('a twin of a 300-slide picture folder loads and navigates (time and memory printed)', async () => {
  const started = Date.now();
  const { swf } = convertFolder('twin-300', { slides: 300, width: 320, height: 240, options: ['--quality', '50'] });
  const converted = Date.now() - started;
  const file = twinOf(swf);
  const twin = await openTwin(file, { viewport: { width: 320, height: 240 }, beforeLoad: () => {} });
  const { page } = twin;
  try {
    await waitReady(page);
    const ready = await page.evaluate(() => window.orvantaTwin.log.find((e) => e.type === 'ready').t);
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Performance.enable');
    const metrics = Object.fromEntries((await cdp.send('Performance.getMetrics')).metrics.map((m) => [m.name, m.value]));
    console.log(`300 slides: converted in ${converted} ms; twin ${(fs.statSync(file).size / 1048576).toFixed(1)} MiB, ` +
      `movie ${(fs.statSync(swf).size / 1048576).toFixed(1)} MiB; ready ${Math.round(ready)} ms after navigation; ` +
      `JS heap ${(metrics.JSHeapUsedSize / 1048576).toFixed(1)} MiB, ${metrics.Nodes} nodes`);
    assert.equal(await page.evaluate(() => window.orvantaTwin.count), 300);
    await page.keyboard.press('End');
    await page.waitForFunction(() => window.orvantaTwin.player.state.current === 300);
    await settle(page);
    assert.ok(colourDistance(await pixel(page, 30, 30), slideColour(300)) <= 28);
    await page.keyboard.press('ArrowLeft');
    await page.waitForFunction(() => window.orvantaTwin.player.state.current === 299);
    await page.waitForTimeout(400);  // past the fade
    await page.keyboard.press('Home');
    await page.waitForFunction(() => window.orvantaTwin.player.state.current === 1);
    await settle(page);
    assert.ok(colourDistance(await pixel(page, 30, 30), slideColour(1)) <= 28);
    assert.deepEqual(twin.blocked, []);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('the address names the slide shown after a refused or corrected move', async () => {
  const { swf } = convertFolder('twin-address', { slides: 3 });
  const twin = await openTwin(twinOf(swf), { hash: '#2' });
  const { page } = twin;
  const addressAfter = async (hash) => {
    await page.evaluate((h) => { location.hash = h; }, hash);
    await page.waitForFunction((h) => location.hash !== h, hash);
    return page.evaluate(() => [location.hash, window.orvantaTwin.player.state.current]);
  };
  try {
    await expectSlide(page, 2, '#2 in the address');
    for (const hash of ['#999', '#0', '#abc', '#-1']) assert.deepEqual(await addressAfter(hash), ['#2', 2], hash);
    // The page's clock stands still, so the move to slide 3 falls inside the fade.
    await page.evaluate(() => {
      const frozen = performance.now();
      performance.now = () => frozen;
      window.orvantaTwin.player.next(frozen);
    });
    assert.deepEqual(await addressAfter('#1'), ['#3', 3], 'a move during the fade');
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});
