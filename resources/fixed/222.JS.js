// The HTML5 twin's page. It runs before the slides arrive (they come last
// in the page): the loader counts their bytes, the first slide shows as soon
// as its own picture has decoded, and the others decode behind it, the next
// two first. Then the player logic (221.JS.js) drives what is shown. Keys,
// clicks, swipes, the panel and its drag, the address (#5 is slide 5) and
// full screen; for readers, the slide changes announced, the text view (T),
// the notes (N), the slide list (L) and search (/). Every word it shows
// comes from the page's #say block.
(function () {
  "use strict";
  var Logic = window.OrvantaTwinLogic;
  var stage = document.getElementById("stage");
  var frame = document.getElementById("frame");
  var panel = document.getElementById("panel");
  var buttons = {
    prev: document.getElementById("prev"),
    next: document.getElementById("next"),
    auto: document.getElementById("auto"),
  };
  var steps = document.querySelectorAll("#steps i");
  var statusText = document.getElementById("status");
  var loader = document.getElementById("loader");
  var config = Logic.parseConfig(stage.getAttribute("data-config"));
  // The slides' pictures, filled in as they arrive.
  var count = Math.max(1, parseInt(stage.getAttribute("data-count"), 10) || 1);
  var slides = [];
  var player = null;
  var scale = 1;
  var panelAt = { x: 0, y: 0 };
  var fadeAnimation = null;
  function $(id) { return document.getElementById(id); }

  // What happened, on the page's own clock; read by the playback tests.
  // A script after this one (a lesson package's bridge) may name the slide
  // to start on and be told of every slide shown.
  function now() { return performance.now(); }
  var twin = { config: config, count: count, log: [], ready: false, startAt: 0, onSlide: [], begun: now() };
  window.orvantaTwin = twin;
  function tellShown(slide) {
    twin.onSlide.forEach(function (listener) {
      try { listener(slide, count); } catch (e) { /* a listener never stops the slides */ }
    });
  }

  // ---- Words: the labels are kept in one block of the page, in their own
  // language; each slide's text is in the element its picture names.
  var words = $("say");
  function say(key, a, b) {
    var found = words.querySelector('[data-k="' + key + '"]');
    return (found ? found.textContent : key).replace("%1", a).replace("%2", b);
  }
  // Text in an element of its own language (a label amid the deck's words).
  function textIn(tag, text, lang) {
    var element = document.createElement(tag);
    element.textContent = text;
    if (lang) element.lang = lang;
    return element;
  }
  // A slide's words: the element that describes it (its picture names it;
  // before the picture arrives, its text by number), its title in its own
  // language, and everything as plain lines for search, its notes included.
  var BLOCKS = /^(H3|P|LI|TH|TD|TR|UL|OL|TABLE|DIV|BR)$/;
  function wordsOf(element) {
    var out = [];
    (function walk(node) {
      if (node.nodeType === 3) { out.push(node.data); return; }
      var block = BLOCKS.test(node.nodeName);
      if (block) out.push("\n");
      for (var child = node.firstChild; child; child = child.nextSibling) walk(child);
      if (block) out.push("\n");
    })(element);
    return out.join("").replace(/[ \t]*\n\s*/g, "\n").trim();
  }
  var known = [];
  function textOf(slide) {
    if (known[slide - 1]) return known[slide - 1];
    var img = slides[slide - 1];
    var id = img ? img.getAttribute("aria-describedby") : "d" + slide;
    var element = id ? $(id) : null;
    var heading = element && element.querySelector("h3");
    var notes = $("n" + slide);
    var text = {
      element: element,
      notes: notes,
      title: heading ? heading.textContent : "",
      lang: heading && heading.lang ? heading.lang : element && element.parentNode === words ? words.lang : "",
      words: [element ? wordsOf(element) : "", notes ? wordsOf(notes) : ""].join("\n").trim(),
    };
    if (img) known[slide - 1] = text;
    return text;
  }

  // With reduced motion asked for, slides change at once: no fade, so no
  // move is refused for one.
  var movieFades = config.fade;
  var still = window.matchMedia ? window.matchMedia("(prefers-reduced-motion: reduce)") : null;
  function followMotion() { config.fade = movieFades && !(still && still.matches); }
  followMotion();
  if (still && still.addEventListener) still.addEventListener("change", followMotion);

  // ---- The frame in the window, as the movie's stage places it. Unlike the
  // movie's noScale, a window smaller than the frame (a phone) shrinks it
  // rather than cutting its edges off.
  frame.style.width = config.width + "px";
  frame.style.height = config.height + "px";
  function layout() {
    var w = window.innerWidth, h = window.innerHeight;
    // An open sheet takes the right side, or the lower half of a narrow
    // window: the slide stays in view beside it and covers nothing.
    if (shown) {
      if (sheet.offsetWidth < w) w -= sheet.offsetWidth; else h = Math.round(h / 2);
    }
    var fit = Math.min(w / config.width, h / config.height);
    scale = config.scale ? fit : Math.min(1, fit);
    if (!(scale > 0)) scale = 1;
    var left = config.alignTopLeft ? 0 : Math.round((w - config.width * scale) / 2);
    var top = config.alignTopLeft ? 0 : Math.round((h - config.height * scale) / 2);
    frame.style.left = left + "px";
    frame.style.top = top + "px";
    frame.style.transform = scale === 1 ? "" : "scale(" + scale + ")";
  }
  layout();
  window.addEventListener("resize", layout);

  if (!config.showMenu) {
    // The movie withholds its context menu, and with it printing.
    document.documentElement.classList.add("no-print");
    document.addEventListener("contextmenu", function (event) { event.preventDefault(); });
  }

  // ---- Drawing what the player reports.
  function showSlide(slide, from, fade, duration) {
    if (fadeAnimation) fadeAnimation.finish();
    var old = slides[from - 1];
    slides.forEach(function (img, k) { img.classList.toggle("current", k === slide - 1); });
    waitFor(slide);
    if (fade && old && slides[slide - 1] && typeof old.animate === "function") {
      old.classList.add("fading");
      var animation = old.animate([{ opacity: Logic.FADE_FROM }, { opacity: 0 }],
                                  { duration: duration, easing: "linear" });
      fadeAnimation = animation;
      animation.onfinish = animation.oncancel = function () {
        old.classList.remove("fading");
        if (fadeAnimation === animation) fadeAnimation = null;
      };
    }
  }

  function drawPanel() {
    var state = player.state;
    buttons.prev.disabled = state.prevDimmed;
    buttons.next.disabled = state.nextDimmed;
    buttons.auto.textContent = say(state.auto ? "pause" : "play");
    buttons.auto.setAttribute("aria-pressed", state.auto ? "true" : "false");
    for (var k = 0; k < steps.length; ++k) steps[k].classList.toggle("on", state.auto && k < state.indicator);
    statusText.textContent = state.current + " / " + state.count;
  }

  function followAddress(slide) {
    var target = "#" + slide;
    if (location.hash === target) return;
    try {
      history.replaceState(null, "", target);
    } catch (error) {
      location.replace(target);
    }
  }

  function onEvent(event) {
    twin.log.push(event);
    if (twin.log.length > 5000) twin.log.splice(0, 1000);  // a show may loop for days
    if (event.type === "goto") {
      showSlide(event.slide, event.from, event.fade, event.duration);
      followAddress(event.slide);
      announce(event.slide);
      if (shown === "text") drawText();
      if (shown === "notes") drawNotes();
      markCurrent();
      decodeSoon();
      tellShown(event.slide);
    }
    if (player) drawPanel();
  }

  // ---- Loading. The bar counts the bytes of the pictures received; the
  // slide on screen shows once its picture has decoded, the next two decode
  // next, then the others, two at a time.
  var totalBytes = Math.max(1, parseInt(loader.getAttribute("data-bytes"), 10) || 1);
  var receivedBytes = 0, decoded = [], decoding = [], busy = 0;
  function megabytes(bytes) { return (bytes / 1048576).toFixed(1); }
  function setLoaded() {
    var percent = Math.min(100, Math.floor((receivedBytes / totalBytes) * 100));
    $("loader-fill").style.width = percent + "%";
    $("loader-text").textContent = percent + " % \u00b7 " + say("megabytes", megabytes(receivedBytes), megabytes(totalBytes));
    loader.setAttribute("aria-valuenow", String(percent));
  }
  function wanted() { return player ? player.state.current : firstSlide(); }
  // The loader stays over a slide whose picture is not there yet.
  function waitFor(slide) {
    var ready = decoded[slide - 1] === true;
    loader.hidden = ready;
    loader.style.display = ready ? "none" : "";
  }
  function decodeOne(k) {
    var img = slides[k];
    decoding[k] = true;
    busy += 1;
    var settle = function () {
      decoded[k] = true;
      busy -= 1;
      if (k === wanted() - 1) {
        if (!player) start(); else waitFor(k + 1);
      }
      decodeSoon();
    };
    if (typeof img.decode === "function") img.decode().then(settle, settle);
    else if (img.complete) settle();
    else { img.addEventListener("load", settle); img.addEventListener("error", settle); }
  }
  function decodeSoon() {
    var current = wanted() - 1;
    var order = [current, current + 1, current + 2];
    for (var k = 0; k < count; ++k) order.push(k);
    for (var j = 0; j < order.length; ++j) {
      var at = order[j];
      // Until the first slide shows, its picture has the machine to itself.
      if ((busy >= 2 || !player) && at !== current) return;
      if (slides[at] && !decoded[at] && !decoding[at]) decodeOne(at);
    }
  }
  function arrived(img) {
    if (slides.length >= count) return;
    var k = slides.length;
    slides.push(img);
    receivedBytes += img.getAttribute("src").length;
    setLoaded();
    img.classList.toggle("current", !!player && k === player.state.current - 1);
    decodeSoon();
  }
  // The slides' container comes into the frame when it arrives, and the
  // parser goes on filling it there.
  function collect() {
    var box = $("slides");
    if (!box) return false;
    if (box.parentNode !== frame) frame.insertBefore(box, frame.firstChild);
    var imgs = box.getElementsByTagName("img");
    for (var k = slides.length; k < imgs.length; ++k) arrived(imgs[k]);
    return true;
  }
  function watchArrivals() {
    setLoaded();
    if (typeof MutationObserver === "function") {
      var watcher = new MutationObserver(collect);
      watcher.observe(document.body, { childList: true, subtree: true });
      document.addEventListener("DOMContentLoaded", function () { collect(); watcher.disconnect(); });
    } else {
      document.addEventListener("DOMContentLoaded", collect);
    }
    collect();
  }

  function addressSlide() {
    var found = /^#(\d{1,7})$/.exec(location.hash);
    return found ? parseInt(found[1], 10) : 0;
  }
  function firstSlide() {
    var first = addressSlide() || twin.startAt;
    return first >= 1 && first <= count ? first : 1;
  }

  // ---- The panel: bottom right, draggable within the frame.
  function placePanel(x, y) {
    var maxX = Math.max(0, config.width - panel.offsetWidth + 4);
    var maxY = Math.max(0, config.height - panel.offsetHeight);
    panelAt.x = Math.min(Math.max(0, x), maxX);
    panelAt.y = Math.min(Math.max(0, y), maxY);
    panel.style.left = panelAt.x + "px";
    panel.style.top = panelAt.y + "px";
  }

  function setUpPanel() {
    panel.hidden = !config.showNav;
    if (!config.showNav) return;
    placePanel(config.width - panel.offsetWidth - 18, config.height - panel.offsetHeight - 18);
    buttons.prev.addEventListener("click", function () { player.previous(now()); });
    buttons.next.addEventListener("click", function () { player.next(now()); });
    buttons.auto.addEventListener("click", function () { resume = false; player.toggleAuto(now()); });
    var grip = document.getElementById("grip");
    var drag = null;
    grip.addEventListener("pointerdown", function (event) {
      drag = { id: event.pointerId, x: event.clientX, y: event.clientY, left: panelAt.x, top: panelAt.y };
      if (grip.setPointerCapture) grip.setPointerCapture(event.pointerId);
      event.preventDefault();
    });
    grip.addEventListener("pointermove", function (event) {
      if (!drag || event.pointerId !== drag.id) return;
      placePanel(drag.left + (event.clientX - drag.x) / scale, drag.top + (event.clientY - drag.y) / scale);
    });
    var endDrag = function (event) {
      if (drag && event.pointerId === drag.id) drag = null;
    };
    grip.addEventListener("pointerup", endDrag);
    grip.addEventListener("pointercancel", endDrag);
  }

  // ---- Keys, clicks, swipes, the address and full screen.
  function toggleFullScreen() {
    var root = document.documentElement;
    var current = document.fullscreenElement || document.webkitFullscreenElement;
    var result;
    if (current) result = (document.exitFullscreen || document.webkitExitFullscreen).call(document);
    else if (root.requestFullscreen) result = root.requestFullscreen();
    else if (root.webkitRequestFullscreen) result = root.webkitRequestFullscreen();
    if (result && typeof result.catch === "function") result.catch(function () {});
  }

  function onControl(target) {
    return target && target.closest && target.closest("a, button, input, .panel, .aids, .sheet");
  }

  function bindInput() {
    window.addEventListener("keydown", function (event) {
      if (event.isComposing) return;  // an input method's keys are its own
      if (event.key === "Escape" || event.key === "Esc") {
        if (shown) { closeSheet(); event.preventDefault(); }
        return;
      }
      // The sheet keeps its keys: typing, scrolling, moving in its lists.
      if (sheet.contains(event.target)) return;
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      // A focused button or link takes its own Enter and Space.
      if ((event.key === "Enter" || event.key === " ") && onControl(event.target) &&
          event.target.closest("a, button")) return;
      var aid = AID_KEYS[event.key];
      if (aid) {
        if (shown === aid && aid !== "search") closeSheet(); else openSheet(aid);
        event.preventDefault();
        return;
      }
      if (event.key === "f" || event.key === "F") {
        toggleFullScreen();
        event.preventDefault();
        return;
      }
      if (Logic.keyAction(event.key) === "auto") resume = false;  // the reader decides
      if (player.key(event.key, now())) event.preventDefault();
    });

    // With the panel hidden a click moves: the left third of the frame back.
    document.addEventListener("mousedown", function (event) {
      if (config.showNav || event.button !== 0 || onControl(event.target)) return;
      var box = frame.getBoundingClientRect();
      player.click((event.clientX - box.left) / scale, now());
    });

    var touch = null;
    frame.addEventListener("touchstart", function (event) {
      if (event.touches.length !== 1 || onControl(event.target)) { touch = null; return; }
      touch = { x: event.touches[0].clientX, y: event.touches[0].clientY };
    }, { passive: true });
    frame.addEventListener("touchend", function (event) {
      if (!touch || event.changedTouches.length !== 1) return;
      var dx = event.changedTouches[0].clientX - touch.x;
      var dy = event.changedTouches[0].clientY - touch.y;
      touch = null;
      if (Math.abs(dx) < 40 || Math.abs(dx) < 1.5 * Math.abs(dy)) return;
      if (dx < 0) player.next(now()); else player.previous(now());
      if (event.cancelable) event.preventDefault();  // no click after a swipe
    });

    // After any move, refused (out of range, not a number, during a fade) or
    // not, the address names the slide on screen, so a reload opens it.
    window.addEventListener("hashchange", function () {
      var slide = addressSlide();
      if (slide >= 1 && slide <= count && slide !== player.state.current) player.go(slide, now());
      followAddress(player.state.current);
    });
  }

  // ---- Reading aids: one sheet at a time beside the frame, sized in the
  // page's own pixels so that the browser's zoom enlarges its text sharply.
  var AID_KEYS = { t: "text", T: "text", l: "list", L: "list", "/": "search" };
  var sheet = $("sheet");
  var panes = { text: $("pane-text"), list: $("pane-list"), search: $("pane-search") };
  var openers = { text: $("open-text"), list: $("open-list"), search: $("open-search") };
  // The notes panel, when the deck's notes came along.
  if ($("open-notes")) {
    AID_KEYS.n = AID_KEYS.N = "notes";
    panes.notes = $("pane-notes");
    openers.notes = $("open-notes");
  }
  var live = $("live"), query = $("query"), hits = $("hits"), list = $("list");
  var shown = null, returnTo = null, resume = false, listMade = false, idle = 0;

  // The buttons lie over the slide: they step aside while the pointer rests
  // and come back when it moves, with the focus (CSS) and with an open sheet.
  function wake() {
    $("aids").classList.remove("idle");
    clearTimeout(idle);
    idle = setTimeout(function () { if (!shown) $("aids").classList.add("idle"); }, 4000);
  }

  function announce(slide) {
    live.textContent = "";
    live.appendChild(textIn("span", say("slide", slide, count), words.lang));
    var text = textOf(slide);
    if (text.title) live.appendChild(textIn("span", ": " + text.title, text.lang));
  }

  // The text view and the notes panel show a copy of their slide's words.
  function drawCopy(name, element, none) {
    var slide = player.state.current, body = $(name + "-body");
    var where = $(name + "-where");
    where.textContent = say("slide", slide, count);
    var title = textOf(slide).title;
    if (name === "notes" && title) where.appendChild(textIn("span", ": " + title, textOf(slide).lang));
    $(name + "-prev").setAttribute("aria-disabled", String(slide === 1));
    $(name + "-next").setAttribute("aria-disabled", String(slide === count));
    body.textContent = "";
    if (element) {
      var copy = element.cloneNode(true);
      copy.removeAttribute("id");
      body.appendChild(copy);
    } else {
      body.appendChild(textIn("p", say(none), words.lang));
    }
  }
  function drawText() { drawCopy("text", textOf(player.state.current).element, "none"); }
  function drawNotes() { drawCopy("notes", textOf(player.state.current).notes, "no-notes"); }

  // A list entry: the slide's number and title (in its language), or for a
  // slide without one, "Slide k of n".
  function entry(slide, thumbnail, hit) {
    var item = document.createElement("li"), button = document.createElement("button");
    button.type = "button";
    button.tabIndex = -1;
    button.setAttribute("data-slide", slide);
    if (thumbnail) {
      var img = document.createElement("img");
      img.alt = "";
      img.loading = "lazy";
      img.style.aspectRatio = config.width + " / " + config.height;
      // The same data: URI, not a second copy in the file.
      if (slides[slide - 1]) img.src = slides[slide - 1].src;
      button.appendChild(img);
    }
    var text = textOf(slide), name = document.createElement("span");
    if (text.title) {
      button.appendChild(textIn("b", String(slide)));
      button.appendChild(document.createTextNode(" "));
      name.appendChild(textIn("span", text.title, text.lang));
    } else {
      name.appendChild(textIn("span", say("slide", slide, count), words.lang));
    }
    if (hit) {
      // Where the words stand: the words around them, the found ones marked.
      var context = document.createElement("span");
      context.className = "context";
      context.appendChild(document.createTextNode((hit.cut ? "\u2026" : "") + hit.before));
      context.appendChild(textIn("mark", hit.match));
      context.appendChild(document.createTextNode(hit.after + (hit.more ? "\u2026" : "")));
      name.appendChild(context);
    }
    button.appendChild(name);
    item.appendChild(button);
    return item;
  }

  // Lists take one Tab stop; the arrows, Home and End move within them.
  function rove(container, target) {
    var items = container.querySelectorAll("button");
    for (var k = 0; k < items.length; ++k) items[k].tabIndex = items[k] === target ? 0 : -1;
  }
  function onListKey(event) {
    var items = Array.prototype.slice.call(this.querySelectorAll("button"));
    var at = items.indexOf(event.target), to = -1;
    if (at < 0) return;
    if (event.key === "ArrowDown" || event.key === "Down") to = Math.min(items.length - 1, at + 1);
    else if (event.key === "ArrowUp" || event.key === "Up") to = Math.max(0, at - 1);
    else if (event.key === "PageDown") to = Math.min(items.length - 1, at + 10);
    else if (event.key === "PageUp") to = Math.max(0, at - 10);
    else if (event.key === "Home") to = 0;
    else if (event.key === "End") to = items.length - 1;
    if (to < 0) return;
    rove(this, items[to]);
    items[to].focus();
    event.preventDefault();
  }
  function chosen(event) {
    var button = event.target.closest && event.target.closest("button[data-slide]");
    return button ? parseInt(button.getAttribute("data-slide"), 10) : 0;
  }

  function markCurrent() {
    if (!listMade) return;
    var items = list.querySelectorAll("button");
    for (var k = 0; k < items.length; ++k) {
      if (k === player.state.current - 1) items[k].setAttribute("aria-current", "true");
      else items[k].removeAttribute("aria-current");
    }
  }

  function drawList() {
    if (!listMade) {
      for (var k = 1; k <= count; ++k) list.appendChild(entry(k, true));
      listMade = true;
    }
    Array.prototype.forEach.call(list.querySelectorAll("img"), function (img, k) {
      if (!img.src && slides[k]) img.src = slides[k].src;
    });
    markCurrent();
    rove(list, list.querySelectorAll("button")[player.state.current - 1]);
  }

  function drawHits() {
    var all = [];
    for (var k = 1; k <= count; ++k) all.push(textOf(k).words);
    var found = query.value.trim() ? Logic.searchSlides(all, query.value) : null;
    hits.textContent = "";
    $("found").textContent = found ? say("found", found.length) : "";
    if (!found) return found;
    found.forEach(function (hit) { hits.appendChild(entry(hit.slide, false, hit.context)); });
    rove(hits, hits.querySelector("button"));
    return found.map(function (hit) { return hit.slide; });
  }

  function focusPane(name) {
    if (name === "text" || name === "notes") panes[name].focus();
    else if (name === "list") list.querySelector("button[tabindex='0']").focus();
    else { query.focus(); query.select(); }
  }

  // Automatic playback waits while the reader reads, and goes on after.
  function openSheet(name) {
    if (!shown) {
      returnTo = document.activeElement;
      if (player.state.auto) { player.stopAuto(now()); resume = true; }
    }
    shown = name;
    sheet.hidden = false;
    wake();
    for (var key in panes) {
      panes[key].hidden = key !== name;
      openers[key].setAttribute("aria-expanded", String(key === name));
    }
    $("sheet-title").textContent = say(name);
    layout();
    if (name === "text") drawText(); else if (name === "notes") drawNotes();
    else if (name === "list") drawList(); else drawHits();
    focusPane(name);
  }

  // Closing gives the focus back to where it was, so the player's keys work.
  function closeSheet() {
    if (!shown) return;
    var inside = sheet.contains(document.activeElement);
    if (inside) document.activeElement.blur();
    sheet.hidden = true;
    for (var key in openers) openers[key].setAttribute("aria-expanded", "false");
    shown = null;
    layout();
    wake();
    if (resume && !player.state.auto) player.startAuto(now());
    resume = false;
    var back = returnTo;
    returnTo = null;
    if (inside && back && back !== document.body && document.contains(back) && back.focus) back.focus();
  }

  function setUpAids() {
    $("aids").hidden = false;
    ["pointermove", "pointerdown", "touchstart"].forEach(function (type) {
      document.addEventListener(type, wake, { passive: true });
    });
    wake();
    Object.keys(openers).forEach(function (name) {
      openers[name].addEventListener("click", function () {
        if (shown === name) closeSheet(); else openSheet(name);
      });
    });
    $("close").addEventListener("click", closeSheet);
    ["text", "notes"].forEach(function (name) {
      $(name + "-prev").addEventListener("click", function () { player.previous(now()); });
      $(name + "-next").addEventListener("click", function () { player.next(now()); });
    });
    [list, hits].forEach(function (container) {
      container.addEventListener("keydown", onListKey);
      container.addEventListener("focusin", function (event) {
        if (event.target.tagName === "BUTTON") rove(container, event.target);
      });
    });
    list.addEventListener("click", function (event) {
      var slide = chosen(event);
      if (!slide) return;
      player.go(slide, now());
      closeSheet();
    });
    hits.addEventListener("click", function (event) {
      var slide = chosen(event);
      if (slide) player.go(slide, now());
    });
    // Words typed through an input method count once they are composed.
    query.addEventListener("input", function (event) { if (!event.isComposing) drawHits(); });
    query.addEventListener("compositionend", drawHits);
    query.addEventListener("keydown", function (event) {
      if (event.isComposing || event.keyCode === 229) return;
      if (event.key === "Enter") {
        var found = drawHits();
        if (found && found.length) player.go(found[0], now());
        event.preventDefault();
      } else if ((event.key === "ArrowDown" || event.key === "Down") && hits.querySelector("button")) {
        hits.querySelector("button").focus();
        event.preventDefault();
      }
    });
  }

  function tickLoop() {
    player.tick(now());
    window.requestAnimationFrame(tickLoop);
  }

  function start() {
    player = Logic.createPlayer(count, config, onEvent);
    setUpPanel();
    setUpAids();
    player.begin(now(), firstSlide());
    slides.forEach(function (img, k) { img.classList.toggle("current", k === player.state.current - 1); });
    waitFor(player.state.current);
    followAddress(player.state.current);
    drawPanel();
    bindInput();
    window.requestAnimationFrame(tickLoop);
    // A hidden tab gets no animation frames; the show still keeps time.
    window.setInterval(function () { player.tick(now()); }, 250);
    twin.player = player;
    twin.ready = true;
    twin.log.push({ type: "ready", t: now(), count: count, current: player.state.current, begun: twin.begun });
    decodeSoon();
    tellShown(player.state.current);
  }

  // Keys work without a first click.
  window.focus();
  watchArrivals();
})();
