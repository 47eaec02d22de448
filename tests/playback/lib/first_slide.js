'use strict';
// The time to the first slide of a large HTML5 version over a slow line:
// pictures like slides of text and a photograph (about 250 KB each as JPEG),
// the version served over HTTP from this process and fetched by Chromium at
// a throttled rate. Shared by the playback test and bench/first_slide.js,
// which measures a baseline build beside the current one.
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { encodeBmp } = require('./slides');

/** Writes `count` pictures of width x height into `folder` (Slide1.bmp ...). */
function writeLargeSlides(folder, count, width = 1920, height = 1080) {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  let seed = 1;
  const random = () => ((seed = (seed * 1103515245 + 12345) & 0x7fffffff) / 0x7fffffff);
  const columns = Math.ceil(width / 8);
  for (let k = 1; k <= count; k++) {
    const words = new Uint8Array(columns * Math.ceil(height / 8)).map(() => (random() < 0.35 ? 1 : 0));
    fs.writeFileSync(path.join(folder, `Slide${k}.bmp`), encodeBmp(width, height, (x, y) => {
      const line = (y >> 5) % 2 === 0 && y > height / 5 && y < height * 0.9 && x > width / 16 && x < width * 0.94;
      if (line && words[(y >> 3) * columns + (x >> 3)]) return [20, 20, 60];
      if (x > width * 0.68 && y < height * 0.46) {
        const v = (random() * 40) | 0;
        return [100 + v, 140 + v, 90 + v];
      }
      return [230 - ((y >> 3) & 127), 235 - ((x >> 4) & 127), 250 - (k & 127)];
    }));
  }
}

/** Converts `folder` with `cli` into `out`; returns the HTML5 version's path. */
function convertLarge(cli, folder, out, width = 1920, height = 1080) {
  fs.rmSync(out, { recursive: true, force: true });
  fs.mkdirSync(out, { recursive: true });
  const args = ['convert', '--store', path.join(out, 'settings.json'), '--output-dir', out, '--no-web-player',
    '--html5', '--width', String(width), '--height', String(height), folder];
  const result = spawnSync(cli, args, { encoding: 'utf8', env: { ...process.env, XDG_CONFIG_HOME: out }, timeout: 600000 });
  if (result.status !== 0) throw new Error(`${cli} ${args.join(' ')}\n${result.stdout}${result.stderr}`);
  return path.join(out, `${path.basename(folder)}-html5.html`);
}

/**
 * Opens `file` in a new context of `browser`, served over HTTP and fetched at
 * `mbps` megabits per second. Resolves with the milliseconds from the first
 * byte of slide 1's picture arriving (its place in the file at the line's
 * rate after the response began) to slide 1 shown, and to the whole page.
 */
async function measureFirstSlide(browser, file, { mbps = 20 } = {}) {
  const bytes = fs.readFileSync(file);
  const first = bytes.indexOf('data:image/jpeg;base64,');
  const server = http.createServer((req, res) => {
    res.writeHead(200, { 'Content-Type': 'text/html; charset=utf-8', 'Content-Length': bytes.length });
    res.end(bytes);
  });
  await new Promise((resolve) => server.listen(0, '127.0.0.1', resolve));
  const context = await browser.newContext({ viewport: { width: 1280, height: 720 } });
  try {
    const page = await context.newPage();
    const cdp = await context.newCDPSession(page);
    await cdp.send('Network.enable');
    const rate = (mbps * 1e6) / 8;
    await cdp.send('Network.emulateNetworkConditions', {
      offline: false, latency: 0, downloadThroughput: rate, uploadThroughput: rate,
    });
    await page.goto(`http://127.0.0.1:${server.address().port}/`, { waitUntil: 'commit' });
    await page.waitForFunction(() => window.orvantaTwin && window.orvantaTwin.ready, null,
      { timeout: 300000, polling: 20 });
    const shown = await page.evaluate(() => window.orvantaTwin.log.find((e) => e.type === 'ready').t);
    await page.waitForFunction(() => performance.getEntriesByType('navigation')[0].loadEventEnd > 0, null,
      { timeout: 300000, polling: 100 });
    const timing = await page.evaluate(() => {
      const entry = performance.getEntriesByType('navigation')[0];
      return { begun: entry.responseStart, ended: entry.responseEnd };
    });
    const arrives = timing.begun + (first / rate) * 1000;
    return { bytes: bytes.length, firstSlide: shown - arrives, wholePage: timing.ended - arrives, beforeEnd: shown < timing.ended };
  } finally {
    await context.close();
    server.close();
  }
}

module.exports = { writeLargeSlides, convertLarge, measureFirstSlide };
