// A folder given where presentations are expected: the presentations it
// holds (.ppt .pps .pptx .ppsx .odp, any letter case), its subfolders' too
// when asked. A folder without any stays what it always was: a folder of
// slide pictures.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv::batchlist {

// True for a name the conversion takes as a presentation.
bool IsPresentationName(std::string_view name);

struct FolderPresentations {
  std::vector<std::string> paths;  // absolute, sorted, regular files only
  std::size_t unreadable = 0;      // subfolders that could not be listed
};

// The presentations in `folder` (and below it when `recursive`). Links to
// folders are not followed, so a tree that links to itself ends.
FolderPresentations PresentationsIn(const std::string& folder, bool recursive);

// The deepest folder that holds every path (each absolute): a folder given
// stands for itself, a file for its folder.
std::string CommonFolder(const std::vector<std::string>& folders);

}  // namespace orv::batchlist
