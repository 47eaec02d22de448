'use strict';
// Time to the first slide of a large HTML5 version over a slow line, for a
// baseline build against the current one in the same run.
//
//   node bench/first_slide.js [BASELINE_BUILD] [BUILD] [ROUNDS] [MBPS]
//
// 47 pictures of 1920 x 1080 (text and a photograph, about 250 KB each as
// JPEG) are converted by each build's orvanta-cli; each version is served
// over HTTP and opened in Chromium at MBPS megabits per second (20), the
// builds taking turns, ROUNDS times (3). Prints the medians: milliseconds
// from the first byte of slide 1's picture to slide 1 shown, and to the
// whole page. Needs `npm ci` in tests/playback (scripts/setup.sh).
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');

const root = path.resolve(__dirname, '..');
const playback = path.join(root, 'tests', 'playback');
const { chromium } = require(path.join(playback, 'node_modules', 'playwright-core'));
const { CHROMIUM } = require(path.join(playback, 'lib', 'player'));
const { PLAIN_CHROMIUM_ARGS } = require(path.join(playback, 'lib', 'pages'));
const { writeLargeSlides, convertLarge, measureFirstSlide } = require(path.join(playback, 'lib', 'first_slide'));

async function main() {
  const [baseline = 'build-base', current = 'build', rounds = '3', mbps = '20'] = process.argv.slice(2);
  const work = fs.mkdtempSync(path.join(os.tmpdir(), 'orvanta-first-slide-'));
  try {
    const folder = path.join(work, 'lecture');
    writeLargeSlides(folder, 47);
    // Each build its own output folder: two builds may share a folder name.
    const builds = [baseline, current].map((build, index) => ({
      build,
      file: convertLarge(path.resolve(root, build, 'apps', 'orvanta-cli'), folder, path.join(work, `build${index}`)),
      first: [],
      whole: [],
    }));
    const browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
    try {
      for (let round = 1; round <= Number(rounds); round++) {
        for (const entry of builds) {
          const got = await measureFirstSlide(browser, entry.file, { mbps: Number(mbps) });
          entry.first.push(got.firstSlide);
          entry.whole.push(got.wholePage);
          entry.bytes = got.bytes;
        }
      }
    } finally {
      await browser.close();
    }
    const median = (values) => [...values].sort((a, b) => a - b)[Math.floor((values.length - 1) / 2)];
    console.log(`medians of ${rounds} rounds, 47 slides at 1920 x 1080 over ${mbps} Mbit/s`);
    for (const entry of builds) {
      console.log(`${entry.build.padEnd(12)} ${(entry.bytes / 1048576).toFixed(1)} MB   slide 1 shown ` +
        `${median(entry.first).toFixed(0)} ms after its first byte   whole page ${median(entry.whole).toFixed(0)} ms ` +
        `(${entry.first.map((v) => v.toFixed(0)).join(' ')})`);
    }
  } finally {
    fs.rmSync(work, { recursive: true, force: true });
  }
}

main().catch((error) => {
  console.error(error);
  process.exit(1);
});
