// The SCORM 1.2 bridge of a lesson package. Inside a learning platform that
// offers the SCORM 1.2 API it says that the lesson was opened, where the
// learner is and that they reached the last slide, and it reopens the slide
// where they stopped. Without the API it does nothing: no call, no request.
// A failing call is looked up with LMSGetLastError and the slides go on.
(function () {
  "use strict";
  var COMMIT_EVERY_MS = 10000;
  var MAX_PARENTS = 7;
  var twin = window.orvantaTwin;

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
  if (!twin || !api) return;

  var lesson = { errors: [], completed: false, finished: false };
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

  // Where the learner stopped: a slide number.
  var stopped = get("cmi.core.lesson_location");
  var where = /^\d{1,7}$/.test(stopped) ? parseInt(stopped, 10) : 0;
  if (where >= 1 && where <= twin.count) {
    if (twin.ready) twin.player.go(where, performance.now());
    else twin.startAt = where;
  }

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

  twin.onSlide.push(function (slide, count) {
    if (lesson.finished) return;
    set("cmi.core.lesson_location", String(slide));
    if (slide === count && !lesson.completed) {
      lesson.completed = true;
      set("cmi.core.lesson_status", "completed");
      commit();
      return;
    }
    commitSoon();
  });

  // SCORM 1.2's CMITimeSpan: HHHH:MM:SS.SS.
  function timeSpan(ms) {
    var hundredths = Math.min(Math.floor(ms / 10), 9999 * 360000 + 359999);
    function pad(value, digits) { return ("0000" + value).slice(-digits); }
    return pad(Math.floor(hundredths / 360000), 4) + ":" + pad(Math.floor(hundredths / 6000) % 60, 2) + ":" +
      pad(Math.floor(hundredths / 100) % 60, 2) + "." + pad(hundredths % 100, 2);
  }

  window.addEventListener("pagehide", function () {
    if (lesson.finished) return;
    lesson.finished = true;
    set("cmi.core.exit", lesson.completed ? "" : "suspend");
    set("cmi.core.session_time", timeSpan(Date.now() - started));
    commit();
    call("LMSFinish", "");
  });
})();
