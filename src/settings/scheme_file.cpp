#include "settings/scheme_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <limits>
#include <new>
#include <string_view>

#include "base/messages.h"
#include "base/paths.h"

namespace orv {
namespace {

constexpr std::uint8_t kSignature[3] = {'P', '2', 'S'};
constexpr std::size_t kMaxEntries = 255;
// Far beyond any list of 255 paths; a bigger file is refused before it is
// read into memory.
constexpr off_t kMaxSchemeBytes = off_t{64} << 20;

void PutLength(std::vector<std::uint8_t>& out, std::uint32_t length) {
  for (int shift = 0; shift < 32; shift += 8) out.push_back(static_cast<std::uint8_t>(length >> shift));
}

std::uint32_t GetLength(std::span<const std::uint8_t> bytes, std::size_t at) {
  return static_cast<std::uint32_t>(bytes[at]) | static_cast<std::uint32_t>(bytes[at + 1]) << 8 |
         static_cast<std::uint32_t>(bytes[at + 2]) << 16 | static_cast<std::uint32_t>(bytes[at + 3]) << 24;
}

// The file-error message naming the file, in the wording of the desktop's
// standard file errors where there is one.
std::string FileErrorText(const std::string& path, int error) {
  std::string text;
  if (error == EACCES || error == EPERM || error == EROFS) {
    text = "拒绝访问 %1 .";
  } else if (error == ENOENT || error == ENOTDIR) {
    text = "%1 找不到.";
  } else {
    text = std::string("%1: ") + std::strerror(error);
  }
  text.replace(text.find("%1"), 2, path);
  return text;
}

SchemeStatus ReportFileError(Notifier& notifier, const std::string& path, int error) {
  notifier.Report(FileErrorText(path, error));
  return SchemeStatus::FileError;
}

// A path holding a NUL byte cannot name a file; it is treated as missing.
bool NamesExistingFile(const std::string& path) {
  return !path.empty() && path.find('\0') == std::string::npos && PathExists(path);
}

}  // namespace

std::vector<std::uint8_t> EncodeScheme(const std::vector<std::string>& paths) {
  if (paths.size() > kMaxEntries) return {};
  std::vector<std::uint8_t> out(std::begin(kSignature), std::end(kSignature));
  out.push_back(static_cast<std::uint8_t>(paths.size()));
  for (const auto& path : paths) {
    if (path.size() > std::numeric_limits<std::uint32_t>::max()) return {};
    PutLength(out, static_cast<std::uint32_t>(path.size()));
    out.insert(out.end(), path.begin(), path.end());
  }
  return out;
}

SchemeEntries DecodeScheme(std::span<const std::uint8_t> bytes) {
  SchemeEntries result;
  if (bytes.size() < 4 || !std::equal(std::begin(kSignature), std::end(kSignature), bytes.begin())) return result;
  const std::size_t count = bytes[3];
  std::size_t at = 4;
  for (std::size_t i = 0; i < count; ++i) {
    if (bytes.size() - at < 4) return SchemeEntries{};
    const std::uint32_t length = GetLength(bytes, at);
    at += 4;
    if (bytes.size() - at < length) return SchemeEntries{};
    result.paths.emplace_back(reinterpret_cast<const char*>(bytes.data() + at), length);
    at += length;
  }
  result.valid = true;
  return result;
}

SchemeStatus SaveSchemeFile(const std::string& path, const std::vector<std::string>& paths, Notifier& notifier) {
  if (paths.empty()) {
    notifier.Report(msg::kListEmpty);
    return SchemeStatus::EmptyList;
  }
  std::vector<std::uint8_t> bytes = EncodeScheme(paths);
  if (bytes.empty()) return SchemeStatus::TooManyEntries;

  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return ReportFileError(notifier, path, errno);
  std::span<const std::uint8_t> rest(bytes);
  while (!rest.empty()) {
    ssize_t put = ::write(fd, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) {
      int error = put < 0 ? errno : ENOSPC;
      ::close(fd);
      return ReportFileError(notifier, path, error);
    }
    rest = rest.subspan(static_cast<std::size_t>(put));
  }
  if (::close(fd) != 0) return ReportFileError(notifier, path, errno);
  return SchemeStatus::Ok;
}

SchemeLoadResult LoadSchemeFile(const std::string& path, Notifier& notifier) {
  SchemeLoadResult result;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    notifier.Report(FormatMessage(msg::kFileNotFound, path));
    result.status = SchemeStatus::FileMissing;
    return result;
  }
  // Only a plain file is read: a folder or a pipe is refused before opening.
  if (!S_ISREG(st.st_mode)) {
    result.status = ReportFileError(notifier, path, S_ISDIR(st.st_mode) ? EISDIR : EINVAL);
    return result;
  }
  if (st.st_size > kMaxSchemeBytes) {
    notifier.Report(msg::kSchemeMemoryOverflow);
    result.status = SchemeStatus::OutOfMemory;
    return result;
  }

  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) {
    result.status = ReportFileError(notifier, path, errno);
    return result;
  }
  std::vector<std::uint8_t> bytes;
  try {
    bytes.reserve(static_cast<std::size_t>(st.st_size));
  } catch (const std::bad_alloc&) {
    ::close(fd);
    notifier.Report(msg::kSchemeMemoryOverflow);
    result.status = SchemeStatus::OutOfMemory;
    return result;
  }
  // Read up to the end whatever the size said: the file may change under us,
  // and the decoder only trusts what was really read.
  std::uint8_t chunk[8192];
  for (;;) {
    ssize_t got = ::read(fd, chunk, sizeof chunk);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      int error = errno;
      ::close(fd);
      result.status = ReportFileError(notifier, path, error);
      return result;
    }
    if (got == 0) break;
    if (bytes.size() + static_cast<std::size_t>(got) > static_cast<std::size_t>(kMaxSchemeBytes)) {
      ::close(fd);
      notifier.Report(msg::kSchemeMemoryOverflow);
      result.status = SchemeStatus::OutOfMemory;
      return result;
    }
    bytes.insert(bytes.end(), chunk, chunk + got);
  }
  ::close(fd);

  SchemeEntries entries = DecodeScheme(bytes);
  if (!entries.valid) {
    notifier.Report(msg::kSchemeInvalid);
    result.status = SchemeStatus::Invalid;
    return result;
  }
  for (auto& entry : entries.paths) {
    if (NamesExistingFile(entry)) {
      result.paths.push_back(std::move(entry));
    } else {
      notifier.Report(FormatMessage(msg::kSchemeEntrySkipped, std::string_view(entry.c_str())));
      ++result.skipped;
    }
  }
  result.status = SchemeStatus::Ok;
  return result;
}

}  // namespace orv
