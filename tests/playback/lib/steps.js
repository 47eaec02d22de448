'use strict';
// Small steps shared by the playback tests: act, then wait for the trace
// that the act must cause. Absence is shown the same way: an act that must
// do nothing is followed by one that must do something, and the first
// trace after both must belong to the second.
const assert = require('node:assert/strict');

/** Runs act() and waits for the switch to slide k; returns the goto entry. */
async function expectGoto(playback, act, k, message) {
  const since = playback.mark();
  await act();
  const entry = await playback.waitFor('goto', { since });
  assert.equal(entry.k, k, message);
  return entry;
}

/**
 * Runs quietAct(), which must not switch slides, then loudAct(), which must
 * switch to slide k: the first switch after both is slide k.
 */
async function expectNoGoto(playback, quietAct, loudAct, k, message) {
  const since = playback.mark();
  await quietAct();
  await playback.settle(4);
  await loudAct();
  const entry = await playback.waitFor('goto', { since });
  assert.equal(entry.k, k, message);
  return entry;
}

/** The text of the latest status line ("2 / 5"), waiting for one after `since`. */
async function statusAfter(playback, since) {
  await playback.waitFor('status', { since });
  const lines = playback.events('status', since);
  return lines[lines.length - 1].args.join(' ');
}

module.exports = { expectGoto, expectNoGoto, statusAfter };
