#include "http/bearer_token.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <fstream>
#include <iterator>

namespace orv::http {

bool LoadBearerToken(const std::string& path, std::string& token, std::string& error) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) {
    error = "cannot read the token file " + path + ": " + std::strerror(errno);
    return false;
  }
  if (!S_ISREG(info.st_mode) || (info.st_mode & 077) != 0) {
    error = "the token file " + path + " must be a file that only its owner can read (chmod 600)";
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
  constexpr std::string_view kScheme = "Bearer ";
  const std::string_view given =
      authorization.starts_with(kScheme) ? authorization.substr(kScheme.size()) : std::string_view();
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
