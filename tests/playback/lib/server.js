'use strict';
// A small HTTP server on the loopback interface that serves the emulator's
// package files, the movies under test and the page that plays them.
const http = require('node:http');
const fs = require('node:fs');
const path = require('node:path');

const { env } = require('./env');

// The emulator that the program ships, so the tests play what users get.
const RUFFLE_DIR = env.ruffleDir;

const CONTENT_TYPES = {
  '.js': 'text/javascript',
  '.wasm': 'application/wasm',
  '.swf': 'application/x-shockwave-flash',
  '.html': 'text/html; charset=utf-8',
  '.map': 'application/json',
};

function contentType(file) {
  return CONTENT_TYPES[path.extname(file).toLowerCase()] || 'application/octet-stream';
}

// Resolves a request path below a root folder; null when the path would leave it.
function resolveBelow(root, relative) {
  const full = path.resolve(root, '.' + path.posix.normalize('/' + relative));
  return full.startsWith(root + path.sep) ? full : null;
}

function sendFile(res, file) {
  fs.readFile(file, (err, data) => {
    if (err) {
      res.writeHead(404).end();
      return;
    }
    res.writeHead(200, { 'Content-Type': contentType(file), 'Content-Length': data.length, 'Cache-Control': 'no-store' });
    res.end(data);
  });
}

/**
 * Starts the server. Movies are registered with addMovie(file) and served
 * under /movie/<token>/<file name>; the player page comes from
 * renderPage(query). The emulator reads a movie completely before it plays
 * it, so serving it slowly would not show its loader any longer.
 */
async function startServer(renderPage) {
  const movies = new Map();
  let nextToken = 1;

  const server = http.createServer((req, res) => {
    const url = new URL(req.url, 'http://127.0.0.1');
    const parts = url.pathname.split('/').filter(Boolean);
    if (parts[0] === 'ruffle' && parts.length >= 2) {
      const file = resolveBelow(RUFFLE_DIR, parts.slice(1).join('/'));
      if (file) return sendFile(res, file);
    } else if (parts[0] === 'movie' && parts.length === 3 && movies.has(parts[1])) {
      return sendFile(res, movies.get(parts[1]));
    } else if (parts[0] === 'play.html') {
      const html = renderPage(Object.fromEntries(url.searchParams));
      res.writeHead(200, { 'Content-Type': CONTENT_TYPES['.html'], 'Cache-Control': 'no-store' });
      return res.end(html);
    } else if (parts[0] === 'favicon.ico') {
      return res.writeHead(204).end();
    }
    res.writeHead(404).end();
  });

  await new Promise((resolve, reject) => {
    server.once('error', reject);
    server.listen(0, '127.0.0.1', resolve);
  });
  const { port } = server.address();

  return {
    origin: `http://127.0.0.1:${port}`,
    addMovie(file) {
      const token = String(nextToken++);
      movies.set(token, path.resolve(file));
      return `/movie/${token}/${encodeURIComponent(path.basename(file))}`;
    },
    close() {
      server.closeAllConnections?.();
      return new Promise((resolve) => server.close(() => resolve()));
    },
  };
}

module.exports = { startServer, RUFFLE_DIR };
