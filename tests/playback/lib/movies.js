'use strict';
// Makes the movies the playback tests play: a folder of slide pictures
// converted by orvanta-cli, or (for per-slide delays, which a picture folder
// cannot carry) one written by the slidemovie test tool. Every movie is
// checked with the project's own SWF reader before it is played.
const assert = require('node:assert/strict');
const fs = require('node:fs');
const path = require('node:path');
const { spawnSync } = require('node:child_process');
const { env, freshDir, OFFICE_NOT_INSTALLED } = require('./env');
const { writeSlideFolder } = require('./slides');

function run(program, args, cwd, extraEnv = {}, timeout = 120000) {
  const result = spawnSync(program, args, {
    cwd, encoding: 'utf8', timeout, env: { ...process.env, ...extraEnv },
  });
  if (result.error) throw result.error;
  return result;
}

/** What swfcheck reports about a movie; fails the test when the reader found problems. */
function checkStructure(swf) {
  assert.ok(fs.existsSync(env.swfcheck), `swfcheck not built: ${env.swfcheck}`);
  const result = run(env.swfcheck, [swf]);
  assert.ok(result.status === 0 || result.status === 1, `swfcheck failed: ${result.stderr}`);
  const structure = JSON.parse(result.stdout);
  assert.deepEqual(structure.problems, [], `${path.basename(swf)}: the SWF reader found problems`);
  return structure;
}

/**
 * Checks what every slide movie must have: version 6, 15 frames per second,
 * four main frames, the frame size, one bitmap and one shape per slide and a
 * slides sprite with one frame per slide placing the slide shapes in order.
 */
function assertSlideMovie(structure, { slides, width, height }) {
  assert.equal(structure.signature, 'FWS');
  assert.equal(structure.version, 6);
  assert.equal(structure.fileLength, structure.actualLength);
  assert.equal(structure.frameRate, 15);
  assert.equal(structure.frameCount, 4);
  assert.equal(structure.showFrames, 4);
  assert.equal(structure.frameWidth, width);
  assert.equal(structure.frameHeight, height);
  const bitmapIds = Array.from({ length: slides }, (_, i) => 2 * (i + 1) + 61);
  assert.deepEqual(structure.bitmaps, bitmapIds);
  assert.deepEqual(structure.shapes, bitmapIds.map((id) => id + 1));
  const sprite = structure.sprites.find((s) => s.id === 2 * slides + 63);
  assert.ok(sprite, 'the slides sprite is missing');
  assert.equal(sprite.frameCount, slides);
  assert.equal(sprite.showFrames, slides);
  assert.deepEqual(sprite.placed, bitmapIds.map((id) => id + 1));
  assert.equal(typeof structure.config, 'string');
}

/**
 * Converts a folder of `slides` pictures with orvanta-cli and returns
 * { swf, page, out, structure }. `options` are extra convert options; the
 * page goes without the web player unless `webPlayer` asks for it.
 */
function convertFolder(name, {
  slides = 3, width = 640, height = 480, uniform = false, webPlayer = false, options = [],
} = {}) {
  assert.ok(fs.existsSync(env.cli), `orvanta-cli not built: ${env.cli}`);
  const dir = freshDir(name);
  const folder = path.join(dir, name);
  writeSlideFolder(folder, slides, { width, height, uniform });
  const out = path.join(dir, 'out');
  fs.mkdirSync(out);
  const args = ['convert', '--store', path.join(dir, 'settings.json'), '--output-dir', out,
    '--width', String(width), '--height', String(height), ...(webPlayer ? [] : ['--no-web-player']),
    ...options, folder];
  const result = run(env.cli, args, dir, { XDG_CONFIG_HOME: dir });
  assert.equal(result.status, 0, `orvanta-cli ${args.join(' ')}\n${result.stdout}${result.stderr}`);
  const swf = path.join(out, `${name}.swf`);
  assert.ok(fs.existsSync(swf), `no movie written: ${swf}`);
  const structure = checkStructure(swf);
  assertSlideMovie(structure, { slides, width, height });
  return { swf, page: path.join(out, `${name}.htm`), out, structure };
}

/**
 * Converts a presentation file with orvanta-cli (through LibreOffice) and
 * returns { swf, structure, slides }, or { unavailable: why } when this
 * build or machine cannot read presentations.
 */
function convertPresentation(name, presentation, { width = 640, height = 480, options = [] } = {}) {
  assert.ok(fs.existsSync(env.cli), `orvanta-cli not built: ${env.cli}`);
  const dir = freshDir(name);
  const args = ['convert', '--store', path.join(dir, 'settings.json'), '--output-dir', dir,
    '--width', String(width), '--height', String(height), '--no-web-player', ...options, presentation];
  const result = run(env.cli, args, dir, { XDG_CONFIG_HOME: dir, TMPDIR: dir }, 600000);
  // Without LibreOffice there is nothing to test here; a bridge that fails to load is a fault.
  const unavailable = OFFICE_NOT_INSTALLED.exec(result.stderr);
  if (result.status !== 0 && unavailable) return { unavailable: result.stderr.trim().split('\n').pop() };
  assert.equal(result.status, 0, `orvanta-cli ${args.join(' ')}\n${result.stdout}${result.stderr}`);
  // The program names the movie (a ".fodp" keeps its extension); it says which.
  const named = /: movie (.+\.swf)$/m.exec(result.stdout);
  const swf = named ? named[1] : path.join(dir, `${path.basename(presentation).replace(/\.[^.]*$/, '')}.swf`);
  assert.ok(fs.existsSync(swf), `no movie written: ${swf}`);
  const structure = checkStructure(swf);
  const slides = structure.bitmaps.length;
  assert.ok(slides > 0);
  assertSlideMovie(structure, { slides, width, height });
  return { swf, structure, slides };
}

/**
 * Writes a movie with the slidemovie tool: `delays` are per-slide seconds,
 * `flags` slidemovie switches (--nav, --autostart, --loop, --no-fade, ...).
 */
function writeMovie(name, { slides = 3, width = 640, height = 480, delays, fixed, flags = [] } = {}) {
  const tool = env.slidemovie;
  assert.ok(fs.existsSync(tool), `slidemovie not built: ${tool}`);
  const dir = freshDir(name);
  const pictures = writeSlideFolder(path.join(dir, 'pictures'), slides, { width, height });
  const swf = path.join(dir, `${name}.swf`);
  const args = ['--out', swf, '--width', String(width), '--height', String(height), ...flags];
  if (delays) args.push('--delays', delays.join(','));
  if (fixed !== undefined) args.push('--fixed', String(fixed));
  const result = run(tool, [...args, ...pictures], dir);
  assert.equal(result.status, 0, `slidemovie ${args.join(' ')}\n${result.stderr}`);
  const structure = checkStructure(swf);
  assertSlideMovie(structure, { slides, width, height });
  return { swf, structure };
}

module.exports = { convertFolder, convertPresentation, writeMovie, checkStructure, assertSlideMovie };
