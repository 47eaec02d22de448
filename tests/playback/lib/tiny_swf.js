'use strict';
// Hand-made movies that prove the harness itself, independent of the
// project's movie writer: a movie that traces a line, and one that traces
// the player key code of every key it receives.

function frameRect(widthPx, heightPx) {
  const w = widthPx * 20;
  const h = heightPx * 20;
  const nbits = Math.floor(Math.log2(Math.max(w, h))) + 2;
  const bits = [];
  const put = (count, value) => {
    for (let i = count - 1; i >= 0; i--) bits.push((value >>> i) & 1);
  };
  put(5, nbits);
  put(nbits, 0);
  put(nbits, w);
  put(nbits, 0);
  put(nbits, h);
  const out = Buffer.alloc(Math.ceil(bits.length / 8));
  bits.forEach((bit, i) => { if (bit) out[i >> 3] |= 0x80 >> (i & 7); });
  return out;
}

function tag(code, body = Buffer.alloc(0)) {
  if (body.length < 63) {
    const header = Buffer.alloc(2);
    header.writeUInt16LE((code << 6) | body.length);
    return Buffer.concat([header, body]);
  }
  const header = Buffer.alloc(6);
  header.writeUInt16LE((code << 6) | 0x3f);
  header.writeUInt32LE(body.length, 2);
  return Buffer.concat([header, body]);
}

// Version 6 action records.
const op = (code, payload) => {
  if (!payload) return Buffer.from([code]);
  const head = Buffer.alloc(3);
  head[0] = code;
  head.writeUInt16LE(payload.length, 1);
  return Buffer.concat([head, payload]);
};
const pushString = (s) => op(0x96, Buffer.concat([Buffer.from([0]), Buffer.from(s + '\0', 'latin1')]));
const pushInt = (n) => { const b = Buffer.alloc(5); b[0] = 7; b.writeInt32LE(n, 1); return op(0x96, b); };
const getVariable = op(0x1c);
const setVariable = op(0x1d);
const setMember = op(0x4f);
const callMethod = op(0x52);
const newObject = op(0x40);
const add2 = op(0x47);
const trace = op(0x26);
const pop = op(0x17);
const stop = op(0x07);
const end = op(0x00);

function defineFunction(bodyOps) {
  const body = Buffer.concat(bodyOps);
  const head = Buffer.alloc(5);
  // empty name, no parameters, body size
  head[0] = 0;
  head.writeUInt16LE(0, 1);
  head.writeUInt16LE(body.length, 3);
  return Buffer.concat([op(0x9b, head), body]);
}

function doAction(ops) {
  return tag(12, Buffer.concat([...ops, end]));
}

function movie({ width = 640, height = 480, background = [0, 0, 0], actions }) {
  const header = Buffer.concat([
    Buffer.from('FWS'), Buffer.from([6]), Buffer.alloc(4),
    frameRect(width, height), Buffer.from([0x00, 0x0f]), Buffer.from([1, 0]),
  ]);
  const body = Buffer.concat([
    tag(9, Buffer.from(background)),
    doAction(actions),
    tag(1),
    tag(0),
  ]);
  const file = Buffer.concat([header, body]);
  file.writeUInt32LE(file.length, 4);
  return file;
}

/** A movie that traces the given text once and stops. */
function traceMovie(text, options = {}) {
  return movie({ ...options, actions: [pushString(text), trace, stop] });
}

/** A movie that traces "key <code>" for every key pressed and "ready" once set up. */
function keyEchoMovie(options = {}) {
  const getCode = [pushInt(0), pushString('Key'), getVariable, pushString('getCode'), callMethod];
  return movie({
    ...options,
    actions: [
      pushString('echo'), pushInt(0), pushString('Object'), newObject, setVariable,
      pushString('echo'), getVariable, pushString('onKeyDown'),
      defineFunction([pushString('key '), ...getCode, add2, trace]),
      setMember,
      pushString('echo'), getVariable, pushInt(1), pushString('Key'), getVariable,
      pushString('addListener'), callMethod, pop,
      pushString('ready'), trace, stop,
    ],
  });
}

module.exports = { traceMovie, keyEchoMovie, frameRect };
