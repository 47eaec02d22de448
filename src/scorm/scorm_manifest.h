// The imsmanifest.xml of a SCORM 1.2 package that holds one lesson: one
// organization with one item, played by one resource (a SCO of type
// webcontent) whose first file is the page the platform opens.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace orv {

// `title` is shown by the platform (any text: it is escaped, control
// characters become blanks); `identity` makes the identifiers differ between
// packages (the package's path relative to the output folder) and may be
// anything; `files` are
// the package's files, relative, the page to open first. Nothing for a file
// name that could point outside the package (empty, "/...", "..", "\").
std::optional<std::string> BuildScormManifest(std::string_view title, std::string_view identity,
                                              const std::vector<std::string>& files);

}  // namespace orv
