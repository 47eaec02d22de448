// The HTML5 twin of a movie: one self-contained page that holds the movie's
// own JPEG streams as data: URIs and a small player that behaves as the
// movie's does. It plays from a file, offline, with nothing beside it.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"
#include "movie/slide_list.h"
#include "movie/write_ledger.h"

namespace orv {

// What a twin shows besides the slides.
struct TwinPage {
  std::string path;               // where the twin goes; empty: no twin
  std::string title;              // the presentation's name (tab title)
  std::vector<SlideText> slides;  // per slide of the movie (help, end and notes slides included); may be shorter
  std::string language;           // BCP 47 tag of the slide text; empty: the labels' language
  UiLanguage labels = UiLanguage::kEnglish;  // the language of the page's own words
  std::string previous, next;                // neighbour twins' file names (split mode)
  bool scormBridge = false;                  // the page of a SCORM package: it talks to the learning platform
  int scormCompletion = 100;                 // with scormBridge: the share of slides (%) that completes the lesson
};

// "Talk.swf" -> "Talk-html5.html" (a name without ".swf" just gets the suffix).
std::string TwinName(std::string_view movieName);

// The whole page: `config` is the movie's configuration document, `jpegs`
// the JPEG stream of each slide in order. The notes slides of `page.slides`
// are left out: their notes are shown beside their slide. Nothing when a resource is missing
// (reported by the resource lookup).
std::optional<std::string> BuildTwinPage(std::string_view config, std::span<const std::span<const std::uint8_t>> jpegs,
                                         const TwinPage& page);

// Builds the page and writes it atomically to page.path. False after a
// message ("输出 html 文件 %s 时异常！" for a failed write). The ledger, when
// given, hears what became of the file.
bool WriteTwinPage(std::string_view config, std::span<const std::span<const std::uint8_t>> jpegs, const TwinPage& page,
                   WriteLedger* ledger = nullptr);

// The slide pictures' data: URIs carry their bytes in base64 (exposed for tests).
std::string Base64(std::span<const std::uint8_t> bytes);

}  // namespace orv
