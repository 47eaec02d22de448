'use strict';
// Where the playback tests find the built programs and where they write.
// CMake passes these in; running `node --test` by hand falls back to ./build.
const fs = require('node:fs');
const path = require('node:path');

const SOURCE_DIR = path.resolve(__dirname, '..', '..', '..');
const DEFAULT_BUILD = path.join(SOURCE_DIR, 'build');

const env = {
  cli: path.resolve(process.env.ORVANTA_CLI || path.join(DEFAULT_BUILD, 'apps', 'orvanta-cli')),
  swfcheck: path.resolve(process.env.ORVANTA_SWFCHECK || path.join(DEFAULT_BUILD, 'tests', 'playback', 'swfcheck')),
  slidemovie: path.resolve(process.env.ORVANTA_SLIDEMOVIE || path.join(DEFAULT_BUILD, 'tests', 'playback', 'slidemovie')),
  slidevideo: path.resolve(process.env.ORVANTA_SLIDEVIDEO || path.join(DEFAULT_BUILD, 'bench', 'slidevideo')),
  workDir: path.resolve(process.env.ORVANTA_PLAYBACK_WORK || path.join(DEFAULT_BUILD, 'tests', 'playback', 'work')),
  sharedDir: path.resolve(process.env.ORVANTA_SHARED_DIR || path.join(SOURCE_DIR, '..', 'shared')),
  // The web player that ships with the program, as the build lays it beside the programs.
  ruffleDir: path.resolve(process.env.ORVANTA_RUFFLE_DIR || path.join(DEFAULT_BUILD, 'apps', 'ruffle')),
  artifactsDir: path.resolve(process.env.ORVANTA_PLAYBACK_ARTIFACTS || path.join(DEFAULT_BUILD, 'tests', 'playback', 'artifacts')),
};

/** A fresh, empty folder below the work dir for one test. */
function freshDir(name) {
  const dir = path.join(env.workDir, name);
  fs.rmSync(dir, { recursive: true, force: true });
  fs.mkdirSync(dir, { recursive: true });
  return dir;
}

function artifact(name) {
  fs.mkdirSync(env.artifactsDir, { recursive: true });
  return path.join(env.artifactsDir, name);
}

// Only LibreOffice that is not installed at all makes a presentation test
// skippable; a bridge that is present but fails to load is a fault.
const OFFICE_NOT_INSTALLED = /LibreOffice is needed to read presentations, but it is not installed/;

/**
 * Skips a test whose environment lacks something (the corpus beside the
 * checkout, LibreOffice). Where CI=true it must be there: the test
 * fails and names it instead. Skips are printed loudly.
 */
function skipForMissing(t, what) {
  if (process.env.CI === 'true') {
    throw new Error(`${what} (CI=true, so this is a failure, not a skip)`);
  }
  process.stderr.write(`\n*** SKIPPED: ${t.name}: ${what}\n`);
  t.skip(what);
}

module.exports = { env, freshDir, artifact, skipForMissing, OFFICE_NOT_INSTALLED };
