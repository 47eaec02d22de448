'use strict';
// The HTML5 twin for everyone (WCAG 2.1 AA), in Chromium: axe-core finds no
// violation in any state (first slide, after a move, text view, slide list,
// search, notes, a 320-pixel window), the keyboard reaches and leaves every
// control, the deck's words and structure reach a screen reader, the notes
// sit in their panel, search and list open slides, and reduced motion drops
// the fade. On decks the test writes (named in Chinese and Korean), a corpus
// deck and a picture folder. The output folder's index page, after two runs
// into one folder, in the same browser and by the same rules.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { env, artifact, freshDir, skipForMissing } = require('./lib/env');
const { convertFolder, convertPresentation } = require('./lib/movies');
const { writeFlatDeck, frames } = require('./lib/deck');
const { decodePng } = require('./lib/png');
const { slideColour, colourDistance } = require('./lib/slides');
const { twinBrowser, twinOf } = require('./lib/twin');
const { spawnSync } = require('node:child_process');
const { pathToFileURL, fileURLToPath } = require('node:url');
const { OFFICE_NOT_INSTALLED } = require('./lib/env');

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
// Slides: help, Welcome (its notes beside it), Agenda, Q&A, Thanks, end.
const deckTwin = once(() => presentationTwin('access-deck', writeFlatDeck(
  path.join(freshDir('access-deck-source'), '年度 报告 café.fodp'), [
    { title: 'Welcome', paragraphs: ['A year of work in four slides.'], notes: ['Greet the room.'] },
    { title: 'Agenda', bullets: ['Budget', 'Hiring', 'Roadmap'], table: [['Quarter', 'Revenue'], ['Q1', '12'], ['Q2', '15']] },
    { title: 'Q&A', paragraphs: ['Ask us anything.'] },
    { title: 'Thanks' },
  ]), ['--notes', '--help-slide', '--blank-end']));
// Every kind of structure a deck holds, through LibreOffice: a two-level
// bulleted list, a numbered list, a picture with its title and description,
// a 3 x 3 table with a header row, links, a Korean paragraph, and a slide
// whose only text is in text boxes.
const structureTwin = once(() => presentationTwin('access-structure', writeFlatDeck(
  path.join(freshDir('access-structure-source'), '구조 deck.fodp'), [
    { title: 'Structure', bullets: [['Level one', ['Level two a', 'Level two b']], 'Another top'],
      frames: [frames.numbered(2, 12, ['First step', 'Second step']),
        frames.picture(20, 12, 'Enrolment chart', 'Enrolment rose from 120 to 180.')],
      notes: ['Say hello first.', 'Then show the chart.'] },
    { title: 'Table and links',
      frames: [frames.table(2, 5, [['Year', 'Students', 'Staff'], ['2023', '120', '9'], ['2024', '180', '11']]),
        frames.textBox(2, 12, [['Read ', { text: 'the guide', href: 'https://example.org/guide' }, ', ',
          { text: 'mail us', href: 'mailto:team@example.org' }, ' or ', { text: 'run this', href: 'javascript:alert(1)' }]]),
        frames.textBox(2, 15, [[{ text: '한국어로 된 문단입니다', lang: 'ko' }]])] },
    { frames: [frames.textBox(2, 8, ['We won\u2019t stop at the lower box.']),
      frames.textBox(2, 1, ['Week 3: Sorting', 'Merge sort and quick sort'])] },
  ]), ['--notes']));
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
  : ['text', 'notes', 'list', 'search'].find((name) => !document.getElementById(`pane-${name}`).hidden)));
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
const AUDITED = [['deck', deckTwin, 'q&a'], ['structure', structureTwin, "won't"], ['corpus', corpusTwin, 'ハンカク'],
  ['pictures', pictureTwin, '2']];
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
      if (await page.$('#open-notes')) {
        await keys(page, 'n');
        assert.equal(await shown(page), 'notes');
        await audit(page, `${label}, notes panel`);
        await page.screenshot({ path: artifact(`access-${label}-notes.png`) });
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
    assert.deepEqual(await page.$$eval('img.slide', (imgs) => imgs.map((i) => i.alt)), ['Slide 1 of 6',
      'Slide 2 of 6: Welcome', 'Slide 3 of 6: Agenda', 'Slide 4 of 6: Q&A', 'Slide 5 of 6: Thanks', 'Slide 6 of 6']);
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
    for (const words of ['Slide 1 of 6 | ', 'Left arrow or Backspace', 'Right arrow, Space or Enter',
      'Up arrow, Page Up or Home', 'Down arrow, Page Down or End', 'Automatic playback on or off, P', 'click on the left']) {
      assert.ok(help.includes(words), `the help slide: ${help}`);
    }
    await keys(page, 'ArrowRight');
    await settle(page);
    // The notes are no longer part of what describes the slide.
    assert.equal(await spoken(), 'Slide 2 of 6: Welcome | Welcome A year of work in four slides.');

    // Each move is announced with the slide's number and title.
    const announced = [await page.textContent('#live')];
    for (let k = 3; k <= 6; k++) {
      await keys(page, 'ArrowRight');
      announced.push(await page.textContent('#live'));
    }
    assert.deepEqual(announced, ['Slide 2 of 6: Welcome', 'Slide 3 of 6: Agenda', 'Slide 4 of 6: Q&A',
      'Slide 5 of 6: Thanks', 'Slide 6 of 6: End of the slides']);

    // The text view: real, selectable text in the page's own pixels; it follows the slide.
    const view = () => page.evaluate(() => {
      const body = document.getElementById('text-body');
      const style = getComputedStyle(body.querySelector('p, h3'));
      return [document.getElementById('text-where').textContent, body.innerText.replace(/[\n\t]+/g, ' | '),
        `${style.fontSize} ${style.userSelect} ${!!body.closest('#frame')}`];
    });
    await keys(page, 'Home', 'ArrowRight', 't');
    assert.deepEqual(await view(), ['Slide 2 of 6', 'Welcome | A year of work in four slides.', '20px auto false']);
    await settle(page);
    await page.click('#text-next');
    assert.deepEqual((await view()).slice(0, 2), ['Slide 3 of 6',
      'Agenda | Budget | Hiring | Roadmap | Quarter | Revenue | Q1 | 12 | Q2 | 15']);
    await settle(page);
    await page.mouse.click(40, 240);  // the left third of the frame beside the sheet: back
    assert.equal((await view())[0], 'Slide 2 of 6');
    await keys(page, 'Escape', 'End', 't');
    assert.deepEqual((await view()).slice(0, 2), ['Slide 6 of 6', 'End of the slides']);
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('the deck\'s structure reaches the reader: lists, a table, a picture, links, languages, titles', async (t) => {
  const { twin: file, unavailable } = structureTwin();
  if (unavailable) return skipForMissing(t, unavailable);
  const twin = await openTwin(file, { viewport: { width: 1000, height: 600 } });
  const { page } = twin;
  try {
    // A title for every slide: the third has only text boxes, the topmost names it.
    assert.deepEqual(await page.$$eval('img.slide', (imgs) => imgs.map((i) => i.alt)),
      ['Slide 1 of 3: Structure', 'Slide 2 of 3: Table and links', 'Slide 3 of 3: Week 3: Sorting']);
    assert.match(await page.getAttribute('html', 'lang'), /^en\b/);
    const body = () => page.$eval('#text-body', (b) => {
      const tags = (el) => [el.tagName.toLowerCase() + (el.lang ? `[${el.lang}]` : ''),
        ...[...el.children].map(tags)].flat();
      return { tags: tags(b.firstElementChild).join(' '), text: b.innerText.replace(/[\n\t]+/g, ' | '),
        links: [...b.querySelectorAll('a')].map((a) => `${a.textContent} ${a.href}`),
        headers: [...b.querySelectorAll('th')].map((th) => `${th.textContent}:${th.scope}`) };
    });
    await keys(page, 't');
    const first = await body();
    assert.equal(first.tags, 'div h3 ul li ul li li li ol li li p span', first.tags);
    assert.equal(first.text, 'Structure | Level one | Level two a | Level two b | Another top | First step | ' +
      'Second step | Picture: Enrolment chart. Enrolment rose from 120 to 180.');
    await audit(page, 'structure, lists and a picture in the text view');
    await page.screenshot({ path: artifact('access-structure-text-lists.png') });
    await keys(page, 'Escape', 'ArrowRight', 't');
    const second = await body();
    assert.deepEqual(second.headers, ['Year:col', 'Students:col', 'Staff:col']);
    assert.match(second.text, /2023 \| 120 \| 9 \| 2024 \| 180 \| 11/);
    assert.deepEqual(second.links, ['the guide https://example.org/guide', 'mail us mailto:team@example.org'],
      'a script link stays text');
    assert.match(second.text, /or run this/);
    assert.ok(second.tags.includes('p[ko-KR]'), second.tags);
    await page.screenshot({ path: artifact('access-structure-text-table.png') });
    await keys(page, 'Escape', 'ArrowRight', 't');
    assert.equal((await body()).text, 'Week 3: Sorting | Merge sort and quick sort | We won\u2019t stop at the lower box.');

    // Search folds the typed apostrophe and shows where the words stand.
    await keys(page, 'Escape');
    assert.deepEqual(await search(page, "won't"), [3]);
    assert.equal(await page.$eval('#hits .context', (c) => c.textContent), '\u2026Sorting Merge sort and quick sort We won\u2019t stop at the lower box.');
    assert.equal(await page.$eval('#hits mark', (m) => m.textContent), 'won\u2019t');
    assert.deepEqual(twin.errors, []);
  } finally {
    await twin.close();
  }
});

test('the notes beside their slide: key N, the button, announced, and no notes slides', async (t) => {
  const { twin: file, unavailable } = structureTwin();
  if (unavailable) return skipForMissing(t, unavailable);
  const twin = await openTwin(file, { viewport: { width: 1000, height: 600 } });
  const { page } = twin;
  try {
    assert.equal(await page.evaluate(() => window.orvantaTwin.count), 3, 'the movie\'s notes slide is not a slide here');
    assert.equal(await page.getAttribute('#open-notes', 'aria-keyshortcuts'), 'N');
    await keys(page, 'n');
    assert.deepEqual([await shown(page), await focused(page)], ['notes', 'pane-notes']);
    assert.equal(await page.getAttribute('#notes-body', 'aria-live'), 'polite');
    const notes = () => page.evaluate(() => [document.getElementById('notes-where').textContent,
      document.getElementById('notes-body').innerText.replace(/\n+/g, ' | ')]);
    assert.deepEqual(await notes(), ['Slide 1 of 3: Structure', 'Say hello first. | Then show the chart.']);
    await page.screenshot({ path: artifact('access-structure-notes-panel.png') });
    // The notes follow the slide; a slide without notes says so.
    await settle(page);
    await page.click('#notes-next');
    assert.deepEqual(await notes(), ['Slide 2 of 3: Table and links', 'This slide has no notes.']);
    assert.equal(await page.textContent('#live'), 'Slide 2 of 3: Table and links');
    await keys(page, 'Escape');
    assert.equal(await shown(page), null);
    await page.click('#open-notes');
    assert.equal(await shown(page), 'notes');
    await audit(page, 'structure, notes panel from its button');
    // The notes are not read as part of the slide.
    assert.equal(await page.evaluate(() => document.getElementById('d1').textContent.includes('Say hello')), false);
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
    assert.deepEqual(await search(page, 'Q&A'), [4]);
    assert.equal(await page.textContent('#found'), 'Slides found: 1');
    await keys(page, 'Enter');
    assert.equal(await current(page), 4);
    assert.equal(await page.textContent('#live'), 'Slide 4 of 6: Q&A');
    assert.equal(await shown(page), 'search', 'the hits stay listed');
    const cases = [['revenue q2', [3]], ['AGENDA budget', [3]], ['greet', [2]], ['hiring thanks', []], ['6', [6]]];
    for (const [words, want] of cases) assert.deepEqual(await search(page, words), want, words);
    await search(page, 'greet');
    await keys(page, 'ArrowDown');
    assert.equal(await focused(page), 'hits:2');
    await keys(page, 'Enter');
    assert.equal(await current(page), 2);

    // The list starts on the slide shown; the arrows move, Enter opens the slide and closes the list.
    await keys(page, 'Escape', 'l');
    assert.equal(await focused(page), 'list:2');
    assert.deepEqual(await page.$$eval('#list button', (buttons) => buttons.map((b) =>
      `${b.innerText.replace(/\s+/g, ' ')}${b.getAttribute('aria-current') ? ' (current)' : ''}` +
      `${b.querySelector('img').src === document.querySelectorAll('img.slide')[b.dataset.slide - 1].src ? '' : ' (other picture)'}`)),
    ['1 How to move through the slides', '2 Welcome (current)', '3 Agenda', '4 Q&A', '5 Thanks',
      '6 End of the slides']);
    await keys(page, 'Home', 'ArrowDown', 'ArrowDown', 'ArrowDown', 'Enter');
    assert.equal(await current(page), 4);
    assert.equal(await shown(page), null);
    await keys(page, 'l', 'End', 'ArrowUp', 'Enter');
    assert.equal(await current(page), 5);
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

// Two runs of the command line into one folder, the second in Chinese and
// without HTML5 versions: its page lists both, links only what is there, and
// every link and thumbnail resolves from the file.
test('the output folder\'s index page lists both runs, its links and thumbnails resolve, axe-core is content', async (t) => {
  const out = freshDir('index-page');
  const sources = freshDir('index-page-source');
  const first = writeFlatDeck(path.join(sources, '年度 报告 v1.2.fodp'), [
    { title: 'Budget <2025> & "plans"', paragraphs: ['Numbers.'] }, { title: 'Thanks' }]);
  const second = writeFlatDeck(path.join(sources, '.课程 第二讲.fodp'), [
    { title: 'Sorting' }, { title: 'Merge' }, { title: 'Quick' }]);
  const convert = (language, options, deck) => {
    const args = ['--language', language, 'convert', '--store', path.join(out, 'settings.json'), '--output-dir', out,
      '--no-web-player', '--blank-end', ...options, deck];
    const result = spawnSync(env.cli, args, { encoding: 'utf8', timeout: 600000,
      env: { ...process.env, XDG_CONFIG_HOME: out, TMPDIR: out } });
    return { ...result, args };
  };
  const runs = [convert('en', ['--html5', '--scorm'], first), convert('zh', ['--no-html5'], second)];
  const missing = runs.map((r) => OFFICE_NOT_INSTALLED.exec(r.stderr)).find(Boolean);
  if (missing) return skipForMissing(t, missing[0]);
  for (const run of runs) assert.equal(run.status, 0, `${run.args.join(' ')}\n${run.stdout}${run.stderr}`);

  const index = path.join(out, 'index.html');
  const thumbnails = fs.readdirSync(out).filter((name) => name.endsWith('-thumb.jpg')).map((n) => path.join(out, n));
  assert.equal(thumbnails.length, 2);
  const twin = await openTwin(index, { viewport: { width: 900, height: 700 }, allow: thumbnails, beforeLoad: () => {} });
  const { page } = twin;
  try {
    await page.waitForFunction(() => [...document.images].every((img) => img.complete));
    assert.equal(await page.getAttribute('html', 'lang'), 'zh-CN', 'the last run\'s language');
    const cards = await page.$$eval('ul.decks > li', (items) => items.map((li) => ({
      title: li.querySelector('h2').textContent,
      slides: li.querySelector('p:not(.file)').textContent,
      links: [...li.querySelectorAll('.links a')].map((a) => a.firstChild.textContent),
      hrefs: [...li.querySelectorAll('a')].map((a) => a.href),
      thumbnail: li.querySelector('img').src,
      width: li.querySelector('img').naturalWidth,
    })));
    assert.deepEqual(cards.map((c) => [c.title, c.slides, c.links.join(',')]), [
      ['.课程 第二讲.fodp', '3 张幻灯片', '网页'],
      ['Budget <2025> & "plans"', '2 张幻灯片', 'HTML5 版本,网页,SCORM 课件包'],
    ]);
    for (const card of cards) {
      assert.ok(card.width > 0, `${card.thumbnail} decodes`);
      for (const href of [card.thumbnail, ...card.hrefs]) {
        assert.ok(href.startsWith(pathToFileURL(out).href), href);
        assert.ok(fs.existsSync(fileURLToPath(href)), `${href} is on disk`);
      }
    }
    await audit(page, 'index page');
    await page.screenshot({ path: artifact('index-page.png'), fullPage: true });
    assert.deepEqual([twin.errors, twin.blocked], [[], []]);
  } finally {
    await twin.close();
  }
});
