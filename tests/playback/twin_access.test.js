'use strict';
// The HTML5 twin for everyone (WCAG 2.1 AA), in Chromium: axe-core finds no
// violation in any state (first slide, after a move, text view, slide list,
// search, a 320-pixel window), the keyboard reaches and leaves every control,
// the deck's words reach a screen reader, search and list open slides, and
// reduced motion drops the fade. On a deck the test writes (named in Chinese),
// a corpus deck and a picture folder.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { env, artifact, freshDir, skipForMissing } = require('./lib/env');
const { convertFolder, convertPresentation } = require('./lib/movies');
const { writeFlatDeck } = require('./lib/deck');
const { decodePng } = require('./lib/png');
const { slideColour, colourDistance } = require('./lib/slides');
const { twinBrowser, twinOf } = require('./lib/twin');

const AXE_SOURCE = fs.readFileSync(require.resolve('axe-core/axe.min.js'), 'utf8');
const AXE_VERSION = require('axe-core/package.json').version;
const openTwin = twinBrowser();

// Each twin is made once, by the first test that needs it; { unavailable } without LibreOffice or the corpus.
function once(make) {
  let made;
  return () => (made ??= make());
}
function presentationTwin(name, deck, options) {
  if (!fs.existsSync(deck)) return { unavailable: `the presentation ${deck} is absent` };
  const made = convertPresentation(name, deck, { options: ['--html5', ...options] });
  return made.unavailable ? made : { twin: twinOf(made.swf) };
}
// Slides: help, Welcome, its notes slide, Agenda, Q&A, Thanks, end.
const deckTwin = once(() => presentationTwin('access-deck', writeFlatDeck(
  path.join(freshDir('access-deck-source'), '年度 报告 café.fodp'), [
    { title: 'Welcome', paragraphs: ['A year of work in four slides.'], notes: ['Greet the room.'] },
    { title: 'Agenda', bullets: ['Budget', 'Hiring', 'Roadmap'], table: [['Quarter', 'Revenue'], ['Q1', '12'], ['Q2', '15']] },
    { title: 'Q&A', paragraphs: ['Ask us anything.'] },
    { title: 'Thanks' },
  ]), ['--notes', '--help-slide', '--blank-end']));
const corpusTwin = once(() => presentationTwin('access-corpus',
  path.join(env.sharedDir, 'corpus', 'ppt', '54880_chinese.ppt'), []));
// No text at all; the panel shown, so that its buttons are in the Tab order.
const pictureTwin = once(() => ({ twin: twinOf(convertFolder('access-pictures', { slides: 4, options: ['--show-nav'] }).swf) }));

/** axe-core on the page as it stands: prints the counts, fails on any violation. */
async function audit(page, label) {
  if (!(await page.evaluate(() => typeof window.axe === 'object'))) await page.evaluate(AXE_SOURCE);
  const result = await page.evaluate(() => window.axe.run(document, {
    runOnly: { type: 'tag', values: ['wcag2a', 'wcag2aa', 'wcag21a', 'wcag21aa'] }, resultTypes: ['violations'],
  }));
  const where = (rule) => `${rule.id} at ${rule.nodes.slice(0, 4).map((n) => n.target.join(' ')).join(', ')}`;
  console.log(`axe-core ${AXE_VERSION}: ${label}: ${result.violations.length} violations ` +
    `(${result.passes.length} rules passed; to review: ${result.incomplete.map(where).join('; ') || 'none'})`);
  assert.deepEqual(result.violations.map(where), [], label);
}

const current = (page) => page.evaluate(() => window.orvantaTwin.player.state.current);
const auto = (page) => page.evaluate(() => window.orvantaTwin.player.state.auto);
const settle = (page) => page.waitForFunction(() => document.getAnimations().length === 0);
const shown = (page) => page.evaluate(() => (document.getElementById('sheet').hidden ? null
  : ['text', 'list', 'search'].find((name) => !document.getElementById(`pane-${name}`).hidden)));
const focused = (page) => page.evaluate(() => {
  const el = document.activeElement;
  return el.id || (el.closest('ol') ? `${el.closest('ol').id}:${el.getAttribute('data-slide')}` : el.tagName);
});
/** Presses each key after the fade of the one before, so that no move is refused. */
async function keys(page, ...names) {
  for (const name of names) {
    await settle(page);
    await page.keyboard.press(name);
  }
}
async function search(page, words) {
  await keys(page, '/');
  await page.fill('#query', '');
  await page.keyboard.type(words);
  return page.$$eval('#hits button', (buttons) => buttons.map((b) => Number(b.getAttribute('data-slide'))));
}

// Every state a reader meets, audited, with screenshots of the panels.
const AUDITED = [['deck', deckTwin, 'q&a'], ['corpus', corpusTwin, 'ハンカク'], ['pictures', pictureTwin, '2']];
for (const [label, make, words] of AUDITED) {
  test(`axe-core finds no violation in any state of the ${label} twin`, async (t) => {
    const { twin: file, unavailable } = make();
    if (unavailable) return skipForMissing(t, unavailable);
    console.log(`${label}: twin ${fs.statSync(file).size} bytes`);
    const twin = await openTwin(file);
    const { page } = twin;
    try {
      await audit(page, `${label}, first slide`);
      await keys(page, 'ArrowRight');
      await settle(page);
      await audit(page, `${label}, after navigation`);
      for (const [key, pane, state] of [['t', 'text', 'text view'], ['l', 'list', 'slide list']]) {
        await keys(page, key);
        assert.equal(await shown(page), pane);
        await page.waitForFunction(() => [...document.querySelectorAll('#list img')].slice(0, 3).every((i) => i.complete));
        await audit(page, `${label}, ${state}`);
        await page.screenshot({ path: artifact(`access-${label}-${pane}.png`) });
        await keys(page, 'Escape');
      }
      // Full-width katakana find the corpus deck's half-width ones; a number its slide.
      assert.ok((await search(page, words)).length > 0, `"${words}" finds a slide`);
      await audit(page, `${label}, search with hits`);
      await page.screenshot({ path: artifact(`access-${label}-search.png`) });
      assert.deepEqual([twin.errors, twin.blocked], [[], []]);
    } finally {
      await twin.close();
    }

    // A phone held upright: everything reflows into 320 CSS pixels, nothing scrolls sideways.
    const narrow = await openTwin(file, { viewport: { width: 320, height: 568 } });
    try {
      for (const state of ['', ', text view']) {
        if (state) await keys(narrow.page, 't');
        const right = await narrow.page.evaluate(() => Math.max(document.documentElement.scrollWidth,
          ...[...document.querySelectorAll('#aids button, #sheet')].map((e) => e.getBoundingClientRect().right)));
        assert.ok(right <= 320, `${state}: ${right} pixels wide`);
        await audit(narrow.page, `${label}, 320 pixels wide${state}`);
      }
      await narrow.page.screenshot({ path: artifact(`access-${label}-320px.png`) });
    } finally {
      await narrow.close();
    }
  });
}

test('the deck\'s words reach the reader: alt, description, announcements and the text view', async (t) => {
  const { twin: file, unavailable } = deckTwin();
  if (unavailable) return skipForMissing(t, unavailable);
  const twin = await openTwin(file);
  const { page } = twin;
  try {
    assert.deepEqual(await page.$$eval('img.slide', (imgs) => imgs.map((i) => i.alt)), ['Slide 1 of 7',
      'Slide 2 of 7: Welcome', 'Slide 3 of 7: Speaker Notes', 'Slide 4 of 7: Agenda', 'Slide 5 of 7: Q&A',
      'Slide 6 of 7: Thanks', 'Slide 7 of 7']);
    assert.match(await page.getAttribute('html', 'lang'), /^en\b/);

    // What a screen reader gets of the picture on screen: its name and its description.
    const cdp = await page.context().newCDPSession(page);
    await cdp.send('Accessibility.enable');
    const spoken = async () => {
      const { nodes } = await cdp.send('Accessibility.getFullAXTree');
      const [picture, ...more] = nodes.filter((node) => !node.ignored && node.role?.value === 'image' &&
        /^Slide \d+ of/.test(node.name?.value ?? ''));
      assert.equal(more.length, 0, 'one slide picture is on screen');
      return `${picture.name.value} | ${picture.description?.value}`;
    };
    const help = await spoken();
    for (const words of ['Slide 1 of 7 | ', 'Left arrow or Backspace', 'Right arrow, Space or Enter',
      'Up arrow, Page Up or Home', 'Down arrow, Page Down or End', 'Automatic playback on or off, P', 'click on the left']) {
      assert.ok(help.includes(words), `the help slide: ${help}`);
    }
    await keys(page, 'ArrowRight');
    await settle(page);
    assert.equal(await spoken(), 'Slide 2 of 7: Welcome | Welcome A year of work in four slides. Notes Greet the room.');

    // Each move is announced with the slide's number and title.
    const announced = [await page.textContent('#live')];
    for (let k = 3; k <= 7; k++) {
      await keys(page, 'ArrowRight');
      announced.push(await page.textContent('#live'));
    }
    assert.deepEqual(announced, ['Slide 2 of 7: Welcome', 'Slide 3 of 7: Speaker Notes', 'Slide 4 of 7: Agenda',
      'Slide 5 of 7: Q&A', 'Slide 6 of 7: Thanks', 'Slide 7 of 7: End of the slides']);

    // The text view: real, selectable text in the page's own pixels, notes under it; it follows the slide.
    const view = () => page.evaluate(() => {
      const body = document.getElementById('text-body');
      const style = getComputedStyle(body.querySelector('p, h3'));
      return [document.getElementById('text-where').textContent, body.innerText.replace(/\n+/g, ' | '),
        `${style.fontSize} ${style.userSelect} ${!!body.closest('#frame')}`];
    });
    await keys(page, 'Home', 'ArrowRight', 't');
    assert.deepEqual(await view(), ['Slide 2 of 7', 'Welcome | A year of work in four slides. | Notes | Greet the room.',
      '20px auto false']);
    for (let k = 0; k < 2; k++) {
      await settle(page);
      await page.click('#text-next');
    }
    assert.deepEqual((await view()).slice(0, 2), ['Slide 4 of 7',
      'Agenda | Budget | Hiring | Roadmap | Quarter | Revenue | Q1 | 12 | Q2 | 15']);
    await settle(page);
    await page.mouse.click(40, 240);  // the left third of the frame beside the sheet: back
    assert.equal((await view())[0], 'Slide 3 of 7');
    await keys(page, 'Escape', 'End', 't');
    assert.deepEqual((await view()).slice(0, 2), ['Slide 7 of 7', 'End of the slides']);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('search and the list open their slides; the search reads titles, bullets, cells and notes', async (t) => {
  const { twin: file, unavailable } = deckTwin();
  if (unavailable) return skipForMissing(t, unavailable);
  const twin = await openTwin(file);
  const { page } = twin;
  try {
    assert.deepEqual(await search(page, 'Q&A'), [5]);
    assert.equal(await page.textContent('#found'), 'Slides found: 1');
    await keys(page, 'Enter');
    assert.equal(await current(page), 5);
    assert.equal(await page.textContent('#live'), 'Slide 5 of 7: Q&A');
    assert.equal(await shown(page), 'search', 'the hits stay listed');
    const cases = [['revenue q2', [4]], ['AGENDA budget', [4]], ['greet', [2, 3]], ['hiring thanks', []], ['7', [7]]];
    for (const [words, want] of cases) assert.deepEqual(await search(page, words), want, words);
    await search(page, 'greet');
    await keys(page, 'ArrowDown', 'ArrowDown');
    assert.equal(await focused(page), 'hits:3');
    await keys(page, 'Enter');
    assert.equal(await current(page), 3);

    // The list starts on the slide shown; the arrows move, Enter opens the slide and closes the list.
    await keys(page, 'Escape', 'l');
    assert.equal(await focused(page), 'list:3');
    assert.deepEqual(await page.$$eval('#list button', (buttons) => buttons.map((b) =>
      `${b.innerText.replace(/\s+/g, ' ')}${b.getAttribute('aria-current') ? ' (current)' : ''}` +
      `${b.querySelector('img').src === document.querySelectorAll('img.slide')[b.dataset.slide - 1].src ? '' : ' (other picture)'}`)),
    ['1 How to move through the slides', '2 Welcome', '3 Speaker Notes (current)', '4 Agenda', '5 Q&A', '6 Thanks',
      '7 End of the slides']);
    await keys(page, 'Home', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter');
    assert.equal(await current(page), 4);
    assert.equal(await shown(page), null);
    await keys(page, 'l', 'End', 'ArrowUp', 'Enter');
    assert.equal(await current(page), 6);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('keyboard only: Tab reaches every control with a visible ring, Esc closes, the keys work again', async () => {
  const twin = await openTwin(pictureTwin().twin);
  const { page } = twin;
  try {
    const order = [];
    for (let k = 0; k < 5; k++) {
      await keys(page, 'Tab');
      order.push(await focused(page));
      const ring = await page.evaluate(() => {
        const style = getComputedStyle(document.activeElement);
        return `${style.outlineStyle} ${style.outlineWidth} ${style.outlineColor}`;
      });
      assert.equal(ring, 'solid 2px rgb(255, 210, 74)', `the ring on ${order[k]}`);
      if (order[k] === 'open-list') await page.screenshot({ path: artifact('access-focus-ring.png') });
    }
    assert.deepEqual(order, ['next', 'auto', 'open-text', 'open-list', 'open-search'], 'PREV is dimmed on slide 1');

    // The text view from its button: the focus goes in and letters stay there; Esc gives it back.
    await keys(page, 'Shift+Tab', 'Shift+Tab', 'Enter');
    assert.deepEqual([await shown(page), await focused(page)], ['text', 'pane-text']);
    assert.equal(await page.textContent('#text-body'), 'This slide has no text.');
    await keys(page, 'l', '/', 'p', 'ArrowRight', 'End');
    assert.deepEqual([await shown(page), await current(page), await auto(page)], ['text', 1, false]);
    await keys(page, 'Escape');
    assert.deepEqual([await shown(page), await focused(page)], [null, 'open-text']);
    await keys(page, 'ArrowRight');
    assert.equal(await current(page), 2, 'the player\'s keys work again');

    // No trap: Tab leads through the sheet and out, where the keys work while it stays open.
    await keys(page, 'Enter');
    const tabs = [];
    while (tabs.length < 8 && tabs[tabs.length - 1] !== 'next') {
      await keys(page, 'Tab');
      tabs.push(await focused(page));
    }
    assert.deepEqual([tabs[0], tabs[1], tabs[tabs.length - 1]], ['text-prev', 'text-next', 'next'], tabs.join());
    await keys(page, 'ArrowRight');
    assert.deepEqual([await current(page), await page.textContent('#text-where')], [3, 'Slide 3 of 4']);
    await keys(page, 'Escape', 'ArrowLeft');
    assert.deepEqual([await shown(page), await current(page)], [null, 2]);

    // Opened by their keys, closed by Esc: no focus is left behind, so even Space moves on.
    await page.evaluate(() => document.activeElement.blur());
    for (const key of ['t', 'l', '/']) {
      await keys(page, key);
      assert.notEqual(await shown(page), null, key);
      await keys(page, 'Escape');
    }
    assert.deepEqual(await page.$$eval('#list button', (buttons) => buttons.map((b) => b.innerText)),
      ['Slide 1 of 4', 'Slide 2 of 4', 'Slide 3 of 4', 'Slide 4 of 4'], 'untitled slides go by their numbers');
    assert.deepEqual(await search(page, 'ptl'), []);
    assert.deepEqual([await shown(page), await page.textContent('#found')], ['search', 'Slides found: 0']);
    await keys(page, 'Escape', 'Space');
    assert.equal(await current(page), 3);

    // Automatic playback waits while a sheet is open and goes on after it.
    await keys(page, 'Home', 'p', 't');
    assert.equal(await auto(page), false, 'paused by the text view');
    await keys(page, 'Escape');
    assert.equal(await auto(page), true, 'playing again');
    await page.click('#open-list');
    assert.equal(await auto(page), false, 'paused by the list');
    await page.click('#open-list');
    assert.equal(await auto(page), true);
    await keys(page, 'p');

    // Without text a number finds its slide.
    assert.deepEqual(await search(page, '4'), [4]);
    await keys(page, 'Enter');
    assert.equal(await current(page), 4);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('under the Chinese interface the labels speak Chinese and say so amid an English deck', async (t) => {
  const { twin: file, unavailable } = presentationTwin('access-deck-zh', writeFlatDeck(
    path.join(freshDir('access-deck-zh-source'), '.课程 第一讲.fodp'), [
      { title: 'Welcome', paragraphs: ['A year of work.'] },
      { title: 'Thanks' },
    ]), ['--help-slide', '--language', 'zh']);
  if (unavailable) return skipForMissing(t, unavailable);
  const twin = await openTwin(file);
  const { page } = twin;
  try {
    assert.match(await page.getAttribute('html', 'lang'), /^en\b/);
    assert.deepEqual(await page.$$eval('img.slide', (imgs) => imgs.map((i) => i.alt)),
      ['第 1 张，共 3 张', '第 2 张，共 3 张: Welcome', '第 3 张，共 3 张: Thanks']);
    assert.deepEqual(await page.$$eval('#panel, #aids, #say', (els) => els.map((e) => e.lang)), ['zh-CN', 'zh-CN', 'zh-CN']);
    assert.equal(await page.textContent('#auto'), '自动播放');
    await audit(page, 'Chinese labels, first slide');
    await keys(page, 'ArrowRight');
    assert.equal(await page.textContent('#live'), '第 2 张，共 3 张: Welcome');
    await keys(page, 't');
    assert.equal(await page.textContent('#sheet-title'), '幻灯片文字');
    await audit(page, 'Chinese labels, text view');
    await page.screenshot({ path: artifact('access-deck-zh-text.png') });
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('with reduced motion asked for, the next slide is fully shown at once and no move is refused', async () => {
  const twin = await openTwin(pictureTwin().twin, { context: { reducedMotion: 'reduce' } });
  const { page } = twin;
  try {
    await page.keyboard.press('ArrowRight');
    assert.equal(await page.evaluate(() => document.getAnimations().length), 0);
    const seen = decodePng(await page.screenshot()).pixel(60, 60);
    assert.ok(colourDistance(seen, slideColour(2)) <= 28, `slide 2 at once, not ${seen}`);
    await page.keyboard.press('ArrowRight');
    await page.keyboard.press('ArrowRight');
    assert.equal(await current(page), 4, 'moves in quick succession all count');
    const moves = await page.evaluate(() => window.orvantaTwin.log.filter((e) => e.type === 'goto' || e.type === 'refused'));
    assert.deepEqual(moves.map((e) => `${e.type} ${e.fade}`), ['goto false', 'goto false', 'goto false']);

    // The movie's fade comes back with the setting.
    await page.emulateMedia({ reducedMotion: 'no-preference' });
    await page.waitForFunction(() => window.orvantaTwin.config.fade);
    await page.keyboard.press('Home');
    assert.ok(await page.evaluate(() => document.getAnimations().length) > 0, 'the fade');
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});
