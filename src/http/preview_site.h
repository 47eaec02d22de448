// What `orvanta-cli preview` serves: one output folder, read only, plus the
// pages it makes on the fly (for a movie without a page, or a folder without
// an index) and the program's own web player when the folder has none.
// No HTTP here: the server asks this for every request path.
#pragma once

#include <map>
#include <optional>
#include <set>
#include <string>
#include <string_view>

#include "movie/web_names.h"
#include "pipeline/web_player.h"

namespace orv {

struct PreviewSite {
  std::string root;                              // the served folder, absolute, no links
  std::string page;                              // the path to open, "/" + encoded name, or "/"
  std::string landing;                           // the same path decoded, what "/" serves
  std::map<std::string, std::string> generated;  // request path (decoded) -> page text
  std::string webPlayerFolder;                   // served as /ruffle/ when root has none
  // Where the folder's pages load a shared player from, when that address is
  // a path on this site ("/shared/ruffle"): webPlayerFolder is served there too.
  std::set<std::string> sharedPlayerPaths;
};

// Builds the site for PATH: a page (.htm/.html), a movie (.swf) or a folder.
// A movie's page is the one beside it, else one made from the movie's frame
// size; a folder opens its index, its only page, or a made-up list of its
// pages and movies. Empty after an error text for the user.
// The folder's pages that load a shared player from a path on the site
// ("/shared/ruffle") get the program's own player served there.
std::optional<PreviewSite> MakePreviewSite(const std::string& path, const WebPlayerBundle& webPlayer,
                                           std::string& error);

enum class PreviewStatus { kFile, kGenerated, kForbidden, kNotFound };

struct PreviewLookup {
  PreviewStatus status = PreviewStatus::kNotFound;
  std::string file;                   // kFile: the real path to read
  const std::string* text = nullptr;  // kGenerated: the page text
};

// Maps a decoded request path onto the site. Paths that would leave the
// folder ("..", ".", links pointing outside, anything not absolute) are
// refused; folders and the web player's copy in progress are not found.
// "/" is the page the site opens.
PreviewLookup LookUpPreviewPath(const PreviewSite& site, std::string_view requestPath);

// The content type for a file name: application/wasm, application/x-shockwave-flash,
// text/html and text/javascript (both UTF-8), and a few others;
// application/octet-stream otherwise.
std::string_view PreviewContentType(std::string_view name);

}  // namespace orv
