#include "http/service_folder.h"

#include <fcntl.h>
#include <sys/file.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

#include "base/paths.h"

namespace orv::http {
namespace fs = std::filesystem;
namespace {

constexpr std::string_view kPrefix = "orvanta-serve-";
constexpr const char* kLockName = ".lock";

}  // namespace

ServiceFolder::~ServiceFolder() {
  std::error_code ec;
  if (!path_.empty()) fs::remove_all(path_, ec);
}

bool ServiceFolder::Make(const std::string& root, std::string& error) {
  SweepServiceFolders(root);
  std::string pattern = JoinPath(root, std::string(kPrefix) + "XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) {
    error = "cannot make a working folder in " + root + ": " + std::strerror(errno);
    return false;
  }
  path_ = pattern;
  // Locked before it takes its name: another start never finds it unlocked.
  const std::string early = JoinPath(path_, ".lock-new");
  lock_.Reset(::open(early.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600));
  if (!lock_ || ::flock(lock_.get(), LOCK_EX | LOCK_NB) != 0 ||
      ::rename(early.c_str(), JoinPath(path_, kLockName).c_str()) != 0) {
    error = "cannot lock the working folder " + path_ + ": " + std::strerror(errno);
    return false;
  }
  return true;
}

int SweepServiceFolders(const std::string& root) {
  int removed = 0;
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(root, ec)) {
    const std::string name = entry.path().filename().string();
    if (!name.starts_with(kPrefix) || !entry.is_directory(ec) || entry.is_symlink(ec)) continue;
    UniqueFd lock(::open((entry.path() / kLockName).c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW));
    if (!lock || ::flock(lock.get(), LOCK_EX | LOCK_NB) != 0) continue;  // being made, or alive
    fs::remove_all(entry.path(), ec);
    removed += ec ? 0 : 1;
  }
  return removed;
}

}  // namespace orv::http
