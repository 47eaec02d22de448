// A zip of files that lie on disk, under names we made, and of texts written
// straight into it: the conversion service's answers, the SCORM packages.
#pragma once

#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace orv {

struct ZipEntry {
  std::string name;  // inside the zip: no leading "/", no ".." part
  std::string path;  // on disk; empty for `text`
  std::string text;
};

// What an entry unpacks as: a regular file, rw-r--r--.
inline constexpr unsigned kZipFileMode = 0100644;

// A name that stays inside the folder it is unpacked in: relative, made of
// plain parts (no "", ".", ".." part, no "\").
bool IsPlainRelativeName(std::string_view name);

// Writes `entries` to a new zip at `zipPath` (deflated, UTF-8 names, each
// entry a file of mode 0644). False
// with libzip's reason; a name that could leave the folder it is unpacked in
// is refused too. libzip writes beside `zipPath` and renames at the end, so
// an older zip of that name survives a failed write.
bool WriteZip(const std::string& zipPath, const std::vector<ZipEntry>& entries, std::string& error);

}  // namespace orv
