'use strict';
// The video in Chromium (MP4 with the fade, WebM): it plays, lists a chapter per
// slide, and seeking to a chapter's start shows that slide.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const http = require('node:http');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { chromium } = require('playwright-core');
const { env, freshDir } = require('./lib/env');
const { CHROMIUM } = require('./lib/player');
const { PLAIN_CHROMIUM_ARGS } = require('./lib/pages');
const { decodePng } = require('./lib/png');
const { slideColour, colourDistance, writeSlideFolder } = require('./lib/slides');

const SECONDS = [2, 3, 1, 2, 2];

function makeVideo(folder, name, options) {
  const pictures = writeSlideFolder(path.join(folder, 'slides'), SECONDS.length, { width: 1280, height: 720 });
  const out = path.join(folder, name);
  const run = spawnSync(env.slidevideo, ['--out', out, '--height', '720', '--preset', 'veryfast',
    '--seconds', SECONDS.join(','), ...options, ...pictures], { encoding: 'utf8' });
  assert.equal(run.status, 0, `slidevideo: ${run.stderr}`);
  return out;
}

// Serves the folder's files on the loopback interface with byte ranges, as
// a web server does: without ranges Chromium cannot seek in a video.
function serveFolder(folder) {
  const server = http.createServer((req, res) => {
    const file = path.join(folder, decodeURIComponent(new URL(req.url, 'http://x').pathname));
    if (!file.startsWith(folder + path.sep) || !fs.existsSync(file)) return res.writeHead(404).end();
    const body = fs.readFileSync(file);
    const first = Number((/^bytes=(\d+)-$/.exec(req.headers.range || '') || [0, 0])[1]);
    res.writeHead(req.headers.range ? 206 : 200, { 'Accept-Ranges': 'bytes',
      'Content-Type': { '.html': 'text/html', '.vtt': 'text/vtt', '.webm': 'video/webm' }[path.extname(file)] || 'video/mp4',
      ...(req.headers.range ? { 'Content-Range': `bytes ${first}-${body.length - 1}/${body.length}` } : {}) });
    res.end(body.subarray(first));
  });
  return new Promise((resolve) => server.listen(0, '127.0.0.1', () => resolve(server)));
}

async function openVideoPage(browser, folder, video) {
  const vtt = path.basename(video).replace(/\.[^.]+$/, '.chapters.vtt');
  fs.writeFileSync(path.join(folder, 'index.html'), '<!doctype html><body style="margin:0;background:#000">'
    + `<video id="v" muted preload="auto" style="width:640px;height:360px;display:block" src="${encodeURIComponent(path.basename(video))}">`
    + `<track kind="chapters" default src="${encodeURIComponent(vtt)}"></video>`);
  const server = await serveFolder(folder);
  const page = await browser.newPage({ viewport: { width: 640, height: 360 } });
  await page.goto(`http://127.0.0.1:${server.address().port}/index.html`);
  return { page, close: async () => { await page.close(); server.close(); } };
}

const shownColour = async (page) => decodePng(await page.screenshot()).pixel(30, 30);

let browser;
test.before(async () => {
  browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
});
test.after(async () => { await browser?.close(); });

for (const [format, options] of [['mp4', []], ['webm', ['--no-fade']]]) {
  test(`${format}: plays, lists its chapters, and a chapter's start shows its slide`, { timeout: 180000 }, async () => {
    const folder = freshDir(`video-${format}`);
    const video = makeVideo(folder, `讲座 Café v1.2.${format}`, options);
    const { page, close } = await openVideoPage(browser, folder, video);
    try {
      await page.waitForFunction(() => document.getElementById('v').readyState >= 3, null, { timeout: 60000 });
      const state = await page.evaluate(() => {
        const v = document.getElementById('v');
        v.textTracks[0].mode = 'hidden';
        return { duration: v.duration, error: v.error && v.error.message };
      });
      assert.equal(state.error, null);
      const total = SECONDS.reduce((a, b) => a + b, 0);
      assert.ok(Math.abs(state.duration - total) <= 1 / 30 + 1e-6, `duration ${state.duration}, ${total} s expected`);

      await page.waitForFunction(() => (document.getElementById('v').textTracks[0].cues || []).length === 5);
      const cues = await page.evaluate(() => Array.from(document.getElementById('v').textTracks[0].cues,
        (cue) => ({ start: cue.startTime, text: cue.text })));
      assert.deepEqual(cues.map((c) => c.text), [1, 2, 3, 4, 5].map((k) => `Slide${k}.bmp`));

      for (const [index, cue] of cues.entries()) {
        const k = index + 1;
        await page.evaluate(async (at) => {
          const v = document.getElementById('v');
          const seeked = new Promise((resolve) => v.addEventListener('seeked', resolve, { once: true }));
          v.currentTime = at;
          await seeked;
          // The sought frame reaches the screen with the next paints.
          for (let i = 0; i < 3; i++) await new Promise((resolve) => requestAnimationFrame(resolve));
        }, cue.start);
        const seen = await shownColour(page);
        assert.ok(colourDistance(seen, slideColour(k)) <= 24,
          `${format} chapter ${k} at ${cue.start} s: slide ${k}'s colour ${slideColour(k)} expected, ${seen} shown`);
      }
    } finally {
      await close();
    }
  });
}
