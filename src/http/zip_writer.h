// The answer of a conversion request: a zip of files that lie on disk, under
// names we made, plus one text written straight into it.
#pragma once

#include <string>
#include <utility>
#include <vector>

namespace orv::http {

struct ZipEntry {
  std::string name;  // inside the zip: no leading "/", no ".." part
  std::string path;  // on disk; empty for `text`
  std::string text;
};

// Writes `entries` to a new zip at `zipPath` (deflated, UTF-8 names). False
// with libzip's reason; a name that could leave the folder it is unpacked in
// is refused too.
bool WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries, std::string& error);

}  // namespace orv::http
