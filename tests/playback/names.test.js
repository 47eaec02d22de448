'use strict';
// Pages of movies whose names hold characters that mean something in a URL
// or in HTML: served by `orvanta-cli preview`, the movie still plays, the
// Prev/Next links reach their pages, and a name made of markup runs nothing.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');
const fs = require('node:fs');
const { spawnSync } = require('node:child_process');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');
const { env, artifact, freshDir } = require('./lib/env');
const { convertFolder } = require('./lib/movies');
const { decodePng } = require('./lib/png');
const { slideColour, colourDistance, writeSlideFolder } = require('./lib/slides');
const { PLAIN_CHROMIUM_ARGS, PLAY_TIMEOUT_MS, startPreview, waitForMovieSlide } = require('./lib/pages');
const { CHROMIUM } = require('./lib/player');

const expectSlide = (page, k) => waitForMovieSlide(page, k);

/** One movie and page per slide, named <folder name>_k. */
function convertSplit(name, slides) {
  const dir = freshDir(name);
  writeSlideFolder(path.join(dir, name), slides);
  const out = path.join(dir, 'out');
  fs.mkdirSync(out);
  const result = spawnSync(env.cli, ['convert', '--store', path.join(dir, 'settings.json'), '--output-dir', out,
    '--split', '--no-titles', path.join(dir, name)], { encoding: 'utf8', env: { ...process.env, XDG_CONFIG_HOME: dir } });
  assert.equal(result.status, 0, result.stderr);
  for (let k = 1; k <= slides; k++) assert.ok(fs.existsSync(path.join(out, `${name}_${k}.htm`)));
  return out;
}

function watch(page) {
  const seen = { dialogs: [], errors: [] };
  page.on('dialog', (dialog) => { seen.dialogs.push(dialog.message()); dialog.dismiss().catch(() => {}); });
  page.on('pageerror', (error) => seen.errors.push(error.message));
  return seen;
}

let browser;
test.before(async () => {
  browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
});
test.after(async () => { await browser?.close(); });

const AWKWARD = 'Step #3 & "more" 100%';

test('a name with # & " % and blanks: the page plays and split pages link each other', async () => {
  const single = convertFolder(AWKWARD, { slides: 2, webPlayer: true });
  const server = await startPreview(single.page);
  const page = await browser.newPage();
  const seen = watch(page);
  try {
    assert.equal(server.pagePath, '/Step%20%233%20%26%20%22more%22%20100%25.htm');
    await page.goto(server.origin + server.pagePath);
    await expectSlide(page, 1);
    await page.screenshot({ path: artifact('names-awkward-page.png') });
  } finally {
    server.child.kill('SIGTERM');
  }
  assert.equal((await server.exited).code, 0);

  const stem = `split ${AWKWARD}`;
  const splitServer = await startPreview(path.join(convertSplit(stem, 3), `${stem}_1.htm`));
  try {
    await page.goto(splitServer.origin + splitServer.pagePath);
    await expectSlide(page, 1);
    await page.getByRole('link', { name: 'Next' }).click();
    await page.waitForURL(/_2\.htm$/);
    assert.equal(decodeURIComponent(new URL(page.url()).pathname), `/${stem}_2.htm`);
    await expectSlide(page, 2);  // each split movie holds its own slide
    await page.getByRole('link', { name: 'Next' }).click();
    await page.waitForURL(/_3\.htm$/);
    await expectSlide(page, 3);
    await page.getByRole('link', { name: 'Prev' }).click();
    await page.waitForURL(/_2\.htm$/);
    await expectSlide(page, 2);
  } finally {
    splitServer.child.kill('SIGTERM');
  }
  assert.equal((await splitServer.exited).code, 0);
  assert.deepEqual(seen, { dialogs: [], errors: [] });
  await page.close();
});

test('a name made of markup adds nothing to the page and the movie still plays', async () => {
  const { page: pageFile } = convertFolder('x"><img src=x onerror=alert(1)>', { slides: 1, webPlayer: true });
  const server = await startPreview(pageFile);
  const page = await browser.newPage();
  const seen = watch(page);
  try {
    await page.goto(server.origin + server.pagePath);
    await expectSlide(page, 1);
    assert.equal(await page.locator('img').count(), 0, 'the name became an element');
    assert.deepEqual(seen, { dialogs: [], errors: [] });
  } finally {
    await page.close();
    server.child.kill('SIGTERM');
  }
  assert.equal((await server.exited).code, 0);
});

/**
 * Opens an HTML5 twin from its file with every other request refused, and
 * waits until it is ready. `allow` lets the neighbours' files through; a
 * page that is not a twin (`isTwin` false) is only opened.
 */
async function openTwinFile(file, allow = [], isTwin = true) {
  const context = await browser.newContext({ viewport: { width: 640, height: 480 } });
  // Compared as paths: a link may encode a character that the file URL keeps.
  const allowed = new Set([file, ...allow]);
  const asPath = (url) => (url.startsWith('file:') ? decodeURIComponent(new URL(url).pathname) : null);
  const blocked = [];
  await context.route('**/*', (route) => {
    const wanted = route.request().url();
    if (wanted.startsWith('data:') || allowed.has(asPath(wanted))) return route.continue();
    blocked.push(wanted);
    return route.abort();
  });
  const page = await context.newPage();
  const seen = watch(page);
  await page.goto(pathToFileURL(file).href);
  if (isTwin) await waitTwin(page);
  return { page, seen, blocked, close: () => context.close() };
}

const waitTwin = (page) => page.waitForFunction(() => window.orvantaTwin && window.orvantaTwin.ready, null,
  { timeout: PLAY_TIMEOUT_MS });

async function expectTwinSlide(page, k) {
  await page.waitForFunction(() => document.getAnimations().length === 0);
  const seen = decodePng(await page.screenshot()).pixel(60, 60);
  assert.ok(colourDistance(seen, slideColour(k)) <= 28, `slide ${k} expected, the twin shows ${seen}`);
}

test('the twins of such names play from a file and link each other', async () => {
  const name = `twin ${AWKWARD}`;
  const { swf } = convertFolder(name, { slides: 2 });
  const single = await openTwinFile(swf.replace(/\.swf$/, '-html5.html'));
  try {
    assert.equal(await single.page.title(), name);
    await expectTwinSlide(single.page, 1);
    await single.page.keyboard.press('ArrowRight');
    await expectTwinSlide(single.page, 2);
    assert.deepEqual([single.blocked, single.seen], [[], { dialogs: [], errors: [] }]);
  } finally {
    await single.close();
  }

  const stem = `twin split ${AWKWARD}`;
  const out = convertSplit(stem, 3);
  const twins = [1, 2, 3].map((k) => path.join(out, `${stem}_${k}-html5.html`));
  const split = await openTwinFile(twins[1], twins);
  try {
    await expectTwinSlide(split.page, 2);
    await split.page.click('a[rel=next]');
    await waitTwin(split.page);
    assert.equal(decodeURIComponent(new URL(split.page.url()).pathname), twins[2]);
    await expectTwinSlide(split.page, 3);
    await split.page.click('a[rel=prev]');
    await waitTwin(split.page);
    await expectTwinSlide(split.page, 2);
    assert.deepEqual([split.blocked, split.seen], [[], { dialogs: [], errors: [] }]);
  } finally {
    await split.close();
  }
});

test('the twin of a name made of markup runs nothing and still plays', async () => {
  const { swf } = convertFolder('twin x"><img src=x onerror=alert(1)>', { slides: 1 });
  const twin = await openTwinFile(swf.replace(/\.swf$/, '-html5.html'));
  try {
    await expectTwinSlide(twin.page, 1);
    assert.equal(await twin.page.locator('img:not(.slide)').count(), 0, 'the name became an element');
    assert.equal(await twin.page.title(), 'twin x"><img src=x onerror=alert(1)>');
    assert.deepEqual([twin.blocked, twin.seen], [[], { dialogs: [], errors: [] }]);
  } finally {
    await twin.close();
  }
});

/** Every response of the page, as "STATUS /decoded/path". */
function responses(page) {
  const seen = [];
  page.on('response', (r) => seen.push(`${r.status()} ${decodeURIComponent(new URL(r.url()).pathname)}`));
  return seen;
}

// Names in Chinese, with accents, and with a leading dot: served, the page
// asks for its own movie (the names are percent-encoded, whatever charset the
// browser reads the page in), and a Chinese folder's split pages link each other.
test('non-ASCII and dot names: served pages play and their links resolve', async () => {
  const page = await browser.newPage();
  const seen = watch(page);
  const fetched = responses(page);
  try {
    for (const name of ['演示文稿', 'Präsentation', '.deck']) {
      const { page: pageFile } = convertFolder(name, { slides: 2, webPlayer: true });
      const server = await startPreview(pageFile);
      try {
        assert.equal(decodeURIComponent(server.pagePath), `/${name}.htm`);
        await page.goto(server.origin + server.pagePath);
        await expectSlide(page, 1);
        assert.ok(fetched.includes(`200 /${name}.swf`), fetched.join('\n'));
      } finally {
        server.child.kill('SIGTERM');
      }
      assert.equal((await server.exited).code, 0);
    }
    await page.screenshot({ path: artifact('names-dot-deck-page.png') });

    const stem = '第一页';
    const splitServer = await startPreview(path.join(convertSplit(stem, 3), `${stem}_1.htm`));
    try {
      await page.goto(splitServer.origin + splitServer.pagePath);
      await expectSlide(page, 1);
      await page.getByRole('link', { name: 'Next' }).click();
      await page.waitForURL(/_2\.htm$/);
      assert.equal(decodeURIComponent(new URL(page.url()).pathname), `/${stem}_2.htm`);
      await expectSlide(page, 2);
      await page.getByRole('link', { name: 'Prev' }).click();
      await page.waitForURL(/_1\.htm$/);
      await expectSlide(page, 1);
    } finally {
      splitServer.child.kill('SIGTERM');
    }
    assert.equal((await splitServer.exited).code, 0);
    assert.deepEqual(fetched.filter((line) => !line.startsWith('200 ')), []);
    assert.deepEqual(seen, { dialogs: [], errors: [] });
  } finally {
    await page.close();
  }
});

test('non-ASCII and dot names: twins play from files, and the file notice links them', async () => {
  for (const name of ['twin 演示文稿', '.twin deck']) {
    const { page: pageFile, swf } = convertFolder(name, { slides: 2, webPlayer: true });
    const twinFile = swf.replace(/\.swf$/, '-html5.html');
    const opened = await openTwinFile(pageFile, [twinFile], false);
    try {
      const link = opened.page.locator('.orvanta-notice a');
      await link.waitFor({ timeout: 10000 });
      await link.click();
      await waitTwin(opened.page);
      assert.equal(decodeURIComponent(new URL(opened.page.url()).pathname), twinFile);
      await expectTwinSlide(opened.page, 1);
      await opened.page.keyboard.press('ArrowRight');
      await expectTwinSlide(opened.page, 2);
      assert.deepEqual([opened.blocked, opened.seen], [[], { dialogs: [], errors: [] }]);
    } finally {
      await opened.close();
    }
  }

  const stem = 'twin 第一页';
  const out = convertSplit(stem, 3);
  const twins = [1, 2, 3].map((k) => path.join(out, `${stem}_${k}-html5.html`));
  const split = await openTwinFile(twins[0], twins);
  try {
    await split.page.click('a[rel=next]');
    await waitTwin(split.page);
    assert.equal(decodeURIComponent(new URL(split.page.url()).pathname), twins[1]);
    await expectTwinSlide(split.page, 2);
    assert.deepEqual([split.blocked, split.seen], [[], { dialogs: [], errors: [] }]);
  } finally {
    await split.close();
  }
});
