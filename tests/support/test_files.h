// Files for tests: a scratch folder removed afterwards, and small 24-bit BMP
// pictures of one colour.
#pragma once

#include <sys/resource.h>

#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>
#include <algorithm>

#include "base/paths.h"

namespace orv::testfiles {

class Scratch {
 public:
  Scratch() {
    std::string pattern = SystemTempFolder() + "orvanta-test-XXXXXX";
    if (::mkdtemp(pattern.data()) != nullptr) path_ = pattern;
  }
  ~Scratch() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  Scratch(const Scratch&) = delete;
  Scratch& operator=(const Scratch&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

 private:
  std::string path_;
};

inline void PutLe(std::string& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out += static_cast<char>((value >> (8 * i)) & 0xff);
}

// A bottom-up 24-bit BMP of width x height filled with (r, g, b).
inline void WriteSolidBmp(const std::string& path, int width, int height, std::uint8_t r, std::uint8_t g,
                          std::uint8_t b) {
  const std::uint32_t stride = (static_cast<std::uint32_t>(width) * 3 + 3) & ~3u;
  const std::uint32_t pixels = stride * static_cast<std::uint32_t>(height);
  std::string out;
  out += "BM";
  PutLe(out, 54 + pixels, 4);
  PutLe(out, 0, 4);
  PutLe(out, 54, 4);
  PutLe(out, 40, 4);
  PutLe(out, static_cast<std::uint32_t>(width), 4);
  PutLe(out, static_cast<std::uint32_t>(height), 4);
  PutLe(out, 1, 2);
  PutLe(out, 24, 2);
  PutLe(out, 0, 4);
  PutLe(out, pixels, 4);
  PutLe(out, 3780, 4);
  PutLe(out, 3780, 4);
  PutLe(out, 0, 4);
  PutLe(out, 0, 4);
  std::string row(stride, '\0');
  for (int x = 0; x < width; ++x) {
    row[static_cast<std::size_t>(x) * 3] = static_cast<char>(b);
    row[static_cast<std::size_t>(x) * 3 + 1] = static_cast<char>(g);
    row[static_cast<std::size_t>(x) * 3 + 2] = static_cast<char>(r);
  }
  for (int y = 0; y < height; ++y) out += row;
  std::ofstream(path, std::ios::binary) << out;
}

inline std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// Writes a file, making its folders first.
inline void WriteText(const std::string& path, const std::string& text) {
  std::filesystem::create_directories(std::filesystem::path(path).parent_path());
  std::ofstream(path, std::ios::binary) << text;
}

// Lets writes fail once a file passes `bytes` (EFBIG), as a full disk would.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    previousHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    ::getrlimit(RLIMIT_FSIZE, &previous_);
    rlimit limited = previous_;
    limited.rlim_cur = bytes;
    ::setrlimit(RLIMIT_FSIZE, &limited);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &previous_);
    std::signal(SIGXFSZ, previousHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit previous_{};
  void (*previousHandler_)(int);
};

inline std::string ReadText(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace orv::testfiles
