// The companion files of a movie: a web page that embeds it (resource 216,
// cut into eight segments at its {{...}} insert marks) and an autorun.inf
// that opens the page from a CD.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "movie/conversion_settings.h"
#include "movie/write_ledger.h"

namespace orv {

inline constexpr int kPageTemplateId = 216;
inline constexpr std::size_t kPageSegmentCount = 8;

// The template's segments S1..S8, in order; nothing after a lookup message
// (a template that does not cut into the expected segments cannot be loaded).
std::optional<std::array<std::string_view, kPageSegmentCount>> PageTemplateSegments();

// What one page links, decided by the presentation's output plan: every
// name is a file of the page's own folder.
struct PageLinks {
  std::string movie;           // the movie it embeds
  std::string twin;            // that movie's HTML5 version; empty: not linked
  std::string previous, next;  // the neighbouring pages (split movies); empty at the ends
  std::string player;          // the web player's folder as the page loads it ("ruffle/"); empty: the plain page
};

// The page text for one movie.
std::optional<std::string> BuildWebPage(const PageLinks& links, const ConversionSettings& settings);

// Writes the page: 1, or 0 after a message naming pagePath. The ledger,
// when given, hears what became of the file.
int WriteWebPage(const PageLinks& links, const std::string& pagePath, const ConversionSettings& settings,
                 WriteLedger* ledger = nullptr);

// "[autorun]\r\nShellExecute=\"<page file name>\"", no final line break.
std::string BuildAutorun(std::string_view pagePath);
// Writes the autorun file: 1, or 0 after a message naming autorunPath, or
// naming the page when its name holds a double quote or a control character.
int WriteAutorun(std::string_view pagePath, const std::string& autorunPath, WriteLedger* ledger = nullptr);

}  // namespace orv
