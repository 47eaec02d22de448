// index.html of an output folder: every presentation whose thumbnail lies in
// the folder, with its first slide, its title, its slide count and links to
// its outputs that are there. Plain, relative links only, so that it opens
// from a file as well as from a server; rebuilt from the folder itself, so a
// second run into the folder lists the first run's presentations too.
#pragma once

#include <set>
#include <string>
#include <string_view>
#include <vector>

#include "base/language.h"
#include "folder_index/index_card.h"

namespace orv {

inline constexpr std::string_view kIndexPageName = "index.html";

// One presentation as the page lists it: the links are the card's names of
// files that exist (empty otherwise).
struct IndexEntry {
  std::string thumbnail;
  IndexCard card;
};

// The page for these entries, in their order, in `language`. `folderName`
// names the folder in the page's title; empty: the page names none.
std::string BuildIndexPage(std::string_view folderName, const std::vector<IndexEntry>& entries, UiLanguage language);

// The folder's presentations: every "<stem>-thumb.jpg" with a card whose
// outputs are still there, ordered by file name; each card's names that are
// not files of the folder are dropped.
std::vector<IndexEntry> ReadFolderEntries(const std::string& folder);

// Reads the folder and replaces its index.html atomically (a hidden
// temporary name renamed into place). A folder without presentations gets no
// page. False with errno after a failed write.
bool WriteFolderIndex(const std::string& folder, UiLanguage language);

// The folders a batch wrote outputs into, each written once at its end.
class IndexedFolders {
 public:
  // `root` the run's output folder, `relative` the entry's folder below it.
  void Add(const std::string& root, const std::string& relative);
  // Writes every folder's page; a failure is told (with its reason) and the
  // other folders still get theirs. False when any failed. `written`, when
  // given, receives the path of each page written.
  bool WriteAll(UiLanguage language, std::vector<std::string>* written = nullptr) const;

 private:
  std::set<std::string> folders_;
};

}  // namespace orv
