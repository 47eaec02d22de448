#include "pipeline/working_folder.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <vector>

#include "base/language.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/owner_tag.h"
#include "base/paths.h"
#include "base/resources.h"
#include "pipeline/output_names.h"

namespace orv {
namespace {

// A working folder holds the pictures of one presentation and nothing deeper
// than a level or two; a tree deeper than this is not ours to walk.
constexpr int kMaxDepth = 64;

bool EmptyDirectoryAt(int dirFd, int depth);

// Deletes entry `name` of the open folder `dirFd`: folders with their content,
// everything else (links included) as a single entry.
bool DeleteEntryAt(int dirFd, const char* name, int depth) {
  struct stat st {};
  if (::fstatat(dirFd, name, &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (!S_ISDIR(st.st_mode)) return ::unlinkat(dirFd, name, 0) == 0;
  if (depth >= kMaxDepth) return false;
  int childFd = ::openat(dirFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (childFd < 0) return false;
  if (!EmptyDirectoryAt(childFd, depth + 1)) return false;  // closes childFd
  return ::unlinkat(dirFd, name, AT_REMOVEDIR) == 0;
}

// Deletes every entry of the folder open as `dirFd` and closes it.
bool EmptyDirectoryAt(int dirFd, int depth) {
  DIR* dir = ::fdopendir(dirFd);
  if (dir == nullptr) {
    ::close(dirFd);
    return false;
  }
  bool ok = true;
  while (ok) {
    errno = 0;
    const dirent* entry = ::readdir(dir);
    if (entry == nullptr) {
      ok = errno == 0;
      break;
    }
    std::string_view name = entry->d_name;
    if (name == "." || name == "..") continue;
    ok = DeleteEntryAt(::dirfd(dir), entry->d_name, depth);
  }
  ::closedir(dir);
  return ok;
}

bool EndsWithExtension(std::string_view name, std::string_view extension) {
  if (name.size() <= extension.size() + 1) return false;
  if (name[name.size() - extension.size() - 1] != '.') return false;
  auto tail = name.substr(name.size() - extension.size());
  return std::equal(tail.begin(), tail.end(), extension.begin(), [](char a, char b) {
    auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    return lower(a) == lower(b);
  });
}

// The slide number of a picture name: the digits right before ".ext", leading
// zeros dropped, kept as text so that no count of digits overflows.
struct SlideKey {
  bool numbered = false;
  std::string digits;
  std::string name;
};

SlideKey KeyFor(std::string name, std::size_t extensionLength) {
  SlideKey key;
  std::string_view stem(name);
  stem.remove_suffix(extensionLength + 1);
  std::size_t start = stem.size();
  while (start > 0 && stem[start - 1] >= '0' && stem[start - 1] <= '9') --start;
  std::string_view digits = stem.substr(start);
  key.numbered = !digits.empty();
  while (digits.size() > 1 && digits.front() == '0') digits.remove_prefix(1);
  key.digits = std::string(digits);
  key.name = std::move(name);
  return key;
}

bool InSlideOrder(const SlideKey& a, const SlideKey& b) {
  if (a.numbered != b.numbered) return a.numbered;
  if (a.digits.size() != b.digits.size()) return a.digits.size() < b.digits.size();
  if (a.digits != b.digits) return a.digits < b.digits;
  return a.name < b.name;
}

}  // namespace

std::string WorkingFolderFor(const ConversionSettings& settings, std::string_view presentationPath) {
  return JoinPath(settings.TempFolder, OutputStem(presentationPath) + "_zzz_");
}

namespace {

// Locks `lockPath` without waiting. The lock counts only if the file is still
// the one under that name: a run that released it may have removed it between
// our open and our lock.
int TryLock(const std::string& lockPath) {
  for (int attempt = 0; attempt < 8; ++attempt) {
    int fd = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0) return -2;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
      ::close(fd);
      return -1;  // held by another run
    }
    struct stat held {
    }, named{};
    if (::fstat(fd, &held) == 0 && ::stat(lockPath.c_str(), &named) == 0 && held.st_ino == named.st_ino &&
        held.st_dev == named.st_dev) {
      return fd;
    }
    ::close(fd);
  }
  return -1;
}

// True when the lock at `path` names a holder on another machine (the
// temporary folder is shared): its lock cannot be judged from here.
bool OfAnotherHost(const std::string& path) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  char text[512];
  const ssize_t got = ::read(fd, text, sizeof text);
  ::close(fd);
  if (got <= 0) return false;
  const auto owner = OwnerOf(std::string_view(text, static_cast<std::size_t>(got)));
  return owner && owner->host != ThisHost();
}

}  // namespace

WorkingFolderClaim WorkingFolderClaim::For(const ConversionSettings& settings, std::string_view presentationPath) {
  const std::string plain = WorkingFolderFor(settings, presentationPath);
  WorkingFolderClaim claim;
  for (int n = 1; n <= 1000; ++n) {
    std::string folder = n == 1 ? plain : plain + std::to_string(n);
    int fd = TryLock(folder + ".lock");
    if (fd == -2) break;  // no lock possible here: fall back to the plain name
    if (fd >= 0) {
      // The lock names its holder: a temporary folder shared by the machines
      // of a cluster holds locks that only their own host can judge.
      const std::string owner = OwnerTag();
      if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, owner.data(), owner.size(), 0) < 0) {
        // an unnamed lock still holds; only another host's sweep cannot tell
      }
      claim.folder_ = folder;
      claim.lockFd_ = fd;
      return claim;
    }
  }
  claim.folder_ = plain;
  return claim;
}

WorkingFolderClaim::~WorkingFolderClaim() { Release(); }

WorkingFolderClaim::WorkingFolderClaim(WorkingFolderClaim&& other) noexcept
    : folder_(std::move(other.folder_)), lockFd_(other.lockFd_) {
  other.lockFd_ = -1;
}

WorkingFolderClaim& WorkingFolderClaim::operator=(WorkingFolderClaim&& other) noexcept {
  if (this != &other) {
    Release();
    folder_ = std::move(other.folder_);
    lockFd_ = other.lockFd_;
    other.lockFd_ = -1;
  }
  return *this;
}

void WorkingFolderClaim::Release() {
  if (lockFd_ < 0) return;
  // Removed while still locked, so a run waiting for the name locks a new file.
  ::unlink((folder_ + ".lock").c_str());
  ::close(lockFd_);
  lockFd_ = -1;
}

void RemoveWorkingFoldersOfEndedRuns(const std::string& tempFolder) {
  constexpr std::string_view kLock = ".lock";
  constexpr std::string_view kMark = "_zzz_";
  std::vector<std::string> locks;
  if (DIR* dir = ::opendir(tempFolder.c_str()); dir != nullptr) {
    while (const dirent* entry = ::readdir(dir)) {
      std::string_view name = entry->d_name;
      if (!name.ends_with(kLock)) continue;
      std::string_view folder = name.substr(0, name.size() - kLock.size());
      const std::size_t mark = folder.rfind(kMark);
      if (mark == std::string_view::npos) continue;
      std::string_view number = folder.substr(mark + kMark.size());
      if (std::all_of(number.begin(), number.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        locks.emplace_back(name);
      }
    }
    ::closedir(dir);
  }
  for (const std::string& lock : locks) {
    const std::string lockPath = JoinPath(tempFolder, lock);
    if (OfAnotherHost(lockPath)) continue;
    // Held, the lock keeps any other run from claiming the name meanwhile.
    const int fd = TryLock(lockPath);
    if (fd < 0) continue;
    const std::string folder = lockPath.substr(0, lockPath.size() - kLock.size());
    struct stat st {};
    if (::lstat(folder.c_str(), &st) == 0) DeleteFolderTree(folder);
    ::unlink(lockPath.c_str());
    ::close(fd);
  }
}

bool RemoveWorkingFolder(const std::string& folder) {
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0 && errno == ENOENT) return true;
  if (!DeleteFolderTree(folder)) {
    const int error = errno;
    Notify(msg::kCannotRemoveTemp);
    Explain(folder + ": " + std::strerror(error));
    return false;
  }
  return true;
}

bool DeleteFolderTree(const std::string& folderPath) {
  // "x/" would make lstat look through a link named x.
  std::string folder = folderPath;
  while (folder.size() > 1 && folder.back() == kPathSeparator) folder.pop_back();
  struct stat st {};
  if (::lstat(folder.c_str(), &st) != 0) return false;
  // A link or file in the folder's place is removed itself; a link is never
  // followed to delete what it points at.
  if (!S_ISDIR(st.st_mode)) return ::unlink(folder.c_str()) == 0;
  int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return false;
  if (!EmptyDirectoryAt(fd, 0)) return false;
  return ::rmdir(folder.c_str()) == 0;
}

bool CollectSlideImages(const std::string& folder, const ConversionSettings& settings, SlideList& slideList,
                        std::string_view extension) {
  std::vector<SlideKey> pictures;
  if (DIR* dir = ::opendir(folder.c_str()); dir != nullptr) {
    while (const dirent* entry = ::readdir(dir)) {
      std::string_view name = entry->d_name;
      if (name == "." || name == ".." || !EndsWithExtension(name, extension)) continue;
      struct stat st {};
      // Only plain files: a folder or a link named like a picture is skipped.
      if (::fstatat(::dirfd(dir), entry->d_name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !S_ISREG(st.st_mode)) continue;
      pictures.push_back(KeyFor(std::string(name), extension.size()));
    }
    ::closedir(dir);
  }
  // Directory order is neither alphabetical nor creation order here; the
  // slide number decides.
  std::sort(pictures.begin(), pictures.end(), InSlideOrder);
  for (const auto& picture : pictures) slideList.paths.push_back(JoinPath(folder, picture.name));

  if (settings.SplitPPT == 0) {
    const bool english = CurrentLanguage() == UiLanguage::kEnglish;
    if (settings.InsHelp != 0) {
      std::string path = JoinPath(folder, kHelpSlideFile);
      if (!WriteResourceFile(path, english ? kHelpSlideEnglishResource : kHelpSlideResource)) return false;
      slideList.paths.insert(slideList.paths.begin(), path);
    }
    if (settings.BlankEnd != 0) {
      std::string path = JoinPath(folder, kEndSlideFile);
      if (!WriteResourceFile(path, english ? kEndSlideEnglishResource : kEndSlideResource)) return false;
      slideList.paths.push_back(path);
    }
  }
  return true;
}

bool WriteResourceFile(const std::string& path, int resourceId) {
  auto bytes = LoadResource(resourceId, "BIN");
  if (!bytes) return false;
  int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_NOFOLLOW | O_CLOEXEC, 0644);
  bool ok = fd >= 0;
  std::span<const std::uint8_t> rest = *bytes;
  while (ok && !rest.empty()) {
    ssize_t put = ::write(fd, rest.data(), rest.size());
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) rest = rest.subspan(static_cast<std::size_t>(put));
  }
  int error = errno;
  if (fd >= 0 && ::close(fd) != 0) {
    if (ok) error = errno;
    ok = false;
  }
  if (!ok) {
    Notify(msg::kCannotCreateImage);
    Explain(path + ": " + std::strerror(error));
    return false;
  }
  return true;
}

}  // namespace orv
