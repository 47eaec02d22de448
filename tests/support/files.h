// Files for tests: a scratch folder removed afterwards, whole-file reads and
// writes, and a limit that makes writes fail as on a full disk.
#pragma once

#include <sys/resource.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "base/paths.h"

namespace orv::test {

using ByteVector = std::vector<std::uint8_t>;

// Writes a file, making its folders first.
inline void WriteFile(const std::string& path, std::string_view content) {
  const std::filesystem::path parent = std::filesystem::path(path).parent_path();
  std::error_code ignored;
  if (!parent.empty()) std::filesystem::create_directories(parent, ignored);
  std::ofstream(path, std::ios::binary).write(content.data(), static_cast<std::streamsize>(content.size()));
}
inline void WriteFile(const std::string& path, std::span<const std::uint8_t> bytes) {
  WriteFile(path, std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
}

// The whole file; empty when it cannot be read.
inline std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}
inline ByteVector ReadFileBytes(const std::string& path) {
  const std::string text = ReadFile(path);
  return ByteVector(text.begin(), text.end());
}

// Names of the entries directly in `folder`, sorted.
inline std::vector<std::string> FileNames(const std::string& folder) {
  std::vector<std::string> names;
  std::error_code ec;
  for (const auto& entry : std::filesystem::directory_iterator(folder, ec)) {
    names.push_back(entry.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  return names;
}

// A fresh folder under the temporary folder for one test, removed with its
// content afterwards (also when a test left it read-only). A folder that
// cannot be made throws: the test fails there instead of writing elsewhere.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::string pattern = SystemTempFolder() + "orvanta-test-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
      throw std::runtime_error("cannot make a scratch folder " + pattern + ": " + std::strerror(errno));
    }
    path_ = pattern;
  }
  ~ScratchFolder() {
    std::error_code ec;
    std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ec);
    std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;

  const std::string& path() const { return path_; }
  std::string operator/(const std::string& name) const { return path_ + "/" + name; }

  // Writes `name` (folders in it are made) and returns its full path.
  std::string Write(const std::string& name, std::string_view content) const {
    const std::string full = *this / name;
    WriteFile(full, content);
    return full;
  }
  std::string Write(const std::string& name, std::span<const std::uint8_t> bytes) const {
    const std::string full = *this / name;
    WriteFile(full, bytes);
    return full;
  }
  std::vector<std::string> Names() const { return FileNames(path_); }

 private:
  std::string path_;
};

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

}  // namespace orv::test
