// The list of a batch read from a file (--files-from): one path per line, or
// per NUL for lists made by `find -print0`.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace orv::batchlist {

// The paths in `text`. With '\n' as the separator a CR before it is dropped,
// and empty lines and lines that start with '#' are skipped; with '\0' only
// empty entries are (a name may begin with '#'). Paths stay as written:
// relative ones are relative to the current folder.
std::vector<std::string> ParseFileList(std::string_view text, char separator);

// Reads and parses the list at `path`, or standard input for "-". False with
// a message naming the file when it cannot be read, or when a list read line
// by line holds NUL bytes (it was made for --null).
bool ReadFileList(const std::string& path, char separator, std::vector<std::string>& paths, std::string& error);

}  // namespace orv::batchlist
