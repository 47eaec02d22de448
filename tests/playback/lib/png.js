'use strict';
// Decodes the PNG screenshots that Chromium takes (8-bit RGB or RGBA,
// not interlaced) into an RGBA pixel array, so tests can read colours.
const zlib = require('node:zlib');

const SIGNATURE = Buffer.from([0x89, 0x50, 0x4e, 0x47, 0x0d, 0x0a, 0x1a, 0x0a]);

function paeth(a, b, c) {
  const p = a + b - c;
  const pa = Math.abs(p - a);
  const pb = Math.abs(p - b);
  const pc = Math.abs(p - c);
  if (pa <= pb && pa <= pc) return a;
  return pb <= pc ? b : c;
}

function unfilter(raw, width, height, channels) {
  const stride = width * channels;
  const out = Buffer.alloc(stride * height);
  let at = 0;
  for (let y = 0; y < height; y++) {
    const filter = raw[at++];
    const row = y * stride;
    const prev = row - stride;
    for (let x = 0; x < stride; x++) {
      const value = raw[at++];
      const a = x >= channels ? out[row + x - channels] : 0;
      const b = y > 0 ? out[prev + x] : 0;
      const c = x >= channels && y > 0 ? out[prev + x - channels] : 0;
      let predicted;
      switch (filter) {
        case 0: predicted = 0; break;
        case 1: predicted = a; break;
        case 2: predicted = b; break;
        case 3: predicted = (a + b) >> 1; break;
        case 4: predicted = paeth(a, b, c); break;
        default: throw new Error(`PNG: unknown filter ${filter}`);
      }
      out[row + x] = (value + predicted) & 0xff;
    }
  }
  return out;
}

/** Returns { width, height, pixel(x, y) -> [r, g, b] }. */
function decodePng(buffer) {
  if (buffer.length < 8 || !buffer.subarray(0, 8).equals(SIGNATURE)) throw new Error('PNG: bad signature');
  let at = 8;
  let width = 0, height = 0, bitDepth = 0, colourType = 0, interlace = 0;
  const data = [];
  while (at + 8 <= buffer.length) {
    const length = buffer.readUInt32BE(at);
    const type = buffer.toString('latin1', at + 4, at + 8);
    if (at + 12 + length > buffer.length) throw new Error('PNG: truncated chunk');
    const body = buffer.subarray(at + 8, at + 8 + length);
    if (type === 'IHDR') {
      width = body.readUInt32BE(0);
      height = body.readUInt32BE(4);
      bitDepth = body[8];
      colourType = body[9];
      interlace = body[12];
    } else if (type === 'IDAT') {
      data.push(body);
    } else if (type === 'IEND') {
      break;
    }
    at += 12 + length;
  }
  const channels = { 2: 3, 6: 4 }[colourType];
  if (bitDepth !== 8 || !channels || interlace !== 0) {
    throw new Error(`PNG: unsupported format depth=${bitDepth} colour=${colourType} interlace=${interlace}`);
  }
  const raw = zlib.inflateSync(Buffer.concat(data));
  if (raw.length < (width * channels + 1) * height) throw new Error('PNG: short image data');
  const pixels = unfilter(raw, width, height, channels);
  return {
    width,
    height,
    pixel(x, y) {
      const xi = Math.min(width - 1, Math.max(0, Math.round(x)));
      const yi = Math.min(height - 1, Math.max(0, Math.round(y)));
      const o = (yi * width + xi) * channels;
      return [pixels[o], pixels[o + 1], pixels[o + 2]];
    },
  };
}

module.exports = { decodePng };
