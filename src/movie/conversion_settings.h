// Every option of one conversion run. Built from the settings store by
// LoadConversionSettings (settings/settings_store.h) and passed by reference to
// every step, which only read it: what differs from one entry or one call to
// the next (where an entry's files go, which page links what) is an argument
// or part of the entry's output plan (pipeline/output_plan.h).
#pragma once

#include <cstdint>
#include <string>

#include "image/slide_frame.h"

namespace orv {

struct ConversionSettings {
  std::int32_t BlankEnd = 0;    // empty slide after the last slide
  std::int32_t UnProtect = 0;   // stored, read by nothing
  std::int32_t NoPrint = 0;     // no player context menu
  std::int32_t Align = 0;       // content to the top left
  std::int32_t OpenDest = 1;    // open the output folder when the batch ends
  std::int32_t Scale = 0;       // "showAll" instead of "noScale"
  std::int32_t Notes = 0;       // speaker notes as extra slides
  std::int32_t GenAutorun = 0;  // autorun.inf (only with GenHTML)
  std::int32_t GenHTML = 1;     // a web page per movie
  std::int32_t SplitPPT = 0;    // one movie per slide
  std::int32_t UseTitle = 1;    // split movies named after slide titles
  std::int32_t Fade = 1;        // cross-fade between slides
  std::int32_t InsHelp = 0;     // navigation help slide first
  std::int32_t Delay = 3;       // fixed interval, seconds, 0..9999
  std::int32_t UsePptTime = 0;  // radio index: 0 = presentation timings, 1 = Delay
  std::int32_t ShowNav = 1;     // radio index: 0 = panel shown, 1 = hidden
  std::int32_t AutoStart = 0;   // start in automatic playback
  std::int32_t Loop = 0;        // wrap from the last slide to the first
  std::int32_t Width = 640;     // frame width, pixels
  std::int32_t Height = 480;    // frame height, pixels
  std::int32_t JpgQlt = 90;     // JPEG quality, percent
  std::int32_t SharpFont = 1;   // slides exported at Width x Height already
  // Pages load the bundled Flash player emulator. The store's default is 1;
  // a record built in code starts from the plain page.
  std::int32_t WebPlayer = 0;
  // Each movie also as one self-contained HTML5 page; the same rule for the
  // default.
  std::int32_t GenHTML5 = 0;
  // Each presentation's HTML5 version also as a SCORM 1.2 package for
  // learning platforms; only with GenHTML5.
  std::int32_t GenScorm = 0;
  // The share of a lesson's slides, in per cent (1 to 100), that a learner
  // must have seen, in any order and over any visits, for the platform to
  // hear "completed".
  std::int32_t ScormCompletion = 100;
  // Each presentation also as a video: its format (0 MP4, 1 WebM) and
  // height (720, 1080 or 2160).
  std::int32_t GenVideo = 0;
  std::int32_t VideoFormat = 0;
  std::int32_t VideoHeight = 1080;
  // Each output folder gets index.html, and each presentation a thumbnail
  // of its first slide that the page shows. The store's default is 1.
  std::int32_t GenIndex = 0;
  std::string TempFolder;  // base of working folders; ends in a separator
  // The run's output folder: movies, pages and autorun.inf go there, or
  // into a folder below it when the source tree is kept.
  std::string OutputFolder;
  // How the file notice names the program that serves the page: empty for
  // "orvanta-cli", else the path it runs from (when that is not on PATH).
  std::string PreviewProgram;
  // One player shared by every page, at this address (absolute, or relative
  // to the pages); then no output folder gets a copy. Empty: the copies.
  std::string WebPlayerUrl;
};

// The help slide and the blank end slide stand only in a whole-deck movie;
// split movies are made without them.
inline bool HasHelpSlide(const ConversionSettings& s) { return s.SplitPPT == 0 && s.InsHelp != 0; }
inline bool HasEndSlide(const ConversionSettings& s) { return s.SplitPPT == 0 && s.BlankEnd != 0; }

// The slide pictures' frame for these settings; the bands around a fitted
// slide are black.
inline SlideFrame FrameOf(const ConversionSettings& settings) {
  return SlideFrame{settings.Width, settings.Height, settings.JpgQlt, settings.SharpFont != 0, 0};
}

}  // namespace orv
