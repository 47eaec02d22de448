'use strict';
// Where the navigation panel's parts lie on the screen, and pixel measures
// over screen regions. The geometry mirrors the panel artwork of the player
// fragment (tools/swfgen): a 340 x 52 panel that the player moves to 18
// pixels from the bottom right corner of the frame, with its buttons in one
// row 20 pixels below the panel's top.
const PANEL = { width: 340, height: 52, margin: 18 };
const PARTS = {
  prev: { x: 10, y: 20, w: 62, h: 24 },
  next: { x: 78, y: 20, w: 62, h: 24 },
  auto: { x: 146, y: 20, w: 96, h: 24 },
  status: { x: 278, y: 20, w: 54, h: 24 },
};

/** The screen box of a panel part for a frame of width x height at (left, top). */
function panelPart(name, width, height, left = 0, top = 0) {
  const part = PARTS[name];
  const x = left + width - PANEL.width - PANEL.margin + part.x;
  const y = top + height - PANEL.height - PANEL.margin + part.y;
  return { x, y, w: part.w, h: part.h, cx: x + part.w / 2, cy: y + part.h / 2 };
}

function panelBox(width, height, left = 0, top = 0) {
  return {
    x: left + width - PANEL.width - PANEL.margin, y: top + height - PANEL.height - PANEL.margin,
    w: PANEL.width, h: PANEL.height,
  };
}

const luma = ([r, g, b]) => 0.299 * r + 0.587 * g + 0.114 * b;

/** The pixels of a box of a decoded screenshot, row by row. */
function regionPixels(shot, box) {
  const pixels = [];
  for (let y = box.y; y < box.y + box.h; y++) {
    for (let x = box.x; x < box.x + box.w; x++) pixels.push(shot.pixel(x, y));
  }
  return pixels;
}

/** The brightest pixel's luma: the label text of a button. */
function maxLuma(shot, box) {
  return Math.max(...regionPixels(shot, box).map(luma));
}

/** The largest per-channel difference between two screenshots over a box. */
function regionDifference(shotA, shotB, box) {
  const a = regionPixels(shotA, box);
  const b = regionPixels(shotB, box);
  let worst = 0;
  for (let i = 0; i < a.length; i++) {
    for (let c = 0; c < 3; c++) worst = Math.max(worst, Math.abs(a[i][c] - b[i][c]));
  }
  return worst;
}

module.exports = { PANEL, panelPart, panelBox, maxLuma, regionDifference, regionPixels, luma };
