#include "base/owner_tag.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <charconv>

#include "base/paths.h"

namespace orv {

std::string ThisHost() {
  std::array<char, 256> name{};
  if (::gethostname(name.data(), name.size() - 1) != 0 || name[0] == '\0') return "localhost";
  std::string host(name.data());
  // A tag is part of a file name: nothing of the host may split it.
  for (char& c : host) {
    if (c == '/' || c == '~') c = '_';
  }
  return host;
}

std::string OwnerTag() { return std::string(kOwnerMark) + ThisHost() + "~" + std::to_string(::getpid()) + "~"; }

std::optional<Owner> OwnerOf(std::string_view name) {
  const std::size_t mark = name.find(kOwnerMark);
  if (mark == std::string_view::npos) return std::nullopt;
  std::string_view rest = name.substr(mark + kOwnerMark.size());
  const std::size_t hostEnd = rest.find('~');
  if (hostEnd == std::string_view::npos || hostEnd == 0) return std::nullopt;
  Owner owner;
  owner.host = std::string(rest.substr(0, hostEnd));
  rest.remove_prefix(hostEnd + 1);
  const std::size_t pidEnd = rest.find('~');
  if (pidEnd == std::string_view::npos) return std::nullopt;
  const std::string_view digits = rest.substr(0, pidEnd);
  const auto [end, error] = std::from_chars(digits.data(), digits.data() + digits.size(), owner.pid);
  if (error != std::errc() || end != digits.data() + digits.size() || owner.pid <= 0) return std::nullopt;
  return owner;
}

bool OwnerIsGone(std::string_view name) {
  const auto owner = OwnerOf(name);
  if (!owner || owner->host != ThisHost()) return false;
  if (owner->pid == ::getpid()) return false;
  return ::kill(owner->pid, 0) != 0 && errno == ESRCH;
}

namespace {

// At most `limit` bytes of `name`, cut before a UTF-8 sequence rather than
// inside one.
std::string_view Shortened(std::string_view name, std::size_t limit) {
  if (name.size() <= limit) return name;
  std::size_t end = limit;
  while (end > 0 && (static_cast<unsigned char>(name[end]) & 0xC0) == 0x80) --end;
  return name.substr(0, end);
}

}  // namespace

std::string TemporaryPathFor(const std::string& path, std::string_view suffix) {
  const std::size_t slash = path.rfind(kPathSeparator);
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const std::string_view name = std::string_view(path).substr(slash == std::string::npos ? 0 : slash + 1);
  return JoinPath(folder, "." + std::string(Shortened(name, 120)) + "." + OwnerTag() + std::string(suffix));
}

}  // namespace orv
