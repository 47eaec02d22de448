// Outputs that keep the sources' folder tree (--source-root DIR): DIR/a/b/x.ppt
// goes to OUT/a/b/x.swf, so that same-named files of different folders never
// meet.
#pragma once

#include <string>

namespace orv::batchlist {

// The folder of `source` relative to `root` ("" for a source directly in it,
// "a/b" two folders down), both compared as absolute, normalised paths
// without following links. False with a message when the source lies
// outside the root.
bool FolderUnderRoot(const std::string& source, const std::string& root, std::string& relative, std::string& error);

}  // namespace orv::batchlist
