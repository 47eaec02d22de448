'use strict';
// Pages as people open them: the browser with its ordinary autoplay rules,
// `orvanta-cli preview` serving a folder, and the movie's slide on screen.
const { spawn } = require('node:child_process');
const { env } = require('./env');
const { decodePng } = require('./png');
const { slideColour, colourDistance } = require('./slides');

// No --autoplay-policy switch here: a page has to start its movie under the
// browser's ordinary rules.
const PLAIN_CHROMIUM_ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
];
const PLAY_TIMEOUT_MS = 90000;

/**
 * Starts `orvanta-cli preview --no-browser [extraArgs] target`; resolves once
 * it prints its address, with { folder, url, origin, port, pagePath, child,
 * exited (resolves to { code, signal }), stderr() }.
 */
function startPreview(target, extraArgs = []) {
  const child = spawn(env.cli, ['preview', '--no-browser', ...extraArgs, target], { stdio: ['ignore', 'pipe', 'pipe'] });
  const exited = new Promise((resolve) => child.on('exit', (code, signal) => resolve({ code, signal })));
  let out = '';
  let err = '';
  child.stderr.on('data', (chunk) => { err += chunk; });
  const started = new Promise((resolve, reject) => {
    child.stdout.on('data', (chunk) => {
      out += chunk;
      const match = /^Serving (.*) at ((http:\/\/127\.0\.0\.1:(\d+))(\/\S*))$/m.exec(out);
      if (match) {
        resolve({ folder: match[1], url: match[2], origin: match[3], port: Number(match[4]), pagePath: match[5] });
      }
    });
    exited.then(({ code }) => reject(new Error(`preview ended (${code}) before serving:\n${out}${err}`)));
  });
  return started.then((info) => ({ ...info, child, exited, stderr: () => err }));
}

/**
 * Waits until the movie that the emulator put in the page shows slide k near
 * its top left; returns { box, png } of the movie.
 */
async function waitForMovieSlide(page, k, label = '') {
  const player = page.locator('ruffle-object, ruffle-embed').first();
  await player.waitFor({ timeout: PLAY_TIMEOUT_MS });
  const box = await player.boundingBox();
  const deadline = Date.now() + PLAY_TIMEOUT_MS;
  let last;
  while (Date.now() < deadline) {
    const png = await page.screenshot({ clip: box });
    last = decodePng(png).pixel(40, 40);
    if (colourDistance(last, slideColour(k)) <= 28) return { box, png };
    await new Promise((resolve) => setTimeout(resolve, 200));
  }
  throw new Error(`${label}: slide ${k} never showed; the movie shows ${last}`);
}

module.exports = { PLAIN_CHROMIUM_ARGS, PLAY_TIMEOUT_MS, startPreview, waitForMovieSlide };
