'use strict';
// The SCORM 1.2 package of a converted presentation in a learning platform:
// its manifest checked against the SCORM 1.2 and IMS content-packaging
// schemas, then the package unzipped and served as a platform serves it,
// with scorm-again's Scorm12API as the platform's side of the API, in
// Chromium. One learner's visits: open, three slides and the last, the page
// out of sight, close: not completed; reopen at the slide left, the one
// slide not yet seen: completed. Without a platform the same page plays as a
// plain HTML5 version, asks for nothing and logs no error.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { chromium } = require('playwright-core');
const { CHROMIUM } = require('./lib/player');
const { PLAIN_CHROMIUM_ARGS } = require('./lib/pages');
const { freshDir, artifact } = require('./lib/env');
const { convertFolder } = require('./lib/movies');
const { openTwin, waitReady } = require('./lib/twin');

const SCORM_AGAIN = fs.readFileSync(path.join(__dirname, 'node_modules', 'scorm-again', 'dist', 'scorm12.min.js'), 'utf8');
const SCHEMAS = path.join(__dirname, 'node_modules', '.scorm12-schemas');
const PLATFORM = 'https://lms.example';
const API_CALLS = ['LMSInitialize', 'LMSFinish', 'LMSGetValue', 'LMSSetValue', 'LMSCommit', 'LMSGetLastError',
  'LMSGetErrorString', 'LMSGetDiagnostic'];

let browser;
test.before(async () => {
  browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
});
test.after(async () => { await browser?.close(); });

// A five-slide picture folder named in Chinese, converted with its package, then unzipped.
let made;
function lesson() {
  if (made) return made;
  const movie = convertFolder('.课程 第一讲', { slides: 5, options: ['--html5', '--scorm'] });
  const zip = path.join(movie.out, '.课程 第一讲-scorm.zip');
  assert.ok(fs.existsSync(zip), `no package beside ${movie.swf}`);
  const dir = freshDir('scorm-unzipped');
  const unzip = spawnSync('/usr/bin/python3', ['-m', 'zipfile', '-e', zip, dir], { encoding: 'utf8' });
  assert.equal(unzip.status, 0, unzip.stderr);
  made = { zip, dir, twin: movie.swf.replace(/\.swf$/, '-html5.html') };
  return made;
}

test('the manifest meets the SCORM 1.2 and IMS content-packaging schemas', (t) => {
  const { zip, dir } = lesson();
  console.log(`package: ${fs.statSync(zip).size} bytes, ${fs.readdirSync(dir).sort().join(', ')}`);
  assert.deepEqual(fs.readdirSync(dir).sort(), ['imsmanifest.xml', 'index.html']);
  if (!fs.existsSync(path.join(SCHEMAS, 'imscp_rootv1p1p2.xsd'))) {
    if (process.env.CI === 'true') assert.fail(`the schemas are missing: ${SCHEMAS} (scripts/setup.sh)`);
    return t.skip(`the schemas are missing: ${SCHEMAS}`);
  }
  // One schema for both namespaces the manifest uses: the package's own and ADL's.
  const both = path.join(freshDir('scorm-schemas'), 'manifest.xsd');
  fs.writeFileSync(both, `<?xml version="1.0" encoding="UTF-8"?>
<xsd:schema xmlns:xsd="http://www.w3.org/2001/XMLSchema" targetNamespace="urn:orvanta:manifest">
<xsd:import namespace="http://www.imsproject.org/xsd/imscp_rootv1p1p2" schemaLocation="${SCHEMAS}/imscp_rootv1p1p2.xsd"/>
<xsd:import namespace="http://www.adlnet.org/xsd/adlcp_rootv1p2" schemaLocation="${SCHEMAS}/adlcp_rootv1p2.xsd"/>
</xsd:schema>\n`);
  const lint = spawnSync('xmllint', ['--noout', '--schema', both, path.join(dir, 'imsmanifest.xml')], { encoding: 'utf8' });
  assert.equal(lint.status, 0, lint.stderr);
  assert.match(lint.stderr, /imsmanifest\.xml validates/);

  // What the schemas leave open: one item played by one SCO, every file listed, nothing absolute.
  const manifest = fs.readFileSync(path.join(dir, 'imsmanifest.xml'), 'utf8');
  assert.match(manifest, /<schema>ADL SCORM<\/schema>\s*<schemaversion>1\.2<\/schemaversion>/);
  assert.equal(manifest.match(/<item /g).length, 1);
  assert.match(manifest, /<resource [^>]*type="webcontent" adlcp:scormtype="sco" href="index.html">/);
  assert.deepEqual([...manifest.matchAll(/<file href="([^"]*)"/g)].map((m) => m[1]), ['index.html']);
  assert.doesNotMatch(manifest, /href="\//);
  assert.match(manifest, /<title>\.课程 第一讲<\/title>/, 'a folder without titles is named after itself');
});

/**
 * One visit: the platform's page holds the API (with what it stored of
 * earlier visits) and the lesson in a frame. Returns the page, the frame and
 * every API call recorded as [name, ...arguments, answer].
 */
async function visit(stored) {
  const { dir } = lesson();
  const context = await browser.newContext({ viewport: { width: 700, height: 560 } });
  const requests = [];
  await context.route('**/*', (route) => {
    const url = route.request().url();
    requests.push(url);
    if (url === `${PLATFORM}/course`) {
      return route.fulfill({ contentType: 'text/html; charset=utf-8', body: `<!DOCTYPE html>
<html lang="en"><head><meta charset="utf-8"><title>Course</title><script>${SCORM_AGAIN}</script><script>
window.calls = [];
window.times = [];
window.API = new Scorm12API({ autocommit: false, logLevel: 5 });
${stored ? `window.API.loadFromJSON(${JSON.stringify(stored)});` : ''}
for (const name of ${JSON.stringify(API_CALLS)}) {
  const call = window.API[name].bind(window.API);
  window.API[name] = (...args) => {
    const answer = call(...args);
    window.calls.push([name, ...args, answer]);
    window.times.push(Date.now());
    return answer;
  };
}
</script></head><body><iframe id="lesson" title="Lesson" src="/lesson/index.html" width="660" height="500"></iframe></body></html>` });
    }
    if (url.startsWith(`${PLATFORM}/lesson/`)) {
      const file = path.join(dir, decodeURIComponent(new URL(url).pathname.slice('/lesson/'.length)));
      if (fs.existsSync(file)) return route.fulfill({ path: file });
    }
    if (url.startsWith('data:')) return route.continue();
    return route.abort();
  });
  const page = await context.newPage();
  const errors = [];
  page.on('pageerror', (error) => errors.push(error.message));
  await page.goto(`${PLATFORM}/course`);
  const frame = page.frame({ url: /\/lesson\/index\.html/ });
  await waitReady(frame);
  // The calls, without the commits of a slow machine that its own ten seconds allowed.
  const calls = async () => {
    const { all, times } = await page.evaluate(() => ({ all: window.calls, times: window.times }));
    let last = times[0];
    return all.filter(([name], k) => {
      if (name !== 'LMSCommit') return true;
      const spaced = times[k] - last >= 9900;
      last = times[k];
      const forced = all[k + 1]?.[0] === 'LMSFinish' || /completed/.test(all[k - 1]?.[2] ?? '');
      assert.ok(spaced || forced, `a commit ${times[k] - last} ms after the one before`);
      return forced;
    });
  };
  const state = () => page.evaluate(() => ({
    lesson_location: window.API.cmi.core.lesson_location, lesson_status: window.API.cmi.core.lesson_status,
  }));
  const suspended = () => page.evaluate(() => window.API.cmi.suspend_data);
  // The learner turns to another tab.
  const hide = () => frame.evaluate(() => {
    Object.defineProperty(document, 'visibilityState', { value: 'hidden', configurable: true });
    document.dispatchEvent(new Event('visibilitychange'));
  });
  const key = async (name) => {
    await frame.waitForFunction(() => document.getAnimations().length === 0);
    await frame.evaluate(() => window.focus());
    await page.keyboard.press(name);
    await frame.waitForFunction(() => document.getAnimations().length === 0);
  };
  const current = () => frame.evaluate(() => window.orvantaTwin.player.state.current);
  const close = async () => {
    await page.evaluate(() => document.getElementById('lesson').remove());
    await page.waitForFunction(() => window.calls.some((c) => c[0] === 'LMSFinish'));
  };
  return { page, frame, context, errors, requests, calls, state, suspended, hide, key, current, close };
}

// A call as the note shows it; the session time varies, its form does not.
function shown([name, ...rest]) {
  const answer = rest.pop();
  const args = rest.map((a) => (/^\d{4}:\d{2}:\d{2}\.\d{2}$/.test(a) ? 'HHHH:MM:SS.SS' : JSON.stringify(a)));
  return `${name}(${args.join(', ')}) -> ${JSON.stringify(answer)}`;
}

test('one learner: every slide in any order over two visits completes the lesson, the last alone does not', async () => {
  const first = await visit();
  let stored;
  try {
    assert.equal(await first.current(), 1);
    assert.deepEqual(await first.state(), { lesson_location: '1', lesson_status: 'incomplete' });
    await first.key('ArrowRight');
    await first.key('ArrowRight');
    await first.key('End');
    assert.equal(await first.current(), 5);
    assert.deepEqual(await first.state(), { lesson_location: '5', lesson_status: 'incomplete' }, 'slide 4 is unseen');
    await first.page.screenshot({ path: artifact('scorm-lesson-in-platform.png') });
    const before = (await first.calls()).filter((c) => c[0] === 'LMSCommit').length;
    assert.equal(before, 0, 'no commit within ten seconds of the last');
    await first.hide();
    await first.close();
    const calls = await first.calls();
    console.log(`first visit:\n  ${calls.map(shown).join('\n  ')}`);
    assert.deepEqual(calls.map(shown), [
      'LMSInitialize("") -> "true"',
      'LMSGetValue("cmi.core.lesson_status") -> "not attempted"',
      'LMSSetValue("cmi.core.lesson_status", "incomplete") -> "true"',
      'LMSGetValue("cmi.suspend_data") -> ""',
      'LMSGetLastError() -> "0"',
      'LMSGetValue("cmi.core.lesson_location") -> ""',
      'LMSGetLastError() -> "0"',
      'LMSSetValue("cmi.core.lesson_location", "1") -> "true"',
      'LMSSetValue("cmi.suspend_data", "s1:10") -> "true"',
      'LMSSetValue("cmi.core.lesson_location", "2") -> "true"',
      'LMSSetValue("cmi.suspend_data", "s1:30") -> "true"',
      'LMSSetValue("cmi.core.lesson_location", "3") -> "true"',
      'LMSSetValue("cmi.suspend_data", "s1:70") -> "true"',
      'LMSSetValue("cmi.core.lesson_location", "5") -> "true"',
      'LMSSetValue("cmi.suspend_data", "s1:71") -> "true"',
      // Told as the page went out of sight, and not again as it ends.
      'LMSSetValue("cmi.core.exit", "suspend") -> "true"',
      'LMSSetValue("cmi.core.session_time", HHHH:MM:SS.SS) -> "true"',
      'LMSCommit("") -> "true"',
      'LMSFinish("") -> "true"',
    ]);
    stored = { core: await first.state(), suspend_data: await first.suspended() };
    assert.deepEqual(first.errors, []);
  } finally {
    await first.context.close();
  }

  const again = await visit(stored);
  try {
    assert.equal(await again.current(), 5, 'the lesson opens where the learner stopped');
    await again.key('ArrowLeft');
    assert.equal(await again.current(), 4);
    assert.equal((await again.state()).lesson_status, 'completed', 'the slides of the first visit count too');
    const committed = (await again.calls()).map(shown);
    assert.equal(committed[committed.length - 1], 'LMSCommit("") -> "true"', 'completion is committed at once');
    await again.close();
    const calls = await again.calls();
    console.log(`second visit:\n  ${calls.map(shown).join('\n  ')}`);
    assert.deepEqual(calls.map(shown), [
      'LMSInitialize("") -> "true"',
      'LMSGetValue("cmi.core.lesson_status") -> "incomplete"',
      'LMSGetValue("cmi.suspend_data") -> "s1:71"',
      'LMSGetValue("cmi.core.lesson_location") -> "5"',
      'LMSSetValue("cmi.core.lesson_location", "5") -> "true"',
      'LMSSetValue("cmi.core.lesson_location", "4") -> "true"',
      'LMSSetValue("cmi.suspend_data", "s1:f1") -> "true"',
      'LMSSetValue("cmi.core.lesson_status", "completed") -> "true"',
      'LMSCommit("") -> "true"',
      'LMSSetValue("cmi.core.exit", "") -> "true"',
      'LMSSetValue("cmi.core.session_time", HHHH:MM:SS.SS) -> "true"',
      'LMSCommit("") -> "true"',
      'LMSFinish("") -> "true"',
    ]);
    assert.deepEqual(again.errors, []);
    assert.deepEqual(again.requests.filter((url) => !url.startsWith(PLATFORM)), []);
  } finally {
    await again.context.close();
  }
});

test('a platform that refuses a value: the error is looked up and the slides go on', async () => {
  const refusing = await visit();
  try {
    // A platform whose data model refuses locations: every move still happens.
    await refusing.page.evaluate(() => {
      const set = window.API.LMSSetValue;
      window.API.LMSSetValue = (element, value) => (element === 'cmi.core.lesson_location' ? 'false' : set(element, value));
    });
    await refusing.key('ArrowRight');
    await refusing.key('ArrowRight');
    assert.equal(await refusing.current(), 3);
    const noted = await refusing.frame.evaluate(() => window.orvantaTwin.scorm.errors);
    assert.equal(noted.length, 2);
    assert.match(noted[0], /^LMSSetValue\(cmi\.core\.lesson_location\): \d+/);
    assert.ok((await refusing.calls()).filter((c) => c[0] === 'LMSGetLastError').length >= 2);
    assert.deepEqual(refusing.errors, []);
  } finally {
    await refusing.context.close();
  }
});

test('without a platform the package\'s page plays as a plain HTML5 version: no request, no error', async () => {
  const { dir } = lesson();
  const twin = await openTwin(browser, path.join(dir, 'index.html'));
  try {
    await twin.page.keyboard.press('ArrowRight');
    await twin.page.waitForFunction(() => window.orvantaTwin.player.state.current === 2);
    assert.equal(await twin.page.evaluate(() => window.orvantaTwin.scorm), undefined);
    assert.deepEqual([twin.errors, twin.blocked], [[], []]);
  } finally {
    await twin.close();
  }
});
