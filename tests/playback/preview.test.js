'use strict';
// The page as people get it: served by `orvanta-cli preview` itself, it plays
// its movie through the web player that ships with the program, with no
// click; opened from a file it says how to watch it. Also the server's own
// answers: content types, HEAD, 404, every way out of the folder, two
// clients at once and SIGTERM.
const test = require('node:test');
const assert = require('node:assert/strict');
const fs = require('node:fs');
const net = require('node:net');
const path = require('node:path');
const { spawn, spawnSync } = require('node:child_process');
const { pathToFileURL } = require('node:url');
const { chromium } = require('playwright-core');
const { env, artifact, freshDir } = require('./lib/env');
const { writeSlideFolder } = require('./lib/slides');
const { convertFolder } = require('./lib/movies');
const { PLAIN_CHROMIUM_ARGS, startPreview, waitForMovieSlide } = require('./lib/pages');
const { CHROMIUM } = require('./lib/player');

/** One raw HTTP exchange, so that paths reach the server exactly as written. */
function rawRequest(port, head) {
  return new Promise((resolve, reject) => {
    const socket = net.connect(port, '127.0.0.1');
    const chunks = [];
    socket.on('data', (chunk) => chunks.push(chunk));
    socket.on('error', reject);
    socket.on('end', () => {
      const text = Buffer.concat(chunks);
      const split = text.indexOf('\r\n\r\n');
      const lines = text.subarray(0, split).toString('latin1').split('\r\n');
      const headers = {};
      for (const line of lines.slice(1)) {
        const colon = line.indexOf(':');
        headers[line.slice(0, colon).toLowerCase()] = line.slice(colon + 1).trim();
      }
      resolve({ status: Number(lines[0].split(' ')[1]), headers, body: text.subarray(split + 4) });
    });
    socket.write(head);
  });
}

const get = (port, target, method = 'GET', extra = '', host = `127.0.0.1:${port}`) =>
  rawRequest(port, `${method} ${target} HTTP/1.1\r\nHost: ${host}\r\n${extra}Connection: close\r\n\r\n`);

let browser;
test.before(async () => {
  browser = await chromium.launch({ executablePath: CHROMIUM, headless: true, args: PLAIN_CHROMIUM_ARGS });
});
test.after(async () => { await browser?.close(); });

test('the page served by orvanta-cli preview plays its movie through the bundled player', async () => {
  const { page: pageFile, out } = convertFolder('preview-play', {
    slides: 3, webPlayer: true, options: ['--no-fade', '--fixed-delay', '--delay', '60'],
  });
  assert.ok(fs.existsSync(path.join(out, 'ruffle', 'VERSION')), 'the web player was not copied beside the page');
  const server = await startPreview(pageFile);
  assert.equal(fs.realpathSync(server.folder), fs.realpathSync(out));
  assert.equal(server.pagePath, '/preview-play.htm');

  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  const fetched = [];
  page.on('response', (response) => fetched.push(`${response.status()} ${new URL(response.url()).pathname}`));
  try {
    await page.goto(server.url);
    const { box, png } = await waitForMovieSlide(page, 1, 'start without a click');
    assert.equal(Math.round(box.width), 640);
    assert.equal(Math.round(box.height), 480);
    fs.writeFileSync(artifact('preview-served-slide-1.png'), png);
    assert.ok(fetched.includes('200 /ruffle/ruffle.js'), fetched.join('\n'));
    assert.ok(fetched.some((line) => /^200 \/ruffle\/[0-9a-f]+\.wasm$/.test(line)), fetched.join('\n'));
    assert.ok(fetched.includes('200 /preview-play.swf'), fetched.join('\n'));

    await page.locator('ruffle-object, ruffle-embed').first().evaluate((element) => {
      element.tabIndex = 0;
      element.focus();
    });
    await page.keyboard.press('ArrowRight');
    fs.writeFileSync(artifact('preview-served-slide-2.png'), (await waitForMovieSlide(page, 2, 'the Right key')).png);
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
    server.child.kill('SIGTERM');
  }
  assert.deepEqual(await server.exited, { code: 0, signal: null });
});

test('a page of a shared web player plays when preview serves its own player at that path', async () => {
  const { page: pageFile, out } = convertFolder('preview-shared', {
    slides: 2, webPlayer: true, options: ['--no-fade', '--no-index', '--web-player-url', '/shared/ruffle'],
  });
  assert.deepEqual(fs.readdirSync(out).sort(), ['preview-shared-html5.html', 'preview-shared.htm', 'preview-shared.swf']);
  const server = await startPreview(pageFile);
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const problems = [];
  page.on('pageerror', (error) => problems.push(error.message));
  const fetched = [];
  page.on('response', (response) => fetched.push(`${response.status()} ${new URL(response.url()).pathname}`));
  try {
    await page.goto(server.url);
    const { png } = await waitForMovieSlide(page, 1, 'start from the shared player');
    fs.writeFileSync(artifact('preview-shared-slide-1.png'), png);
    assert.ok(fetched.includes('200 /shared/ruffle/ruffle.js'), fetched.join('\n'));
    assert.ok(fetched.some((line) => /^200 \/shared\/ruffle\/[0-9a-f]+\.wasm$/.test(line)), fetched.join('\n'));
    assert.ok(!fetched.some((line) => line.includes(' /ruffle/')), fetched.join('\n'));
    assert.deepEqual(problems, []);
  } finally {
    await page.close();
    server.child.kill('SIGTERM');
  }
  assert.deepEqual(await server.exited, { code: 0, signal: null });
});

test('opened from a file, the page shows how to watch it instead of an empty box', async () => {
  const { page: pageFile } = convertFolder('preview-file', { slides: 2, webPlayer: true });
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const requested = [];
  page.on('request', (request) => requested.push(request.url()));
  try {
    await page.goto(pathToFileURL(pageFile).href);
    const notice = page.locator('.orvanta-notice');
    await notice.waitFor({ timeout: 10000 });
    const text = await notice.innerText();
    assert.match(text, /browsers block the Flash player/);
    assert.ok(text.includes(`orvanta-cli preview ${pageFile}`), text);
    assert.equal(await page.locator('object, ruffle-object, ruffle-embed').count(), 0);
    assert.ok(!requested.some((url) => url.includes('ruffle.js')), 'the player was loaded from a file');
    await page.screenshot({ path: artifact('preview-file-notice.png') });
  } finally {
    await page.close();
  }
});

test('the preview server answers only inside its folder, to several clients, until SIGTERM', async () => {
  const { page: pageFile, out } = convertFolder('preview-http', { slides: 2, webPlayer: true });
  fs.writeFileSync(path.join(path.dirname(out), 'secret.txt'), 'outside');
  fs.symlinkSync(path.join(path.dirname(out), 'secret.txt'), path.join(out, 'link.txt'));
  const server = await startPreview(out);
  const { port } = server;
  try {
    const types = {
      '/preview-http.htm': 'text/html; charset=utf-8',
      '/preview-http.swf': 'application/x-shockwave-flash',
      '/ruffle/ruffle.js': 'text/javascript; charset=utf-8',
    };
    const wasm = fs.readdirSync(path.join(out, 'ruffle')).find((name) => name.endsWith('.wasm'));
    types[`/ruffle/${wasm}`] = 'application/wasm';
    for (const [target, type] of Object.entries(types)) {
      const reply = await get(port, target);
      assert.equal(reply.status, 200, target);
      assert.equal(reply.headers['content-type'], type, target);
      const file = path.join(out, ...target.split('/'));
      assert.ok(reply.body.equals(fs.readFileSync(file)), `${target}: not the file's bytes`);
      const head = await get(port, target, 'HEAD');
      assert.equal(head.status, 200);
      assert.equal(Number(head.headers['content-length']), fs.statSync(file).size);
      assert.equal(head.body.length, 0, 'HEAD carries no body');
    }

    assert.equal((await get(port, '/nothing.htm')).status, 404);
    const outName = path.basename(path.dirname(out));
    for (const target of ['/../secret.txt', '/%2e%2e/secret.txt', '/%2E%2E%2Fsecret.txt', '/ruffle/../../secret.txt',
      `/..%2f..%2f${outName}%2fsecret.txt`, '/link.txt', '/./preview-http.htm']) {
      const reply = await get(port, target);
      assert.ok(reply.status === 403 || reply.status === 404, `${target} gave ${reply.status}`);
      assert.ok(!reply.body.toString().includes('outside'), target);
    }
    assert.equal((await get(port, `http://evil/${'../'.repeat(5)}etc/passwd`)).status >= 400, true);
    for (const method of ['POST', 'PUT', 'DELETE']) {
      const reply = await rawRequest(port,
        `${method} /preview-http.htm HTTP/1.1\r\nHost: localhost:${port}\r\nContent-Length: 1\r\nConnection: close\r\n\r\nx`);
      assert.equal(reply.status, 405, method);
      assert.equal(fs.readFileSync(pageFile, 'utf8').includes('<HTML>'), true);
    }

    // A client that has not finished its request does not hold up another.
    const slow = net.connect(port, '127.0.0.1');
    await new Promise((resolve) => slow.once('connect', resolve));
    slow.write(`GET /preview-http.htm HTTP/1.1\r\nHost: 127.0.0.1:${port}\r\n`);
    const meanwhile = await get(port, '/preview-http.swf');
    assert.equal(meanwhile.status, 200);
    const slowReply = new Promise((resolve) => {
      let text = '';
      slow.on('data', (chunk) => { text += chunk; });
      slow.on('end', () => resolve(text));
    });
    slow.write('Connection: close\r\n\r\n');
    assert.match(await slowReply, /^HTTP\/1\.1 200/);
  } finally {
    server.child.kill('SIGTERM');
  }
  assert.deepEqual(await server.exited, { code: 0, signal: null });
});

/** The resident memory of a process, in bytes, from /proc. */
function residentBytes(pid) {
  const line = fs.readFileSync(`/proc/${pid}/status`, 'utf8').split('\n').find((l) => l.startsWith('VmRSS:'));
  return Number(/(\d+)/.exec(line)[1]) * 1024;
}

test('the preview answers only its own address, opens its page at /, and streams large files', async () => {
  const { out } = convertFolder('preview-stream', { slides: 1, webPlayer: true });
  const big = path.join(out, 'big.bin');
  const fd = fs.openSync(big, 'w');
  const size = 2 * 1024 ** 3;
  fs.ftruncateSync(fd, size);  // sparse: nothing is written
  fs.writeSync(fd, Buffer.from('middle'), 0, 6, size / 2);
  fs.closeSync(fd);
  const server = await startPreview(out);
  const { port } = server;
  try {
    for (const host of [`attacker.example:${port}`, 'attacker.example', `127.0.0.1:${port + 1}`]) {
      const reply = await get(port, '/preview-stream.htm', 'GET', '', host);
      assert.equal(reply.status, 421, host);
      assert.ok(!reply.body.toString().includes('<HTML>'), host);
    }
    for (const host of [`localhost:${port}`, `[::1]:${port}`]) {
      assert.equal((await get(port, '/preview-stream.htm', 'GET', '', host)).status, 200, host);
    }
    const home = await get(port, '/');  // the page and its twin: the folder's list
    assert.equal(home.status, 200);
    assert.match(home.body.toString(), /<a href="preview-stream\.htm">/);

    const middle = await get(port, '/big.bin', 'GET', `Range: bytes=${size / 2}-${size / 2 + 9}\r\n`);
    assert.equal(middle.status, 206);
    assert.equal(middle.headers['content-range'], `bytes ${size / 2}-${size / 2 + 9}/${size}`);
    assert.equal(middle.body.toString('latin1'), 'middle\0\0\0\0');
    const head = await get(port, '/big.bin', 'HEAD');
    assert.equal(Number(head.headers['content-length']), size);
    const past = await get(port, '/big.bin', 'GET', `Range: bytes=${size}-\r\n`);
    assert.equal(past.status, 416);
    assert.equal(past.headers['content-range'], `bytes */${size}`);
    const rss = residentBytes(server.child.pid);
    console.log(`preview server resident memory after the 2 GB file: ${(rss / 2 ** 20).toFixed(1)} MB`);
    assert.ok(rss < 64 * 2 ** 20, `${rss} bytes resident`);
  } finally {
    server.child.kill('SIGTERM');
    fs.rmSync(big, { force: true });
  }
  assert.deepEqual(await server.exited, { code: 0, signal: null });
});

test('a taken port and a bad path are refused clearly', async () => {
  const { out } = convertFolder('preview-port', { slides: 1 });
  const first = await startPreview(out);
  try {
    const second = spawn(env.cli, ['preview', '--no-browser', '--port', String(first.port), out]);
    let err = '';
    second.stderr.on('data', (chunk) => { err += chunk; });
    const code = await new Promise((resolve) => second.on('exit', resolve));
    assert.equal(code, 1);
    assert.match(err, new RegExp(`port ${first.port}.*taken`));
  } finally {
    first.child.kill('SIGINT');
  }
  assert.deepEqual(await first.exited, { code: 0, signal: null });

  const missing = spawn(env.cli, ['preview', '--no-browser', path.join(out, 'gone.htm')]);
  let err = '';
  missing.stderr.on('data', (chunk) => { err += chunk; });
  assert.equal(await new Promise((resolve) => missing.on('exit', resolve)), 1);
  assert.match(err, /gone\.htm/);
});

test('pages kept in the source tree load the one player at the output root, served by the preview', async () => {
  const dir = freshDir('preview-tree');
  for (const folder of ['course 1/a', 'course 2']) writeSlideFolder(path.join(dir, 'in', folder, 'deck'), 2);
  const out = path.join(dir, 'out');
  const result = spawnSync(env.cli, ['convert', '--store', path.join(dir, 'settings.json'), '--output-dir', out,
    '--source-root', path.join(dir, 'in'), path.join(dir, 'in', 'course 1', 'a', 'deck'),
    path.join(dir, 'in', 'course 2', 'deck')], { encoding: 'utf8', env: { ...process.env, XDG_CONFIG_HOME: dir } });
  assert.equal(result.status, 0, result.stderr);
  assert.deepEqual(fs.readdirSync(out).sort(), ['course 1', 'course 2', 'ruffle']);
  const server = await startPreview(out);
  const page = await browser.newPage({ viewport: { width: 1000, height: 700 } });
  const fetched = [];
  page.on('response', (response) => fetched.push(`${response.status()} ${decodeURIComponent(new URL(response.url()).pathname)}`));
  try {
    await page.goto(`${server.origin}/course%201/a/deck.htm`);
    await waitForMovieSlide(page, 1, 'a page two folders down');
    assert.ok(fetched.includes('200 /ruffle/ruffle.js'), fetched.join('\n'));
    assert.ok(fetched.includes('200 /course 1/a/deck.swf'), fetched.join('\n'));
    assert.deepEqual(fetched.filter((line) => !line.startsWith('200 ')), []);
  } finally {
    await page.close();
    server.child.kill('SIGTERM');
  }
  assert.deepEqual(await server.exited, { code: 0, signal: null });
});
