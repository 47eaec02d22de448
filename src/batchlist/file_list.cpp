#include "batchlist/file_list.h"

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iostream>
#include <iterator>

namespace orv::batchlist {

std::vector<std::string> ParseFileList(std::string_view text, char separator) {
  std::vector<std::string> paths;
  std::size_t from = 0;
  while (from < text.size()) {
    std::size_t end = text.find(separator, from);
    if (end == std::string_view::npos) end = text.size();
    std::string_view entry = text.substr(from, end - from);
    from = end + 1;
    if (separator == '\n') {
      if (!entry.empty() && entry.back() == '\r') entry.remove_suffix(1);
      if (!entry.empty() && entry.front() == '#') continue;
    }
    if (!entry.empty()) paths.emplace_back(entry);
  }
  return paths;
}

bool ReadFileList(const std::string& path, char separator, std::vector<std::string>& paths, std::string& error) {
  std::string text;
  if (path == "-") {
    text.assign(std::istreambuf_iterator<char>(std::cin), std::istreambuf_iterator<char>());
    if (std::cin.bad()) {
      error = "cannot read the file list from standard input";
      return false;
    }
  } else {
    std::ifstream in(path, std::ios::binary);
    if (!in) {
      error = "cannot read the file list " + path + ": " + std::strerror(errno);
      return false;
    }
    text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    if (in.bad()) {
      error = "cannot read the file list " + path + ": " + std::strerror(errno);
      return false;
    }
  }
  // A list made with find -print0 read line by line would be one long name.
  if (separator == '\n' && text.find('\0') != std::string::npos) {
    error = (path == "-" ? std::string("standard input") : path) + ": the list holds NUL bytes: add --null";
    return false;
  }
  paths = ParseFileList(text, separator);
  return true;
}

}  // namespace orv::batchlist
