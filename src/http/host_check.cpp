#include "http/host_check.h"

#include <array>
#include <charconv>

namespace orv::http {
namespace {

bool SameLetters(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const char c = (a[k] >= 'A' && a[k] <= 'Z') ? static_cast<char>(a[k] - 'A' + 'a') : a[k];
    if (c != b[k]) return false;
  }
  return true;
}

// The port after the name: digits only, no sign, no blank, no leading zero
// (browsers never send one), 1 to 65535.
bool ReadPort(std::string_view text, int& port) {
  if (text.empty() || text.size() > 5 || text.front() == '0') return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), port);
  return error == std::errc() && end == text.data() + text.size() && port >= 1 && port <= 65535;
}

}  // namespace

bool IsOwnLoopbackHost(std::string_view host, int port) {
  std::string_view name = host;
  int given = 80;
  // The port follows the last colon, except inside an IPv6 literal's brackets.
  const std::size_t colon = host.rfind(':');
  if (colon != std::string_view::npos && host.find(']', colon) == std::string_view::npos) {
    if (!ReadPort(host.substr(colon + 1), given)) return false;
    name = host.substr(0, colon);
  }
  if (given != port) return false;
  static constexpr std::array<std::string_view, 4> kNames = {"127.0.0.1", "localhost", "localhost.", "[::1]"};
  for (const auto known : kNames) {
    if (SameLetters(name, known)) return true;
  }
  return false;
}

}  // namespace orv::http
