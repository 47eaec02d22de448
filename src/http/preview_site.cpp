#include "http/preview_site.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <vector>

#include "base/paths.h"
#include "folder_index/index_page.h"
#include "movie/frame_records.h"
#include "movie/web_names.h"
#include "movie/web_page.h"
#include "movie/web_player_markup.h"

namespace orv {
namespace fs = std::filesystem;
namespace {

std::string Lower(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  return out;
}

bool HasExtension(const fs::path& path, std::initializer_list<std::string_view> extensions) {
  const std::string extension = Lower(path.extension().string());
  return std::find(extensions.begin(), extensions.end(), extension) != extensions.end();
}

// The frame size from a movie's header, in pixels; nothing when the file is
// not an uncompressed movie.
std::optional<std::pair<int, int>> MovieFrameSize(const fs::path& movie) {
  std::array<std::uint8_t, 32> head{};
  std::ifstream in(movie, std::ios::binary);
  in.read(reinterpret_cast<char*>(head.data()), head.size());
  const auto got = static_cast<std::size_t>(in.gcount());
  if (got < 9 || head[0] != 'F' || head[1] != 'W' || head[2] != 'S') return std::nullopt;
  FrameRect rect;
  if (!ReadFrameRect(std::span(head.data(), got), 8, rect)) return std::nullopt;
  const int width = (rect.xMax - rect.xMin) / 20;
  const int height = (rect.yMax - rect.yMin) / 20;
  if (width <= 0 || height <= 0) return std::nullopt;
  return std::pair(width, height);
}

std::string MoviePage(const fs::path& movie, const fs::path& folder, std::string& error) {
  const auto size = MovieFrameSize(movie);
  if (!size) {
    error = movie.string() + " is not a movie that Orvanta can show (no uncompressed SWF header)";
    return {};
  }
  ConversionSettings settings;
  settings.Width = size->first;
  settings.Height = size->second;
  PageLinks links;
  links.movie = movie.filename().string();
  const std::string twin = movie.stem().string() + "-html5.html";
  if (fs::is_regular_file(folder / twin)) links.twin = twin;
  links.player = std::string(kWebPlayerFolder) + "/";
  const auto page = BuildWebPage(links, settings);
  if (!page) error = "the page template could not be loaded";
  return page.value_or(std::string());
}

// Every name the program may write is served, dot names and backslashes
// included; only "." and ".." (which lead elsewhere) and the web player's
// copy in progress are not.
bool IsServedName(std::string_view name) {
  return !name.empty() && name != "." && name != ".." && !IsWebPlayerWorkingName(name);
}

// A plain list of the folder's pages and movies, for a folder without an index.
std::string FolderIndex(const fs::path& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    const std::string name = entry.path().filename().string();
    if (IsServedName(name) && HasExtension(entry.path(), {".htm", ".html", ".swf"})) {
      names.push_back(name);
    }
  }
  std::sort(names.begin(), names.end());
  std::string page =
      "<!doctype html>\n<html><head><meta charset=\"utf-8\"><title>" + EscapeHtml(folder.filename().string()) +
      "</title></head>\n<body style=\"font:15px/1.6 sans-serif;margin:24px\">\n<h1 style=\"font-size:20px\">" +
      EscapeHtml(folder.string()) + "</h1>\n<ul>\n";
  for (const auto& name : names) {
    page += "<li><a href=\"" + UrlAttribute(name) + "\">" + EscapeHtml(name) + "</a></li>\n";
  }
  if (names.empty()) page += "<li>No pages or movies here.</li>\n";
  return page + "</ul>\n</body></html>\n";
}

PreviewLookup Refused() { return PreviewLookup{PreviewStatus::kForbidden, {}, nullptr}; }
PreviewLookup Missing() { return PreviewLookup{PreviewStatus::kNotFound, {}, nullptr}; }
PreviewLookup Found(std::string file) { return PreviewLookup{PreviewStatus::kFile, std::move(file), nullptr}; }
PreviewLookup Generated(const std::string& text) { return PreviewLookup{PreviewStatus::kGenerated, {}, &text}; }

bool IsInside(const fs::path& path, const fs::path& root) {
  auto [rootEnd, pathAt] = std::mismatch(root.begin(), root.end(), path.begin(), path.end());
  return rootEnd == root.end();
}

bool IsPlayerFolderInside(const fs::path& folder, const fs::path& root) {
  std::error_code ec;
  if (!fs::is_directory(folder, ec)) return false;
  const fs::path real = fs::canonical(folder, ec);
  return !ec && IsInside(real, root);
}

std::vector<std::string_view> PathSegments(std::string_view path) {
  std::vector<std::string_view> segments;
  for (std::size_t from = 0; from <= path.size();) {
    std::size_t to = path.find('/', from);
    if (to == std::string_view::npos) to = path.size();
    if (to > from) segments.push_back(path.substr(from, to - from));
    from = to + 1;
  }
  return segments;
}

// The player's address a page of ours loads, when it is a path on the site
// itself ("/shared/ruffle"); empty for the copy beside the page, an address
// on another site (//host/..., https://...) or a page of someone else's.
std::string SharedPlayerPathOf(const fs::path& page) {
  // The player's lines follow the page's first few lines.
  std::string head(4096, '\0');
  std::ifstream in(page, std::ios::binary);
  in.read(head.data(), static_cast<std::streamsize>(head.size()));
  head.resize(static_cast<std::size_t>(in.gcount()));
  constexpr std::string_view kMark = "{\"publicPath\": \"";
  const std::size_t at = head.find(kMark);
  if (at == std::string::npos) return {};
  const std::size_t from = at + kMark.size();
  const std::size_t to = head.find('"', from);
  if (to == std::string::npos) return {};
  const std::string address = head.substr(from, to - from);
  if (!address.starts_with('/') || address.starts_with("//")) return {};
  const auto segments = PathSegments(address);
  if (segments.empty()) return {};
  std::string path;
  for (auto segment : segments) {
    if (segment == "." || segment == ".." || !IsServedName(segment)) return {};
    path += "/" + std::string(segment);
  }
  return path;
}

std::set<std::string> SharedPlayerPaths(const fs::path& folder) {
  std::set<std::string> paths;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(folder, ec)) {
    if (!entry.is_regular_file(ec) || !HasExtension(entry.path(), {".htm", ".html"})) continue;
    if (std::string path = SharedPlayerPathOf(entry.path()); !path.empty()) paths.insert(std::move(path));
  }
  return paths;
}

std::optional<PreviewSite> LaySite(const std::string& path, const WebPlayerBundle& webPlayer, std::string& error) {
  std::error_code ec;
  const fs::path target = fs::canonical(path, ec);
  if (ec) {
    error = "cannot open " + path + ": " + ec.message();
    return std::nullopt;
  }
  PreviewSite site;
  if (webPlayer.found()) site.webPlayerFolder = fs::canonical(webPlayer.folder, ec).string();

  if (fs::is_directory(target)) {
    site.root = target.string();
    for (const char* index : {"index.html", "index.htm"}) {
      if (fs::is_regular_file(target / index)) {
        site.page = std::string("/") + index;
        site.landing = site.page;
        return site;
      }
    }
    // Presentations converted without the index page still get one here.
    if (const auto entries = ReadFolderEntries(site.root); !entries.empty()) {
      site.generated["/"] = BuildIndexPage(target.filename().string(), entries, CurrentLanguage());
      site.page = "/";
      return site;
    }
    std::vector<std::string> pages;
    for (const auto& entry : fs::directory_iterator(target, ec)) {
      const std::string name = entry.path().filename().string();
      if (IsServedName(name) && entry.is_regular_file() && HasExtension(entry.path(), {".htm", ".html"})) {
        pages.push_back(name);
      }
    }
    if (pages.size() == 1) {
      site.page = "/" + EncodeUrlPath(pages.front());
      site.landing = "/" + pages.front();
      return site;
    }
    site.generated["/"] = FolderIndex(target);
    site.page = "/";
    return site;
  }

  site.root = target.parent_path().string();
  const std::string name = target.filename().string();
  if (HasExtension(target, {".htm", ".html"})) {
    site.page = "/" + EncodeUrlPath(name);
    site.landing = "/" + name;
    return site;
  }
  if (!HasExtension(target, {".swf"})) {
    error = path + " is neither a page (.htm, .html), a movie (.swf) nor a folder";
    return std::nullopt;
  }
  const std::string pageName = target.stem().string() + ".htm";
  site.page = "/" + EncodeUrlPath(pageName);
  site.landing = "/" + pageName;
  if (fs::is_regular_file(target.parent_path() / pageName)) return site;
  std::string page = MoviePage(target, target.parent_path(), error);
  if (page.empty()) return std::nullopt;
  site.generated["/" + pageName] = std::move(page);
  return site;
}

}  // namespace

std::optional<PreviewSite> MakePreviewSite(const std::string& path, const WebPlayerBundle& webPlayer,
                                           std::string& error) {
  std::optional<PreviewSite> site = LaySite(path, webPlayer, error);
  if (site && !site->webPlayerFolder.empty()) site->sharedPlayerPaths = SharedPlayerPaths(site->root);
  return site;
}

PreviewLookup LookUpPreviewPath(const PreviewSite& site, std::string_view requestPath) {
  if (requestPath.empty() || requestPath.front() != '/' || requestPath.find('\0') != std::string_view::npos) {
    return Refused();
  }
  // The address of the folder itself opens the page the preview was made for.
  if (requestPath == "/" && !site.landing.empty() && site.landing != "/") {
    return LookUpPreviewPath(site, site.landing);
  }
  if (auto it = site.generated.find(std::string(requestPath)); it != site.generated.end()) {
    return Generated(it->second);
  }
  // Check every segment before touching the disk.
  std::vector<std::string_view> segments;
  for (std::size_t from = 1; from <= requestPath.size();) {
    std::size_t to = requestPath.find('/', from);
    if (to == std::string_view::npos) to = requestPath.size();
    const std::string_view segment = requestPath.substr(from, to - from);
    if (segment == "." || segment == "..") return Refused();
    if (!segment.empty()) {
      if (!IsServedName(segment)) return Missing();
      segments.push_back(segment);
    }
    from = to + 1;
  }
  if (segments.empty()) return Missing();

  fs::path root = site.root;
  std::error_code ec;
  // The program's own player stands in for a folder converted without one,
  // and for a player folder that is a link leading out of the served folder.
  if (segments.front() == kWebPlayerFolder && !site.webPlayerFolder.empty() &&
      !IsPlayerFolderInside(root / kWebPlayerFolder, root)) {
    root = site.webPlayerFolder;
    segments.erase(segments.begin());
    if (segments.empty()) return Missing();
  }
  // The same for a shared player's path that the folder does not hold.
  for (const std::string& shared : site.sharedPlayerPaths) {
    if (root != fs::path(site.root)) break;
    const auto player = PathSegments(shared);
    if (segments.size() <= player.size() || !std::equal(player.begin(), player.end(), segments.begin())) continue;
    if (IsPlayerFolderInside(root / shared.substr(1), root)) continue;
    root = site.webPlayerFolder;
    segments.erase(segments.begin(), segments.begin() + static_cast<std::ptrdiff_t>(player.size()));
  }
  fs::path full = root;
  for (auto segment : segments) full /= fs::path(std::string(segment));
  if (!fs::exists(full, ec)) return Missing();
  // A link may point anywhere: what it resolves to must still lie inside.
  const fs::path real = fs::canonical(full, ec);
  if (ec) return Missing();
  if (!IsInside(real, root)) return Refused();
  if (!fs::is_regular_file(real, ec)) return Missing();
  return Found(real.string());
}

std::string_view PreviewContentType(std::string_view name) {
  static constexpr std::array<std::pair<std::string_view, std::string_view>, 12> kTypes{{
      {".wasm", "application/wasm"},
      {".swf", "application/x-shockwave-flash"},
      {".htm", "text/html; charset=utf-8"},
      {".html", "text/html; charset=utf-8"},
      {".js", "text/javascript; charset=utf-8"},
      {".css", "text/css"},
      {".json", "application/json"},
      {".map", "application/json"},
      {".jpg", "image/jpeg"},
      {".png", "image/png"},
      {".txt", "text/plain"},
      {".inf", "text/plain"},
  }};
  const auto dot = name.rfind('.');
  if (dot != std::string_view::npos && name.find('/', dot) == std::string_view::npos) {
    const std::string extension = Lower(name.substr(dot));
    for (const auto& [suffix, type] : kTypes) {
      if (extension == suffix) return type;
    }
  }
  return "application/octet-stream";
}

}  // namespace orv
