#include "movie/web_page.h"

#include <cerrno>
#include <cstring>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "base/resources.h"
#include "movie/file_replace.h"
#include "movie/web_names.h"
#include "movie/web_player_markup.h"

namespace orv {
namespace {

// The insert marks between the segments, in the order they stand in the
// template. They only show where the pieces go; they are never written.
constexpr std::array<std::string_view, kPageSegmentCount - 1> kMarks = {
    "{{links}}", "{{width}}", "{{height}}", "{{movie}}", "{{movie}}", "{{width}}", "{{height}}"};

}  // namespace

std::optional<std::array<std::string_view, kPageSegmentCount>> PageTemplateSegments() {
  const auto bytes = LoadResource(kPageTemplateId, "HTML");
  if (!bytes) return std::nullopt;
  const std::string_view text(reinterpret_cast<const char*>(bytes->data()), bytes->size());
  std::array<std::string_view, kPageSegmentCount> segments;
  std::size_t from = 0;
  for (std::size_t k = 0; k < kMarks.size(); ++k) {
    const auto at = text.find(kMarks[k], from);
    if (at == std::string_view::npos) {
      Notify(msg::kResourceNotLoaded);
      return std::nullopt;
    }
    segments[k] = text.substr(from, at - from);
    from = at + kMarks[k].size();
  }
  segments.back() = text.substr(from);
  if (segments.back().find("{{") != std::string_view::npos) {
    Notify(msg::kResourceNotLoaded);
    return std::nullopt;
  }
  return segments;
}

std::optional<std::string> BuildWebPage(const PageLinks& links, const ConversionSettings& settings) {
  const auto s = PageTemplateSegments();
  if (!s) return std::nullopt;
  const std::string width = std::to_string(settings.Width);
  const std::string height = std::to_string(settings.Height);

  std::string page(s->at(0));
  if (!links.player.empty()) {
    // The emulator's lines close the head, directly before its end tag.
    const auto headEnd = page.find("</HEAD>\r\n");
    if (headEnd == std::string::npos) {
      Notify(msg::kResourceNotLoaded);
      return std::nullopt;
    }
    page.insert(headEnd, WebPlayerHeadLines(links.player, !links.twin.empty(), settings.PreviewProgram));
  }
  // The page links files of the same folder. Their names are encoded so that
  // any name reaches its file and none can add markup; ordinary names are
  // written as they are.
  if (!links.previous.empty()) page.append("<a href=\"").append(UrlAttribute(links.previous)).append("\">Prev</a> ");
  if (!links.next.empty()) page.append("<a href=\"").append(UrlAttribute(links.next)).append("\">Next</a>");
  if (!links.previous.empty() || !links.next.empty()) page += "<p>\r\n";
  const std::string movie = UrlAttribute(links.movie);
  for (std::string_view piece : {s->at(1), std::string_view(width), s->at(2), std::string_view(height), s->at(3),
                                 std::string_view(movie), s->at(4), std::string_view(movie), s->at(5),
                                 std::string_view(width), s->at(6), std::string_view(height), s->at(7)}) {
    page += piece;
  }
  // A page that plays its movie in the browser also offers the twin, which
  // a screen reader, a search and a zoom can read: a plain link under it.
  constexpr std::string_view kObjectEnd = "</OBJECT>\r\n";
  const std::size_t objectEnd = page.rfind(kObjectEnd);
  if (!links.player.empty() && !links.twin.empty() && objectEnd != std::string::npos) {
    page.insert(objectEnd + kObjectEnd.size(),
                "<P><a href=\"" + UrlAttribute(links.twin) + "\">" + TwinLinkText() + "</a>\r\n");
  }
  return page;
}

int WriteWebPage(const PageLinks& links, const std::string& pagePath, const ConversionSettings& settings,
                 WriteLedger* ledger) {
  const auto page = BuildWebPage(links, settings);
  if (!page) {
    if (ledger != nullptr) ledger->Failed(pagePath, 0);
    return 0;
  }
  if (!ReplaceFileContents(pagePath, *page)) {
    const int error = errno;
    Notify(FormatMessage(msg::kHtmlWriteFailed, pagePath));
    Explain(pagePath + ": " + std::strerror(error));
    if (ledger != nullptr) ledger->Failed(pagePath, error);
    return 0;
  }
  if (ledger != nullptr) ledger->Written(pagePath);
  return 1;
}

std::string BuildAutorun(std::string_view pagePath) {
  return "[autorun]\r\nShellExecute=\"" + FileNamePart(pagePath) + "\"";
}

int WriteAutorun(std::string_view pagePath, const std::string& autorunPath, WriteLedger* ledger) {
  // ShellExecute="..." cannot quote a double quote, and a line break would end
  // the entry: such a name gets no autorun file rather than a broken one.
  const std::string pageName = FileNamePart(pagePath);
  for (const char c : pageName) {
    if (c == '"' || static_cast<unsigned char>(c) < 0x20) {
      Notify(FormatMessage(msg::kAutorunNameUnsafe, pageName));
      if (ledger != nullptr) ledger->Failed(autorunPath, 0);
      return 0;
    }
  }
  if (!ReplaceFileContents(autorunPath, BuildAutorun(pagePath))) {
    const int error = errno;
    Notify(FormatMessage(msg::kAutorunWriteFailed, autorunPath));
    Explain(autorunPath + ": " + std::strerror(error));
    if (ledger != nullptr) ledger->Failed(autorunPath, error);
    return 0;
  }
  if (ledger != nullptr) ledger->Written(autorunPath);
  return 1;
}

}  // namespace orv
