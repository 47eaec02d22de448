// The companion files of a movie: a web page that embeds it (resource 216,
// cut into eight segments at its {{...}} insert marks) and an autorun.inf
// that opens the page from a CD.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <string_view>

#include "movie/conversion_settings.h"

namespace orv {

inline constexpr int kPageTemplateId = 216;
inline constexpr std::size_t kPageSegmentCount = 8;

// The template's segments S1..S8, in order; nothing after a lookup message
// (a template that does not cut into the expected segments cannot be loaded).
std::optional<std::array<std::string_view, kPageSegmentCount>> PageTemplateSegments();

// The page text for one movie; previous and next are page file names or empty.
std::optional<std::string> BuildWebPage(std::string_view movieRef, const ConversionSettings& settings,
                                        std::string_view prevPage, std::string_view nextPage);

// Writes the page: 1, or 0 after a message naming pagePath.
int WriteWebPage(std::string_view movieRef, const std::string& pagePath, const ConversionSettings& settings,
                 std::string_view prevPage, std::string_view nextPage);

// "[autorun]\r\nShellExecute=\"<page file name>\"", no final line break.
std::string BuildAutorun(std::string_view pagePath);
// Writes the autorun file: 1, or 0 after a message naming autorunPath, or
// naming the page when its name holds a double quote or a control character.
int WriteAutorun(std::string_view pagePath, const std::string& autorunPath);

}  // namespace orv
