// The SCORM 1.2 bridge of a lesson package. Inside a learning platform that
// offers the SCORM 1.2 API it says that the lesson was opened, where the
// learner is, and that it is completed once the learner has seen the share
// of its slides that the package asks for (its script's data-completion, in
// per cent; the help and end slides do not count), in any order and over
// several visits: the slides seen are kept in cmi.suspend_data. It reopens
// the slide where they stopped. Without the API it does nothing: no call,
// no request. A failing call is looked up with LMSGetLastError and the
// slides go on.
(function () {
  "use strict";
  var COMMIT_EVERY_MS = 10000;
  var MAX_PARENTS = 7;
  var twin = window.orvantaTwin;
  var Logic = window.OrvantaTwinLogic;
  var share = document.currentScript ? document.currentScript.getAttribute("data-completion") : "100";

  // The platform's API object in `win` or one of its parents; a frame of
  // another origin cannot be looked into and is passed over.
  function apiAbove(win) {
    for (var level = 0; win && level <= MAX_PARENTS; ++level) {
      try {
        if (win.API && typeof win.API.LMSInitialize === "function") return win.API;
      } catch (e) { /* another origin */ }
      var parent = null;
      try { parent = win.parent; } catch (e) { parent = null; }
      if (!parent || parent === win) break;
      win = parent;
    }
    return null;
  }
  var api = apiAbove(window);
  if (!api) {
    try { api = window.opener ? apiAbove(window.opener) : null; } catch (e) { api = null; }
  }
  if (!twin || !Logic || !api) return;

  var lesson = { errors: [], completed: false, finished: false, seen: [] };
  twin.scorm = lesson;

  function lastError() {
    try { return String(api.LMSGetLastError()); } catch (e) { return "101"; }
  }
  // One API call: its answer, or null once it failed (the error noted).
  function call(name, a, b) {
    var answer;
    try {
      answer = String(b === undefined ? api[name](a) : api[name](a, b));
    } catch (e) {
      answer = null;
    }
    // LMSGetValue answers "" both for an empty value and for a failure.
    if (answer !== null && (name === "LMSGetValue" ? answer !== "" : answer === "true")) return answer;
    var code = lastError();
    if (name === "LMSGetValue" && answer === "" && code === "0") return answer;
    var text = "";
    try { text = String(api.LMSGetErrorString(code)); } catch (e) { text = ""; }
    lesson.errors.push(name + "(" + (a || "") + "): " + code + " " + text);
    return null;
  }
  function get(element) { return call("LMSGetValue", element) || ""; }
  function set(element, value) { return call("LMSSetValue", element, value) !== null; }

  if (call("LMSInitialize", "") === null) return;  // refused: the slides play on their own
  var started = Date.now();
  var lastCommit = started;
  var timer = 0;

  var status = get("cmi.core.lesson_status");
  lesson.completed = status === "completed" || status === "passed";
  if (status === "not attempted" || status === "") set("cmi.core.lesson_status", "incomplete");

  // The slides that count: not the help and end slides.
  var counted = [];
  Array.prototype.forEach.call(document.querySelectorAll("#slides img"), function (img, k) {
    var about = img.getAttribute("aria-describedby");
    if (about !== "say-help" && about !== "say-end") counted.push(k + 1);
  });
  // What earlier visits saw.
  var seen = {};
  Logic.decodeSeen(get("cmi.suspend_data"), twin.count).forEach(function (slide) { seen[slide] = true; });
  var saved = Logic.encodeSeen(Object.keys(seen).map(Number), twin.count);
  lesson.share = share;

  function commit() {
    if (timer) window.clearTimeout(timer);
    timer = 0;
    lastCommit = Date.now();
    call("LMSCommit", "");
  }
  // At most one commit every ten seconds; the last change is never left behind.
  function commitSoon() {
    var wait = lastCommit + COMMIT_EVERY_MS - Date.now();
    if (wait <= 0) commit();
    else if (!timer) timer = window.setTimeout(commit, wait);
  }

  function shownSlide(slide) {
    if (lesson.finished) return;
    set("cmi.core.lesson_location", String(slide));
    seen[slide] = true;
    lesson.seen = Object.keys(seen).map(Number).sort(function (a, b) { return a - b; });
    var data = Logic.encodeSeen(lesson.seen, twin.count);
    if (data !== saved && set("cmi.suspend_data", data)) saved = data;
    var reached = counted.filter(function (k) { return seen[k]; }).length;
    if (!lesson.completed && Logic.completionReached(reached, counted.length, share)) {
      lesson.completed = true;
      set("cmi.core.lesson_status", "completed");
      commit();
      return;
    }
    commitSoon();
  }
  twin.onSlide.push(shownSlide);

  // Where the learner stopped: a slide number. The slide on screen counts
  // as seen.
  var stopped = get("cmi.core.lesson_location");
  var where = /^\d{1,7}$/.test(stopped) ? parseInt(stopped, 10) : 0;
  var valid = where >= 1 && where <= twin.count;
  if (twin.ready) {
    if (valid && twin.player.state.current !== where) twin.player.go(where, performance.now());
    else shownSlide(twin.player.state.current);
  } else if (valid) {
    twin.startAt = where;
  }


  // SCORM 1.2's CMITimeSpan: HHHH:MM:SS.SS.
  function timeSpan(ms) {
    var hundredths = Math.min(Math.floor(ms / 10), 9999 * 360000 + 359999);
    function pad(value, digits) { return ("0000" + value).slice(-digits); }
    return pad(Math.floor(hundredths / 360000), 4) + ":" + pad(Math.floor(hundredths / 6000) % 60, 2) + ":" +
      pad(Math.floor(hundredths / 100) % 60, 2) + "." + pad(hundredths % 100, 2);
  }

  // How the visit ends is told as the page goes out of sight, which some
  // platforms' synchronous calls reach when the page's end no longer does;
  // once, unless the learner comes back to the page before it ends.
  var told = false;
  function tellExit() {
    if (lesson.finished || told) return;
    told = true;
    set("cmi.core.exit", lesson.completed ? "" : "suspend");
    set("cmi.core.session_time", timeSpan(Date.now() - started));
    commit();
  }
  document.addEventListener("visibilitychange", function () {
    if (document.visibilityState === "hidden") tellExit();
    else told = false;
  });
  window.addEventListener("pagehide", function () {
    if (lesson.finished) return;
    tellExit();
    lesson.finished = true;
    call("LMSFinish", "");
  });
})();
