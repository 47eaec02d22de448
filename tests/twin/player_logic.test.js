'use strict';
// The twin's slide state machine, driven with made-up times.
const test = require('node:test');
const assert = require('node:assert/strict');
const path = require('node:path');

const Logic = require(path.join(__dirname, '..', '..', 'resources', 'fixed', '221.JS.js'));

const DOC = (init, config, entries = '') =>
  `<init${init}></init><config${config}>${entries}</config>`;
const BASE_INIT = ' showMenu="true" scaleMode="noScale" frameWidth="640" frameHeight="480"';
function cfg({ nav = false, auto = false, loop = false, fade = true, fix = '3', delays = [] } = {}) {
  const entries = delays.map((d) => `<slideProp delay="${d}"></slideProp>`).join('');
  return Logic.parseConfig(DOC(BASE_INIT,
    ` showNavPanel="${nav}" autoStart="${auto}" loop="${loop}" transAnim="${fade ? 'fade' : 'none'}" fixDelay="${fix}"`,
    entries));
}

function make(count, config) {
  const events = [];
  const player = Logic.createPlayer(count, config, (e) => events.push(e));
  const gotos = () => events.filter((e) => e.type === 'goto').map((e) => e.slide);
  return { player, events, gotos };
}

test('the configuration document gives the values the movie reads', () => {
  const c = Logic.parseConfig(
    '<init align="TL" showMenu="false" scaleMode="showAll" frameWidth="800" frameHeight="600"></init>' +
    '<config showNavPanel="true" autoStart="true" loop="true" transAnim="none" fixDelay="-1">' +
    '<slideProp delay="3"></slideProp><slideProp delay="5"></slideProp><slideProp delay="x"></slideProp></config>');
  assert.deepEqual(c, {
    alignTopLeft: true, showMenu: false, scale: true, width: 800, height: 600, showNav: true,
    autoStart: true, loop: true, fade: false, perSlide: true, fixedDelay: -1, delays: [3, 5, 0],
  });
  const plain = cfg({ fix: '7' });
  assert.equal(plain.alignTopLeft, false);
  assert.equal(plain.perSlide, false);
  assert.equal(plain.fixedDelay, 7);
  // Hostile or broken documents still give a usable frame.
  for (const text of ['', 'garbage', '<init frameWidth="-5" frameHeight="1e999"></init><config>']) {
    const broken = Logic.parseConfig(text);
    assert.equal(broken.width, 640);
    assert.equal(broken.height, 480);
    assert.equal(broken.showNav, false);
  }
});

test('every key of the table, mapped from the movie\'s key codes', () => {
  const table = {
    auto: ['p', 'P'],
    next: [' ', 'Enter', 'ArrowRight', 'Separator'],
    previous: ['Backspace', 'ArrowLeft'],
    first: ['Home', 'PageUp', 'ArrowUp'],
    last: ['End', 'PageDown', 'ArrowDown'],
  };
  for (const [action, keys] of Object.entries(table)) {
    for (const key of keys) assert.equal(Logic.keyAction(key), action, key);
  }
  for (const key of ['a', 'Escape', 'Tab', 'f', 'constructor', '__proto__']) assert.equal(Logic.keyAction(key), null, key);

  const { player, gotos } = make(5, cfg({ fade: false }));
  player.begin(0);
  let t = 0;
  for (const key of ['End', 'Home', 'ArrowRight', ' ', 'Enter', 'Backspace', 'PageDown', 'ArrowUp', 'ArrowDown', 'ArrowLeft', 'PageUp']) {
    assert.equal(player.key(key, (t += 10)), true);
  }
  assert.deepEqual(gotos(), [5, 1, 2, 3, 4, 3, 5, 1, 5, 4, 1]);
  assert.equal(player.key('x', (t += 10)), false);
});

test('moves stay in range, dim PREV and NEXT at the ends, and a one-slide show dims both', () => {
  const { player, gotos } = make(3, cfg({ fade: false }));
  player.begin(0);
  assert.equal(player.state.prevDimmed, true);
  assert.equal(player.state.nextDimmed, false);
  player.previous(1);
  player.last(2);
  player.next(3);
  assert.deepEqual(gotos(), [3]);
  assert.equal(player.state.nextDimmed, true);
  assert.equal(player.state.prevDimmed, false);

  const one = make(1, cfg());
  one.player.begin(0);
  assert.equal(one.player.state.prevDimmed, true);
  assert.equal(one.player.state.nextDimmed, true);
});

test('during a fade navigation is refused, for the five frames the movie takes', () => {
  assert.ok(Math.abs(Logic.FADE_MS - 5000 / 15) < 1e-9);
  const { player, events, gotos } = make(4, cfg());
  player.begin(0);
  player.next(1000);
  player.next(1000 + Logic.FADE_MS - 1);
  assert.equal(events.filter((e) => e.type === 'refused').length, 1);
  player.next(1000 + Logic.FADE_MS);
  assert.deepEqual(gotos(), [2, 3]);
  assert.equal(events.find((e) => e.type === 'goto').fade, true);

  const noFade = make(4, cfg({ fade: false }));
  noFade.player.begin(0);
  noFade.player.next(1);
  noFade.player.next(1);
  assert.deepEqual(noFade.gotos(), [2, 3]);
});

test('only P works during automatic playback; clicks go by thirds', () => {
  const { player, gotos } = make(4, cfg({ fade: false }));
  player.begin(0);
  assert.equal(player.key('P', 10), true);
  assert.equal(player.state.auto, true);
  assert.equal(player.state.prevDimmed && player.state.nextDimmed, true);
  for (const key of ['ArrowRight', 'End', ' ']) player.key(key, 20);
  assert.deepEqual(gotos(), []);
  player.key('p', 30);
  assert.equal(player.state.auto, false);
  assert.equal(player.state.indicator, 1);
  assert.equal(player.state.prevDimmed, true);  // refreshed from the position again
  assert.equal(player.state.nextDimmed, false);

  player.click(213, 40);   // left third (640 / 3 = 213.3): back, refused at slide 1
  player.click(214, 50);   // forward
  player.click(639, 60);
  player.click(0, 70);
  assert.deepEqual(gotos(), [2, 3, 2]);
});

test('fixed interval: one slide per interval, the indicator in four steps, stop at the end', () => {
  const { player, events, gotos } = make(3, cfg({ fix: '1', auto: true, fade: false }));
  player.begin(0);
  assert.equal(player.state.auto, true);
  const frames = [];
  for (let t = 0; t <= 5000; t += 50) {
    player.tick(t);
    frames.push(player.state.indicator);
  }
  assert.deepEqual(gotos(), [2, 3]);
  const moves = events.filter((e) => e.type === 'goto').map((e) => e.t);
  assert.deepEqual(moves, [1000, 2000]);
  assert.equal(player.state.auto, false, 'no loop: the show ends on the last slide');
  assert.deepEqual([...new Set(frames.slice(0, 20))], [1, 2, 3, 4]);
});

test('per-slide delays in order, 3 s for a missing or unusable entry, and a zero fixed delay', () => {
  const { player, events } = make(5, cfg({ fix: '-1', delays: [2, 1, 0], fade: false }));
  player.begin(0);
  player.startAuto(0);
  for (let t = 0; t <= 20000; t += 10) player.tick(t);
  const moves = events.filter((e) => e.type === 'goto').map((e) => [e.slide, e.t]);
  // 2 s, 1 s, then 3 s for the 0 entry and for the missing fourth.
  assert.deepEqual(moves, [[2, 2000], [3, 3000], [4, 6000], [5, 9000]]);

  const zero = make(2, cfg({ fix: '0', fade: false }));
  zero.player.begin(0);
  zero.player.startAuto(0);
  assert.equal(zero.player.state.delay, 3);
});

test('a loop gives the last slide its full interval, then goes back to the first', () => {
  const { player, gotos } = make(3, cfg({ fix: '1', loop: true, auto: true }));
  player.begin(0);
  for (let t = 0; t <= 4000; t += 25) player.tick(t);
  assert.deepEqual(gotos(), [2, 3, 1, 2]);
  assert.equal(player.state.auto, true);
});

test('begin honours a slide from the address and ignores one out of range', () => {
  const a = make(5, cfg());
  a.player.begin(0, 4);
  assert.equal(a.player.state.current, 4);
  const b = make(5, cfg());
  b.player.begin(0, 9);
  assert.equal(b.player.state.current, 1);
  b.player.go(3, 10);
  assert.equal(b.player.state.current, 3);
});

test('search: every word, any case and width, in any part of the text; digits also name the slide', () => {
  const texts = [
    'Welcome\nThe year in review',
    'Agenda\nBudget\nHiring\nQ&A session',
    'Q&A\nAsk anything',
    '',
    '欢迎\n第一季度 总结',
    'Notes say: see slide 2',
  ];
  const cases = [
    ['q&a', [2, 3]],
    ['Q&A ask', [3]],
    ['ASK  anything  ', [3]],
    ['ＱＡ', []],                 // the & is part of the word
    ['Ｑ＆Ａ', [2, 3]],            // full-width as typed by a Chinese input method
    ['year welcome', [1]],
    ['year hiring', []],           // each slide must hold every word
    ['第一季度', [5]],
    ['季度　欢迎', [5]],           // an ideographic space separates words too
    ['4', [4]],                    // an empty slide is found by its number
    ['2', [2, 6]],                 // slide 2, and a text that holds "2"
    ['1', [1]],                    // not slides 10 to 19 of a longer deck: numbers match whole
    ['', []],
    ['   ', []],
    ['<script>', []],
  ];
  for (const [query, want] of cases) assert.deepEqual(Logic.findSlides(texts, query), want, JSON.stringify(query));
  const many = Array.from({ length: 20 }, () => '');
  assert.deepEqual(Logic.findSlides(many, '1'), [1]);
  assert.deepEqual(Logic.findSlides(many, '12'), [12]);
});

test('search folds typographic quotes and shows where the words stand', () => {
  const long = 'A long first line of words that goes on and on before it says that we won\u2019t stop here, ' +
    'then keeps going for quite a while longer after that';
  const texts = ['He said \u201cgo\u201d', long, '\uFB01le and \u2018quoted\u2019 words', 'nothing'];
  const cases = [
    ["won't", [[2, 'goes on and on before it says that we ', 'won\u2019t', ' stop here, then keeps going for quite',
      true, true]]],
    ['\u201cgo\u201d', [[1, 'He said ', '\u201cgo\u201d', '', false, false]]],
    ['"go"', [[1, 'He said ', '\u201cgo\u201d', '', false, false]]],
    ["'quoted' file", [[3, '', '\uFB01le', ' and \u2018quoted\u2019 words', false, false]]],  // the first place found
    ['4', [[4, null]]],  // a slide found by its number has no place in its words
  ];
  for (const [query, want] of cases) {
    const got = Logic.searchSlides(texts, query).map((hit) => (hit.context
      ? [hit.slide, hit.context.before, hit.context.match, hit.context.after, hit.context.cut, hit.context.more]
      : [hit.slide, null]));
    assert.deepEqual(got, want, query);
  }
});

test('a lesson\'s progress: the slides seen survive a visit, and completion needs the share asked for', () => {
  const cases = [
    [[1, 2, 3, 4, 5], 5, 's1:f1'],
    [[], 3, 's1:0'],
    [[2, 9, 0, 12, 13], 12, 's1:209'],  // numbers out of range are not kept
  ];
  for (const [seen, count, text] of cases) {
    assert.equal(Logic.encodeSeen(seen, count), text);
    assert.deepEqual(Logic.decodeSeen(text, count), seen.filter((k) => k >= 1 && k <= count));
  }
  for (const text of ['', 'garbage', 's2:ff', 's1:zz', null]) assert.deepEqual(Logic.decodeSeen(text, 8), [], text);
  assert.deepEqual(Logic.decodeSeen('s1:ff', 3), [1, 2, 3], 'a deck that lost slides keeps what it still has');
  assert.equal(Logic.encodeSeen(Array.from({ length: 7280 }, (_, k) => k + 1), 7280).length <= 4096, true);
  const reached = [
    [10, 10, 100, true], [9, 10, 100, false], [8, 10, 80, true], [7, 10, 80, false], [1, 10, 1, true],
    [0, 10, 1, false], [9, 10, 'x', false], [10, 10, 0, true], [0, 0, 100, true],
  ];
  for (const [seen, counted, share, want] of reached) {
    assert.equal(Logic.completionReached(seen, counted, share), want, `${seen}/${counted} at ${share}`);
  }
});

test('a fade switched off while playing (reduced motion) refuses no move', () => {
  const config = cfg({ fade: true });
  const { player, events } = make(4, config);
  player.begin(0);
  player.next(0);
  player.next(10);  // inside the fade
  assert.deepEqual(events.filter((e) => e.type === 'refused').map((e) => e.target), [3]);
  config.fade = false;
  player.next(1000);
  player.next(1001);
  const last = events.filter((e) => e.type === 'goto').slice(-2);
  assert.deepEqual(last.map((e) => [e.slide, e.fade, e.duration]), [[3, false, 0], [4, false, 0]]);
});
