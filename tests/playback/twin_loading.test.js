'use strict';
// A large HTML5 version over a slow line (47 slides at 1920 x 1080, about
// 12 MB, fetched at 20 Mbit/s): the loader is the first thing in the page,
// slide 1 shows as soon as its own picture has arrived and decoded, long
// before the rest of the page, and the slides that arrive later play. The
// time is printed, not asserted: bench/first_slide.js compares builds.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const { chromium } = require('playwright-core');
const { CHROMIUM } = require('./lib/player');
const { PLAIN_CHROMIUM_ARGS } = require('./lib/pages');
const { env, freshDir } = require('./lib/env');
const { writeLargeSlides, convertLarge, measureFirstSlide } = require('./lib/first_slide');

test('slide 1 of a 47-slide 1920 x 1080 version shows long before the page has arrived', async () => {
  const dir = freshDir('twin-loading');
  const folder = path.join(dir, '讲座 47');
  writeLargeSlides(folder, 47);
  const file = convertLarge(env.cli, folder, path.join(dir, 'out'));
  const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
  try {
    const got = await measureFirstSlide(browser, file, { mbps: 20 });
    console.log(`${(got.bytes / 1048576).toFixed(1)} MB at 20 Mbit/s: slide 1 ${got.firstSlide.toFixed(0)} ms after its ` +
      `first byte, the whole page ${got.wholePage.toFixed(0)} ms after it`);
    assert.ok(got.beforeEnd, 'slide 1 was shown before the page had arrived');
    assert.ok(got.firstSlide < got.wholePage / 2, `slide 1 at ${got.firstSlide} ms of ${got.wholePage}`);
  } finally {
    await browser.close();
  }
});
