'use strict';
// The whole road on real presentations: converted by orvanta-cli through
// LibreOffice, checked with the SWF reader, then played from the first slide
// to the last. Skipped when the shared presentations are not beside the checkout.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { Stage } = require('./lib/player');
const { convertPresentation } = require('./lib/movies');
const { env, artifact } = require('./lib/env');
const { expectGoto } = require('./lib/steps');

const corpus = path.join(env.sharedDir, 'corpus', 'ppt');

let stage;
test.before(async () => { stage = await Stage.launch(); });
test.after(async () => { await stage?.close(); });

for (const file of ['52244.ppt', '54880_chinese.ppt']) {
  const presentation = path.join(corpus, file);
  const absent = !fs.existsSync(presentation) && 'presentations absent';
  test(`${file} converts and plays through every slide`, { skip: absent }, async (t) => {
    const name = path.basename(file, '.ppt');
    const { swf, slides, unavailable } = convertPresentation(`real-${name}`, presentation, {
      options: ['--fixed-delay', '--delay', '1', '--no-fade', '--show-nav'],
    });
    if (unavailable) {
      t.skip(unavailable);
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
