'use strict';
// Opens an HTML5 twin in Chromium from its file, as people get it: every
// request that is not the file itself or a data: URI is blocked and counted.
const test = require('node:test');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');
const { CHROMIUM } = require('./player');
const { PLAIN_CHROMIUM_ARGS } = require('./pages');

const READY_TIMEOUT_MS = 120000;

async function waitReady(page) {
  await page.waitForFunction(() => window.orvantaTwin && window.orvantaTwin.ready, null, { timeout: READY_TIMEOUT_MS });
}

/**
 * Opens `file` in a new context of `browser` and waits until its slides are
 * decoded. Every other request is refused and recorded in `blocked`; console
 * errors and page errors go to `errors`. `allow` lets further file URLs
 * through (neighbours); `context` adds options of the browser context.
 */
async function openTwin(browser, file, { viewport = { width: 640, height: 480 }, hash = '', allow = [],
  hasTouch = false, beforeLoad, context: options = {} } = {}) {
  const context = await browser.newContext({ viewport, hasTouch, ...options });
  const page = await context.newPage();
  const url = pathToFileURL(file).href;
  const allowed = new Set([url, ...allow.map((f) => pathToFileURL(f).href)]);
  const blocked = [];
  const errors = [];
  await context.route('**/*', (route) => {
    const wanted = route.request().url();
    if (wanted.startsWith('data:') || allowed.has(wanted.replace(/#.*$/, ''))) return route.continue();
    blocked.push(wanted);
    return route.abort();
  });
  page.on('console', (message) => { if (message.type() === 'error') errors.push(message.text()); });
  page.on('pageerror', (error) => errors.push(error.message));
  if (beforeLoad) await beforeLoad(page);
  await page.goto(url + hash);
  if (!beforeLoad) await waitReady(page);
  return { page, context, blocked, errors, close: () => context.close() };
}

/** The twin written beside a movie. */
const twinOf = (swf) => swf.replace(/\.swf$/, '-html5.html');

/**
 * One Chromium for the tests of the calling file, launched before them and
 * closed after; returns openTwin bound to it.
 */
function twinBrowser() {
  let browser;
  test.before(async () => {
    browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
  });
  test.after(async () => { await browser?.close(); });
  return (file, options) => openTwin(browser, file, options);
}

module.exports = { openTwin, waitReady, twinOf, twinBrowser };
