'use strict';
// Plays movies in the Flash player emulator inside headless Chromium and
// gives tests the player's trace lines, keyboard and mouse input and the
// screen's pixels. Anything the emulator complains about (a console line at
// WARN or ERROR level, a page error, its panic screen) fails the movie.
const fs = require('node:fs');
const os = require('node:os');
const path = require('node:path');
const { chromium } = require('playwright-core');
const { startServer } = require('./server');
const { decodePng } = require('./png');

const CHROMIUM = process.env.ORVANTA_CHROMIUM || '/usr/bin/chromium';
const CHROMIUM_ARGS = [
  '--headless', '--no-sandbox', '--disable-gpu', '--disable-quic', '--no-first-run',
  '--disable-background-networking', '--disable-component-update', '--disable-sync',
  // The emulator creates its audio output at once; without this Chromium warns on every movie.
  '--autoplay-policy=no-user-gesture-required',
];
// Generous: the machines that run these tests are often busy, and the first
// movie of a browser waits for the emulator to compile.
const DEFAULT_TIMEOUT_MS = 30000;
const READY_TIMEOUT_MS = 90000;

function renderPage(query) {
  const width = Number(query.pw) || 640;
  const height = Number(query.ph) || 480;
  const options = {
    url: query.movie,
    publicPath: '/ruffle/',
    autoplay: 'on',
    splashScreen: false,
    unmuteOverlay: 'hidden',
    logLevel: 'info',
    preferredRenderer: query.renderer === 'webgl' ? 'webgl' : 'canvas',
    letterbox: 'off',
    allowScriptAccess: false,
    openUrlMode: 'deny',
    warnOnUnsupportedContent: false,
  };
  if (Number(query.fps) > 0) options.frameRate = Number(query.fps);
  // The movie URL comes from the harness, but it is still quoted as data.
  const config = JSON.stringify(options).replace(/</g, '\\u003c');
  return `<!doctype html>
<html><head><meta charset="utf-8"><title>playback</title>
<style>html,body{margin:0;padding:0;background:#3c783c;overflow:hidden}
#stage{position:absolute;left:0;top:0;width:${width}px;height:${height}px}
#stage>*{width:100%;height:100%;display:block}</style>
<script src="/ruffle/ruffle.js"></script></head>
<body><div id="stage"></div><script>
(function () {
  // trace() output reaches the page as an INFO console line from the
  // emulator's log adapter; the player's own trace observer can only be set
  // once its instance exists, too late for the first frame's lines.
  const tracePattern = /^%cINFO%c [^%]*log_adapter\\.rs:\\d+%c ([\\s\\S]*)$/;
  for (const level of ['log', 'info', 'debug']) {
    const original = console[level];
    console[level] = function (first, ...rest) {
      if (typeof first === 'string') {
        const match = tracePattern.exec(first);
        if (match) window.__orvTrace(match[1]);
      }
      return original.call(this, first, ...rest);
    };
  }
})();
(function () {
  const config = ${config};
  const player = window.RufflePlayer.newest().createPlayer();
  player.id = 'player';
  document.getElementById('stage').appendChild(player);
  const api = typeof player.ruffle === 'function' ? player.ruffle() : player;
  api.load(config).catch((e) => window.__orvTrace('HARNESS load failed: ' + e));
})();
</script></body></html>`;
}

/** One browser and one server for all the movies of a test file. */
class Stage {
  static async launch() {
    const stage = new Stage();
    stage.userDataDir = fs.mkdtempSync(path.join(os.tmpdir(), 'orvanta-chromium-'));
    stage.server = await startServer(renderPage);
    stage.context = await chromium.launchPersistentContext(stage.userDataDir, {
      executablePath: CHROMIUM,
      headless: true,
      args: CHROMIUM_ARGS,
      viewport: { width: 1280, height: 900 },
      deviceScaleFactor: 1,
    });
    return stage;
  }

  /**
   * Opens a page playing the movie file. pageWidth/pageHeight size the player
   * element (default: the movie frame given as width/height, else 640x480).
   */
  // frameRate overrides the movie's 15 frames per second to stretch what
  // happens frame by frame (the loader, a fade) for screenshots.
  async play(movieFile, {
    width = 640, height = 480, pageWidth, pageHeight, renderer = 'canvas', frameRate = 0,
  } = {}) {
    const page = await this.context.newPage();
    const playback = new Playback(page, { width: pageWidth || width, height: pageHeight || height });
    await page.exposeBinding('__orvTrace', (_source, text) => playback.onTrace(text));
    const query = new URLSearchParams({
      movie: this.server.addMovie(movieFile),
      fps: String(frameRate),
      pw: String(playback.width),
      ph: String(playback.height),
      renderer,
    });
    await page.goto(`${this.server.origin}/play.html?${query}`);
    return playback;
  }

  async close() {
    await this.context?.close().catch(() => {});
    await this.server?.close();
    fs.rmSync(this.userDataDir, { recursive: true, force: true });
  }
}

// "ORV goto 3 t=1234" -> { kind: 'goto', args: ['3'], fields: { t: 1234 }, k: 3, t: 1234 }
function parseTrace(text) {
  const words = text.trim().split(/\s+/);
  if (words[0] !== 'ORV') return null;
  const entry = { kind: words[1], args: [], fields: {}, text };
  for (const word of words.slice(2)) {
    const eq = word.indexOf('=');
    if (eq > 0) {
      const value = word.slice(eq + 1);
      entry.fields[word.slice(0, eq)] = /^-?\d+$/.test(value) ? Number(value) : value;
    } else {
      entry.args.push(word);
    }
  }
  if (entry.args.length && /^-?\d+$/.test(entry.args[0])) entry.k = Number(entry.args[0]);
  if (typeof entry.fields.t === 'number') entry.t = entry.fields.t;
  return entry;
}

const RUFFLE_LEVEL = /^\s*(?:%c)?\s*(WARN|ERROR)\b/;

// The emulator logs "%cLEVEL%c file%c message" followed by the three CSS
// strings of the placeholders; keep only the level, file and message.
function readableConsole(text) {
  return text.replace(/\s*color: [^\n]*$/, '').replace(/%c/g, '').trim();
}

class Playback {
  constructor(page, { width, height }) {
    this.page = page;
    this.width = width;
    this.height = height;
    this.openedAt = Date.now();
    this.traces = [];
    this.console = [];
    this.problems = [];
    this.waiters = [];
    page.on('console', (message) => {
      const text = message.text();
      this.console.push(`${message.type()}: ${text}`);
      if (message.type() === 'error' || message.type() === 'warning' || RUFFLE_LEVEL.test(text)) {
        this.problems.push(`console ${message.type()}: ${readableConsole(text)}`);
      }
    });
    page.on('pageerror', (error) => this.problems.push(`page error: ${error.message}`));
    page.on('crash', () => this.problems.push('page crashed'));
  }

  onTrace(text) {
    const entry = parseTrace(text) || { kind: null, args: [], fields: {}, text };
    entry.index = this.traces.length;
    entry.wall = Date.now() - this.openedAt;  // for diagnostics only, never asserted
    this.traces.push(entry);
    this.waiters = this.waiters.filter((waiter) => !waiter.offer(entry));
  }

  /** The number of traces so far: pass it as `since` to wait only for later ones. */
  mark() {
    return this.traces.length;
  }

  /** ORV traces of one kind (or all), optionally only from index `since` on. */
  events(kind, since = 0) {
    return this.traces.slice(since).filter((e) => e.kind !== null && (!kind || e.kind === kind));
  }

  /**
   * Waits for the first trace from index `since` on that matches: a kind name
   * ("goto"), a RegExp on the raw text, or a predicate on the parsed entry.
   */
  waitFor(match, { since = 0, timeout = DEFAULT_TIMEOUT_MS } = {}) {
    const test = typeof match === 'string' ? (e) => e.kind === match
      : match instanceof RegExp ? (e) => match.test(e.text) : match;
    const found = this.traces.slice(since).find(test);
    if (found) return Promise.resolve(found);
    return new Promise((resolve, reject) => {
      const timer = setTimeout(() => {
        this.waiters = this.waiters.filter((w) => w !== waiter);
        reject(new Error(`no trace matching ${match} within ${timeout} ms; traces so far:\n  `
          + this.traces.slice(since).map((e) => e.text).join('\n  ') + this.describeProblems()));
      }, timeout);
      const waiter = {
        offer: (entry) => {
          if (!test(entry)) return false;
          clearTimeout(timer);
          resolve(entry);
          return true;
        },
      };
      this.waiters.push(waiter);
    });
  }

  /** Waits for the player's set-up line and returns it parsed. */
  async ready(options = {}) {
    const entry = await this.waitFor('ready', { timeout: READY_TIMEOUT_MS, ...options });
    await this.settle();
    return entry;
  }

  /** Lets the page draw a couple of frames after a trace (no fixed sleep). */
  async settle(frames = 3) {
    await this.page.evaluate((count) => new Promise((resolve) => {
      const step = (left) => (left <= 0 ? resolve() : requestAnimationFrame(() => step(left - 1)));
      step(count);
    }), frames);
  }

  /** Gives the player keyboard focus without a click in the movie (a click may navigate). */
  async focus() {
    await this.page.evaluate(() => {
      const player = document.getElementById('player');
      player.tabIndex = 0;
      player.focus();
    });
  }

  /** Clicks at a point of the player element (page pixels, top-left origin). */
  async click(x, y) {
    await this.page.mouse.click(x, y);
  }

  async press(key) {
    await this.page.keyboard.press(key);
  }

  /**
   * A screenshot of the player element, decoded; saved as PNG when `saveAs`
   * is given, or later with save(file).
   */
  async screenshot(saveAs) {
    const png = await this.page.screenshot({ clip: { x: 0, y: 0, width: this.width, height: this.height } });
    const save = (file) => {
      fs.mkdirSync(path.dirname(file), { recursive: true });
      fs.writeFileSync(file, png);
    };
    if (saveAs) save(saveAs);
    return { ...decodePng(png), save };
  }

  /** Opens the player's context menu at a point and returns its entries' texts. */
  async contextMenu(x, y) {
    await this.page.mouse.click(x, y, { button: 'right' });
    await this.settle();
    const entries = await this.page.evaluate(() => {
      const menu = document.getElementById('player').shadowRoot?.querySelector('#context-menu');
      return menu ? [...menu.querySelectorAll('li')].map((item) => item.textContent.trim()).filter(Boolean) : null;
    });
    await this.page.keyboard.press('Escape');
    return entries;
  }

  async panicked() {
    return this.page.evaluate(() => {
      const player = document.getElementById('player');
      return Boolean(player && player.shadowRoot && player.shadowRoot.querySelector('#panic'));
    });
  }

  describeProblems() {
    return this.problems.length ? `\nproblems:\n  ${this.problems.join('\n  ')}` : '';
  }

  /** Closes the page; throws when the emulator complained while it played. */
  async close() {
    if (await this.panicked().catch(() => false)) this.problems.push('the player shows its panic screen');
    await this.page.close();
    if (this.problems.length) {
      throw new Error(`the movie did not play cleanly:${this.describeProblems()}`);
    }
  }
}

module.exports = { Stage, Playback, parseTrace, readableConsole, CHROMIUM };
