'use strict';
// Writes folders of slide pictures for the converter: each slide a flat,
// distinct colour with its number drawn large in the middle, as 24-bit BMP.
const fs = require('node:fs');
const path = require('node:path');

// Saturated colours far apart from each other and from black, so a JPEG
// round trip still tells them apart.
const PALETTE = [
  [220, 30, 30], [30, 170, 60], [40, 60, 220], [230, 210, 40], [200, 40, 200],
  [40, 200, 210], [240, 130, 20], [110, 50, 160], [150, 150, 150], [120, 70, 20],
];

function slideColour(k) {
  return PALETTE[(k - 1) % PALETTE.length];
}

// Seven-segment layout: which segments light up for each digit.
const SEGMENTS = ['abcdef', 'bc', 'abdeg', 'abcdg', 'bcfg', 'acdfg', 'acdefg', 'abc', 'abcdefg', 'abcdfg'];

function digitMask(digit, width, height) {
  const h = Math.floor(height / 2);
  const w = Math.floor(h / 2);
  const t = Math.max(2, Math.floor(h / 8));
  const x0 = Math.floor((width - w) / 2);
  const y0 = Math.floor((height - h) / 2);
  const mid = y0 + Math.floor((h - t) / 2);
  const boxes = {
    a: [x0, y0, w, t], d: [x0, y0 + h - t, w, t], g: [x0, mid, w, t],
    f: [x0, y0, t, Math.floor(h / 2)], b: [x0 + w - t, y0, t, Math.floor(h / 2)],
    e: [x0, mid, t, h - (mid - y0)], c: [x0 + w - t, mid, t, h - (mid - y0)],
  };
  const lit = SEGMENTS[digit % 10].split('').map((s) => boxes[s]);
  return (x, y) => lit.some(([bx, by, bw, bh]) => x >= bx && x < bx + bw && y >= by && y < by + bh);
}

/** Encodes a picture given by colourAt(x, y) -> [r, g, b] as a 24-bit bottom-up BMP. */
function encodeBmp(width, height, colourAt) {
  const stride = Math.ceil((width * 3) / 4) * 4;
  const imageSize = stride * height;
  const file = Buffer.alloc(54 + imageSize);
  file.write('BM', 0, 'latin1');
  file.writeUInt32LE(file.length, 2);
  file.writeUInt32LE(54, 10);
  file.writeUInt32LE(40, 14);
  file.writeInt32LE(width, 18);
  file.writeInt32LE(height, 22);
  file.writeUInt16LE(1, 26);
  file.writeUInt16LE(24, 28);
  file.writeUInt32LE(imageSize, 34);
  file.writeInt32LE(3780, 38);
  file.writeInt32LE(3780, 42);
  for (let y = 0; y < height; y++) {
    const row = 54 + (height - 1 - y) * stride;
    for (let x = 0; x < width; x++) {
      const [r, g, b] = colourAt(x, y);
      file[row + x * 3] = b;
      file[row + x * 3 + 1] = g;
      file[row + x * 3 + 2] = r;
    }
  }
  return file;
}

function slidePicture(k, width, height, colour = slideColour(k)) {
  const ink = colour[0] + colour[1] + colour[2] > 380 ? [0, 0, 0] : [255, 255, 255];
  const inDigit = digitMask(k, width, height);
  return encodeBmp(width, height, (x, y) => (inDigit(x, y) ? ink : colour));
}

/**
 * Writes Slide1.bmp .. Slide<count>.bmp into a fresh folder and returns the
 * picture paths. With `uniform` every slide has the first slide's colour (only
 * the number differs), so that the semi-transparent panel looks the same on
 * every slide and its pixels can be compared from slide to slide.
 */
function writeSlideFolder(folder, count, { width = 640, height = 480, uniform = false } = {}) {
  fs.rmSync(folder, { recursive: true, force: true });
  fs.mkdirSync(folder, { recursive: true });
  const files = [];
  for (let k = 1; k <= count; k++) {
    const file = path.join(folder, `Slide${k}.bmp`);
    fs.writeFileSync(file, slidePicture(k, width, height, uniform ? slideColour(1) : slideColour(k)));
    files.push(file);
  }
  return files;
}

function colourDistance(a, b) {
  return Math.max(Math.abs(a[0] - b[0]), Math.abs(a[1] - b[1]), Math.abs(a[2] - b[2]));
}

/** The slide number whose colour is within `tolerance` of the pixel, or 0. */
function slideOfColour(pixel, count, tolerance = 28) {
  for (let k = 1; k <= count; k++) {
    if (colourDistance(pixel, slideColour(k)) <= tolerance) return k;
  }
  return 0;
}

module.exports = { writeSlideFolder, slideColour, slideOfColour, colourDistance, encodeBmp, PALETTE };
