'use strict';
// The whole road on real presentations: converted by orvanta-cli through
// LibreOffice, checked with the SWF reader, then played from the first slide
// to the last. Skipped when the shared presentations are not beside the checkout.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { Stage } = require('./lib/player');
const { spawnSync } = require('node:child_process');
const { convertPresentation, checkStructure } = require('./lib/movies');
const { env, artifact, freshDir, skipForMissing, OFFICE_NOT_INSTALLED } = require('./lib/env');
const { expectGoto } = require('./lib/steps');

const corpus = path.join(env.sharedDir, 'corpus', 'ppt');

let stage;
test.before(async () => { stage = await Stage.launch(); });
test.after(async () => { await stage?.close(); });

for (const file of ['52244.ppt', '54880_chinese.ppt']) {
  const presentation = path.join(corpus, file);
  test(`${file} converts and plays through every slide`, async (t) => {
    if (!fs.existsSync(presentation)) {
      skipForMissing(t, `the corpus presentation ${presentation} is absent`);
      return;
    }
    const name = path.basename(file, '.ppt');
    const { swf, slides, unavailable } = convertPresentation(`real-${name}`, presentation, {
      options: ['--fixed-delay', '--delay', '1', '--no-fade', '--show-nav'],
    });
    if (unavailable) {
      skipForMissing(t, unavailable);
      return;
    }
    const playback = await stage.play(swf);
    const ready = await playback.ready();
    assert.equal(ready.fields.n, slides);
    assert.equal(playback.events('status').pop().args.join(' '), `1 / ${slides}`);
    // A slide is more than an empty frame: it has many different colours.
    const shot = await playback.screenshot(artifact(`presentation-${name}.png`));
    const colours = new Set();
    for (let y = 0; y < 400; y += 8) for (let x = 0; x < 640; x += 8) colours.add(shot.pixel(x, y).join());
    assert.ok(colours.size > 4, `the first slide shows ${colours.size} colours`);
    await playback.focus();
    for (let k = 2; k <= slides; k++) await expectGoto(playback, () => playback.press('ArrowRight'), k);
    if (slides > 1) await expectGoto(playback, () => playback.press('Home'), 1);
    await playback.close();
  });
}

// The bundled example: titles, speaker notes and the presentation's own
// timings (4, 6, 3 and 5 seconds) survive the whole road.
const example = path.join(__dirname, '..', '..', 'examples', 'orvanta-tour.odp');

test('the example plays itself with its notes slides and its own timings', async (t) => {
  const { swf, structure, slides, unavailable } = convertPresentation('example-notes', example, {
    options: ['--notes', '--autostart', '--show-nav', '--slide-timings', '--no-fade'],
  });
  if (unavailable) {
    skipForMissing(t, unavailable);
    return;
  }
  // Four slides, three of them with notes: seven slides, the notes slides
  // (which have no timing of their own) playing one second.
  assert.equal(slides, 7);
  assert.match(structure.config, /fixDelay="-1">(<slideProp delay="\d+"><\/slideProp>){7}<\/config>$/);
  const delays = [...structure.config.matchAll(/delay="(\d+)"/g)].map((m) => Number(m[1]));
  assert.deepEqual(delays, [4, 1, 6, 3, 1, 5, 1]);

  const playback = await stage.play(swf);
  await playback.ready();
  const on = await playback.waitFor('auto');
  await playback.waitFor(() => playback.events('goto', on.index).length >= 2, { since: on.index, timeout: 60000 });
  const [second, third] = playback.events('goto', on.index);
  assert.deepEqual([second.k, third.k], [2, 3]);
  const first = second.t - on.t;
  const notes = third.t - second.t;
  t.diagnostic(`slide 1 played ${first} ms, its notes slide ${notes} ms`);
  assert.ok(first >= 4000 - 150 && first <= 4000 + 1200, `slide 1 played ${first} ms instead of 4 s`);
  assert.ok(notes >= 1000 - 150 && notes <= 1000 + 1200, `the notes slide played ${notes} ms instead of 1 s`);
  await playback.screenshot(artifact('example-notes.png'));
  await playback.close();
});

test('the example split into one movie per slide, named after the titles', async (t) => {
  const dir = freshDir('example-split');
  const result = spawnSync(env.cli, ['convert', '--store', path.join(dir, 'settings.json'), '--output-dir', dir,
    '--split', example], { encoding: 'utf8', timeout: 600000, env: { ...process.env, XDG_CONFIG_HOME: dir, TMPDIR: dir } });
  if (result.status !== 0 && OFFICE_NOT_INSTALLED.test(result.stderr)) {
    skipForMissing(t, 'LibreOffice is not installed');
    return;
  }
  assert.equal(result.status, 0, result.stderr);
  const titles = ['Welcome to Orvanta', 'Navigating a movie', 'Timings and fades', 'Publishing'];
  for (const title of titles) {
    assert.ok(fs.existsSync(path.join(dir, `${title}.swf`)), `no movie for "${title}"`);
    assert.ok(fs.existsSync(path.join(dir, `${title}.htm`)), `no page for "${title}"`);
  }
  // The pages link their neighbours by name.
  const page = fs.readFileSync(path.join(dir, 'Navigating a movie.htm'), 'latin1');
  // Titles keep their blanks in the file names; the links encode them.
  assert.ok(page.includes('<a href="Welcome%20to%20Orvanta.htm">Prev</a> <a href="Timings%20and%20fades.htm">Next</a><p>\r\n'));
  const movie = path.join(dir, 'Timings and fades.swf');
  const structure = checkStructure(movie);
  assert.equal(structure.bitmaps.length, 1);
  // A movie of one slide never shows the panel.
  assert.match(structure.config, /showNavPanel="false"/);
  const playback = await stage.play(movie);
  const ready = await playback.ready();
  assert.equal(ready.fields.n, 1);
  assert.equal(ready.fields.nav, 'false');
  await playback.close();
});
