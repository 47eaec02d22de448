// The slide player of the HTML5 twin, without the page: the configuration
// document, the key table, navigation, automatic playback and the fade's
// timing. It knows nothing of the DOM so that node can run it in tests; the
// page (222.JS.js) feeds it events and times and draws what it reports.
(function (root, factory) {
  var api = factory();
  if (typeof module === "object" && module.exports) module.exports = api;
  else root.OrvantaTwinLogic = api;
})(this, function () {
  "use strict";

  // The movie runs at 15 frames per second; its fade lowers the old slide's
  // copy from 96 % by 20 points a frame and stops below 5 %.
  var FRAME_MS = 1000 / 15;
  var FADE_FROM = 96, FADE_STEP = 20, FADE_LIMIT = 5;
  var FADE_FRAMES = (function () {
    var alpha = FADE_FROM, frames = 0;
    do { alpha -= FADE_STEP; frames += 1; } while (alpha >= FADE_LIMIT);
    return frames;
  })();
  var FADE_MS = FADE_FRAMES * FRAME_MS;
  var DEFAULT_DELAY = 3;  // seconds, for a missing or unusable delay

  // The attributes of the first <name ...> element of the document.
  function attributes(text, name) {
    var found = new RegExp("<" + name + "(\\s[^>]*)?>").exec(text);
    var out = {};
    if (!found || !found[1]) return out;
    var pattern = /([A-Za-z]+)="([^"]*)"/g, pair;
    while ((pair = pattern.exec(found[1])) !== null) out[pair[1]] = pair[2];
    return out;
  }

  // ActionScript's int(Number(text)): NaN and infinities give 0.
  function toInteger(text) {
    var value = Number(text);
    return isFinite(value) ? Math.trunc(value) : 0;
  }

  // The values the movie's player reads from its configuration document.
  function parseConfig(text) {
    text = String(text || "");
    var init = attributes(text, "init");
    var config = attributes(text, "config");
    var delays = [];
    var body = /<config[^>]*>([\s\S]*)<\/config>/.exec(text);
    if (body) {
      var entry = /<slideProp\b([^>]*)>/g, found;
      while ((found = entry.exec(body[1])) !== null) {
        var delay = /delay="([^"]*)"/.exec(found[1]);
        delays.push(toInteger(delay ? delay[1] : ""));
      }
    }
    var width = toInteger(init.frameWidth), height = toInteger(init.frameHeight);
    return {
      alignTopLeft: init.align === "TL",
      showMenu: init.showMenu === "true",
      scale: init.scaleMode === "showAll",
      width: width > 0 ? width : 640,
      height: height > 0 ? height : 480,
      showNav: config.showNavPanel === "true",
      autoStart: config.autoStart === "true",
      loop: config.loop === "true",
      fade: config.transAnim === "fade",
      perSlide: config.fixDelay === "-1",
      fixedDelay: toInteger(config.fixDelay),
      delays: delays,
    };
  }

  // The movie's key table (Flash key codes) by KeyboardEvent.key. Keypad keys
  // report the same names with Num Lock off; keypad Enter is "Enter" too.
  var KEYS = {
    "p": "auto", "P": "auto",                                      // 80
    " ": "next", "Spacebar": "next", "Enter": "next", "Separator": "next", "ArrowRight": "next", "Right": "next",
    "Backspace": "previous", "ArrowLeft": "previous", "Left": "previous",   // 8, 37
    "Home": "first", "PageUp": "first", "ArrowUp": "first", "Up": "first",  // 36, 33, 38
    "End": "last", "PageDown": "last", "ArrowDown": "last", "Down": "last", // 35, 34, 40
  };
  function keyAction(key) {
    return Object.prototype.hasOwnProperty.call(KEYS, key) ? KEYS[key] : null;
  }

  // One player: `count` slides, `config` from parseConfig, `listener` gets
  // every change as {type, ...} with the time it happened.
  function createPlayer(count, config, listener) {
    count = Math.max(1, Math.floor(count) || 1);
    var emit = listener || function () {};
    var state = {
      current: 1,
      count: count,
      auto: false,
      start: 0,
      delay: DEFAULT_DELAY,
      indicator: 1,
      fadeUntil: -Infinity,
      prevDimmed: true,
      nextDimmed: true,
    };

    function fading(now) { return now < state.fadeUntil; }

    function refresh(now) {
      state.prevDimmed = state.current === 1;
      state.nextDimmed = state.current === count;
      emit({ type: "status", t: now, current: state.current, count: count });
    }

    // updateFrame(inc): a move that is in range, not to the same slide and
    // not during a fade; the panel is refreshed in every case.
    function move(inc, now) {
      var target = state.current + inc;
      if (target >= 1 && target <= count && target !== state.current) {
        if (fading(now)) {
          emit({ type: "refused", t: now, target: target });
        } else {
          var from = state.current;
          state.current = target;
          if (config.fade) state.fadeUntil = now + FADE_MS;
          emit({ type: "goto", t: now, slide: target, from: from, fade: config.fade, duration: config.fade ? FADE_MS : 0 });
        }
      }
      refresh(now);
    }

    function setIndicator(frame, now) {
      if (frame === state.indicator) return;
      state.indicator = frame;
      emit({ type: "indicator", t: now, frame: frame });
    }

    // autoplayInit(): a new interval on the current slide.
    function beginInterval(now) {
      state.start = now;
      state.prevDimmed = true;
      state.nextDimmed = true;
      emit({ type: "status", t: now, current: state.current, count: count });
      var delay = config.perSlide ? config.delays[state.current - 1] : config.fixedDelay;
      state.delay = delay > 0 ? delay : DEFAULT_DELAY;
    }

    function startAuto(now) {
      beginInterval(now);
      state.auto = true;
      emit({ type: "auto", t: now, on: true, delay: state.delay });
    }

    function stopAuto(now) {
      move(0, now);
      state.auto = false;
      setIndicator(1, now);
      emit({ type: "auto", t: now, on: false });
    }

    var player = {
      state: state,
      fading: fading,
      next: function (now) { move(1, now); },
      previous: function (now) { move(-1, now); },
      first: function (now) { move(1 - state.current, now); },
      last: function (now) { move(count - state.current, now); },
      go: function (slide, now) { move(Math.floor(slide) - state.current, now); },
      toggleAuto: function (now) { if (state.auto) stopAuto(now); else startAuto(now); },
      startAuto: startAuto,
      stopAuto: stopAuto,

      // A key by KeyboardEvent.key: true when the player used it. Only P
      // works during automatic playback.
      key: function (key, now) {
        var action = keyAction(key);
        if (action === null) return false;
        if (action === "auto") {
          player.toggleAuto(now);
        } else if (!state.auto) {
          player[action](now);
        }
        return true;
      },

      // A click with the panel hidden: the left third of the frame goes back.
      click: function (x, now) {
        move(x < config.width / 3 ? -1 : 1, now);
      },

      // Called as often as the page can; the movie looks 15 times a second.
      tick: function (now) {
        if (!state.auto) return;
        var elapsed = now - state.start;
        setIndicator(Math.min(4, 1 + Math.floor((4 * elapsed) / (1000 * state.delay))), now);
        if (elapsed < 1000 * state.delay) return;
        // The last slide has had its full interval: loop back or end.
        if (state.current === count && config.loop) move(1 - count, now);
        else move(1, now);
        beginInterval(now);
        if (!config.loop && state.current === count) stopAuto(now);
      },

      // The movie's set-up: a first refresh, then automatic playback if asked.
      begin: function (now, slide) {
        if (slide >= 1 && slide <= count) state.current = Math.floor(slide);
        refresh(now);
        if (config.autoStart) startAuto(now);
      },
    };
    return player;
  }

  // Text as search compares it: one case, full-width letters and digits as
  // their ASCII twins (Chinese input methods type them), and typographic
  // quotes and apostrophes as plain ones (a keyboard types "won't", a deck
  // holds "won’t"). Character by character, so that each folded character
  // knows where it came from.
  var QUOTES = {
    "\u2018": "'", "\u2019": "'", "\u201A": "'", "\u201B": "'", "\u2032": "'", "\u2035": "'",
    "\u201C": "\"", "\u201D": "\"", "\u201E": "\"", "\u201F": "\"", "\u2033": "\"", "\u2036": "\"",
  };
  function foldMapped(text) {
    text = String(text || "");
    var folded = "", from = [];
    for (var k = 0; k < text.length;) {
      var character = String.fromCodePoint(text.codePointAt(k));
      var fold = QUOTES[character] || (character.normalize ? character.normalize("NFKC") : character).toLowerCase();
      for (var j = 0; j < fold.length; ++j) from.push(k);
      folded += fold;
      k += character.length;
    }
    from.push(text.length);
    return { text: folded, from: from };
  }
  function foldText(text) { return foldMapped(text).text; }

  // The words around text[start, end): about CONTEXT characters on each
  // side, cut at a blank, lines joined.
  var CONTEXT = 40;
  function contextAt(text, start, end) {
    var from = Math.max(0, start - CONTEXT), to = Math.min(text.length, end + CONTEXT);
    if (from > 0) {
      var blank = text.slice(from, start).search(/\s/);
      if (blank >= 0) from += blank + 1;
    }
    if (to < text.length) {
      var last = text.slice(end, to).search(/\s\S*$/);
      if (last >= 0) to = end + last;
    }
    var flat = function (part) { return part.replace(/\s+/g, " "); };
    return {
      before: flat(text.slice(from, start)).replace(/^ /, ""),
      match: text.slice(start, end),
      after: flat(text.slice(end, to)).replace(/ $/, ""),
      cut: from > 0,
      more: to < text.length,
    };
  }

  // The slides (from 1) whose text holds every word of `query`, each with
  // the words around the first place found; a word of digits also names its
  // slide's number, so that untitled slides are found.
  function searchSlides(texts, query) {
    var words = foldText(query).split(/\s+/).filter(Boolean);
    var found = [];
    if (words.length === 0) return found;
    for (var k = 0; k < texts.length; ++k) {
      var mapped = foldMapped(texts[k]), first = null, all = true;
      for (var w = 0; w < words.length && all; ++w) {
        var at = mapped.text.indexOf(words[w]);
        if (at < 0) all = words[w] === String(k + 1);
        else if (!first || at < first.at) first = { at: at, end: at + words[w].length };
      }
      if (!all) continue;
      var text = String(texts[k] || "");
      found.push({ slide: k + 1, context: first ? contextAt(text, mapped.from[first.at], mapped.from[first.end]) : null });
    }
    return found;
  }
  function findSlides(texts, query) {
    return searchSlides(texts, query).map(function (hit) { return hit.slide; });
  }

  // ---- A lesson's progress. The slides seen, as cmi.suspend_data keeps
  // them from one visit to the next: "s1:" and one hex digit for every four
  // slides, slide 1 the lowest bit of the first digit (7280 slides fit in
  // the 4096 characters SCORM 1.2 grants).
  function encodeSeen(seen, count) {
    var digits = [];
    for (var d = 0; d < Math.ceil(count / 4); ++d) digits.push(0);
    seen.forEach(function (slide) {
      if (slide >= 1 && slide <= count) digits[(slide - 1) >> 2] |= 1 << ((slide - 1) & 3);
    });
    return "s1:" + digits.map(function (v) { return v.toString(16); }).join("");
  }
  // The slides of `count` that `text` says were seen; none for anything else.
  function decodeSeen(text, count) {
    var found = /^s1:([0-9a-f]*)$/.exec(String(text || ""));
    var seen = [];
    if (!found) return seen;
    for (var slide = 1; slide <= count && (slide - 1) >> 2 < found[1].length; ++slide) {
      if (parseInt(found[1].charAt((slide - 1) >> 2), 16) & (1 << ((slide - 1) & 3))) seen.push(slide);
    }
    return seen;
  }
  // Whether `seen` of the `counted` slides reach `share` per cent of them
  // (1 to 100; anything else counts as 100).
  function completionReached(seen, counted, share) {
    share = Math.floor(Number(share));
    if (!(share >= 1 && share <= 100)) share = 100;
    return seen * 100 >= share * counted;
  }

  return {
    FRAME_MS: FRAME_MS,
    FADE_MS: FADE_MS,
    FADE_FROM: FADE_FROM / 100,
    DEFAULT_DELAY: DEFAULT_DELAY,
    parseConfig: parseConfig,
    keyAction: keyAction,
    createPlayer: createPlayer,
    findSlides: findSlides,
    searchSlides: searchSlides,
    encodeSeen: encodeSeen,
    decodeSeen: decodeSeen,
    completionReached: completionReached,
  };
});
