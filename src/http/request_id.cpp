#include "http/request_id.h"

#include <random>

namespace orv::http {
namespace {

int HexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

}  // namespace

bool IsSaneRequestId(std::string_view id) {
  if (id.empty() || id.size() > 64) return false;
  for (const char c : id) {
    const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
    if (!plain && c != '-' && c != '_' && c != '.' && c != ':' && c != '/') return false;
  }
  return true;
}

std::string NewRequestId() {
  thread_local std::mt19937_64 random{std::random_device{}()};
  static constexpr char kDigits[] = "0123456789abcdef";
  std::string id;
  for (int half = 0; half < 2; ++half) {
    std::uint64_t bits = random();
    for (int k = 0; k < 16; ++k, bits >>= 4) id += kDigits[bits & 15];
  }
  return id;
}

std::string DecodeTargetPath(std::string_view target) {
  const std::size_t end = target.find_first_of("?#");
  const std::string_view path = target.substr(0, end);
  std::string decoded;
  decoded.reserve(path.size());
  for (std::size_t k = 0; k < path.size(); ++k) {
    if (path[k] == '%' && k + 2 < path.size() && HexValue(path[k + 1]) >= 0 && HexValue(path[k + 2]) >= 0) {
      decoded += static_cast<char>(HexValue(path[k + 1]) * 16 + HexValue(path[k + 2]));
      k += 2;
    } else {
      decoded += path[k];
    }
  }
  return decoded;
}

}  // namespace orv::http
