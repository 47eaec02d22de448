// The HTML5 twin's page: decodes the slides behind a loading bar, then lets
// the player logic (221.JS.js) drive what is shown. Keys, clicks, swipes,
// the panel and its drag, the address (#5 is slide 5) and full screen.
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
  var slides = Array.prototype.slice.call(document.querySelectorAll("#slides img"));
  var config = Logic.parseConfig(stage.getAttribute("data-config"));
  var player = null;
  var scale = 1;
  var panelAt = { x: 0, y: 0 };
  var fadeAnimation = null;

  // What happened, on the page's own clock; read by the playback tests.
  var twin = { config: config, count: slides.length, log: [], ready: false };
  window.orvantaTwin = twin;

  function now() { return performance.now(); }

  // ---- The frame in the window, as the movie's stage places it. Unlike the
  // movie's noScale, a window smaller than the frame (a phone) shrinks it
  // rather than cutting its edges off.
  frame.style.width = config.width + "px";
  frame.style.height = config.height + "px";
  function layout() {
    var w = window.innerWidth, h = window.innerHeight;
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
    if (fade && old && typeof old.animate === "function") {
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
    buttons.auto.textContent = state.auto ? "PAUSE" : "AUTOPLAY";
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
    }
    if (player) drawPanel();
  }

  // ---- Loading: every picture decoded, a few at a time, behind the bar.
  function setLoaded(percent) {
    document.getElementById("loader-fill").style.width = percent + "%";
    document.getElementById("loader-text").textContent = percent + " %";
    loader.setAttribute("aria-valuenow", String(percent));
  }

  function decodeAll(done) {
    var next = 0, finished = 0, total = slides.length;
    function decodeOne() {
      if (next >= total) return;
      var img = slides[next++];
      var settle = function () {
        finished += 1;
        setLoaded(Math.floor((finished / total) * 100));
        if (finished === total) done(); else decodeOne();
      };
      if (typeof img.decode === "function") img.decode().then(settle, settle);
      else if (img.complete) settle();
      else { img.addEventListener("load", settle); img.addEventListener("error", settle); }
    }
    setLoaded(0);
    if (total === 0) { done(); return; }
    for (var k = 0; k < Math.min(3, total); ++k) decodeOne();
  }

  function addressSlide() {
    var found = /^#(\d{1,7})$/.exec(location.hash);
    return found ? parseInt(found[1], 10) : 0;
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
    buttons.auto.addEventListener("click", function () { player.toggleAuto(now()); });
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
    return target && target.closest && target.closest("a, button, .panel");
  }

  function bindInput() {
    window.addEventListener("keydown", function (event) {
      if (event.ctrlKey || event.altKey || event.metaKey) return;
      // A focused button or link takes its own Enter and Space.
      if ((event.key === "Enter" || event.key === " ") && onControl(event.target) &&
          event.target.closest("a, button")) return;
      if (event.key === "f" || event.key === "F") {
        toggleFullScreen();
        event.preventDefault();
        return;
      }
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
      if (slide >= 1 && slide <= slides.length && slide !== player.state.current) player.go(slide, now());
      followAddress(player.state.current);
    });
  }

  function tickLoop() {
    player.tick(now());
    window.requestAnimationFrame(tickLoop);
  }

  function start() {
    loader.hidden = true;
    loader.style.display = "none";
    player = Logic.createPlayer(slides.length, config, onEvent);
    setUpPanel();
    var first = addressSlide();
    player.begin(now(), first >= 1 && first <= slides.length ? first : 1);
    slides.forEach(function (img, k) { img.classList.toggle("current", k === player.state.current - 1); });
    followAddress(player.state.current);
    drawPanel();
    bindInput();
    window.requestAnimationFrame(tickLoop);
    // A hidden tab gets no animation frames; the show still keeps time.
    window.setInterval(function () { player.tick(now()); }, 250);
    twin.player = player;
    twin.ready = true;
    twin.log.push({ type: "ready", t: now(), count: slides.length, current: player.state.current });
  }

  // Keys work without a first click.
  window.focus();
  decodeAll(start);
})();
