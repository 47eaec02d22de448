#include "http/bearer_token.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <vector>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace orv::http {
namespace {

// Nobody else may read or change the token: no bits for others, and the
// group's only to read, when the group is one this process is in (a
// Kubernetes Secret mounted with fsGroup is root's, group-readable).
bool OnlyOursCanRead(const struct stat& info) {
  if ((info.st_mode & 007) != 0 || (info.st_mode & 020) != 0) return false;
  if ((info.st_mode & 040) == 0) return true;
  if (info.st_gid == ::getegid()) return true;
  std::vector<gid_t> groups(static_cast<std::size_t>(std::max(::getgroups(0, nullptr), 0)));
  const int count = ::getgroups(static_cast<int>(groups.size()), groups.data());
  for (int k = 0; k < count; ++k) {
    if (groups[static_cast<std::size_t>(k)] == info.st_gid) return true;
  }
  return false;
}

}  // namespace

bool LoadBearerToken(const std::string& path, std::string& token, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = "cannot read the token file " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode) || !OnlyOursCanRead(info)) {
    error = "the token file " + path +
            " must be a file that only its owner (and this service's group) can read: chmod 600 or 440";
    return false;
  }
  std::ifstream in(path, std::ios::binary);
  std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  const std::size_t first = text.find_first_not_of(" \t\r\n");
  const std::size_t last = text.find_last_not_of(" \t\r\n");
  if (!in.good() && !in.eof()) {
    error = "cannot read the token file " + path;
    return false;
  }
  if (first == std::string::npos) {
    error = "the token file " + path + " is empty";
    return false;
  }
  token = text.substr(first, last - first + 1);
  return true;
}

bool BearerTokenMatches(std::string_view authorization, std::string_view token) {
  // The scheme's name in any letter case, then blanks, then the token.
  constexpr std::string_view kScheme = "bearer";
  bool scheme = authorization.size() > kScheme.size() && authorization[kScheme.size()] == ' ';
  for (std::size_t k = 0; scheme && k < kScheme.size(); ++k) {
    const char c = authorization[k];
    scheme = (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c) == kScheme[k];
  }
  std::string_view given = scheme ? authorization.substr(kScheme.size()) : std::string_view();
  while (!given.empty() && given.front() == ' ') given.remove_prefix(1);
  // Every byte of the longer one is looked at, whatever the others hold.
  const std::size_t length = given.size() > token.size() ? given.size() : token.size();
  unsigned difference = given.size() == token.size() && !token.empty() ? 0 : 1;
  for (std::size_t k = 0; k < length; ++k) {
    const auto a = static_cast<unsigned char>(k < given.size() ? given[k] : 0);
    const auto b = static_cast<unsigned char>(k < token.size() ? token[k] : 0);
    difference |= static_cast<unsigned>(a ^ b);
  }
  return difference == 0;
}

}  // namespace orv::http
