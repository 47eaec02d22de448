#include "pipeline/web_player.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "base/owner_tag.h"
#include "base/paths.h"
#include "movie/web_player_markup.h"

namespace orv {
namespace fs = std::filesystem;
namespace {

// A stamp is one short line; anything larger is not ours.
constexpr std::uintmax_t kStampLimit = 256;

std::string ReadStamp(const std::string& folder) {
  const std::string path = JoinPath(folder, kWebPlayerStamp);
  std::error_code ec;
  if (!fs::is_regular_file(path, ec) || fs::file_size(path, ec) > kStampLimit || ec) return {};
  std::ifstream in(path, std::ios::binary);
  std::ostringstream text;
  text << in.rdbuf();
  return in ? text.str() : std::string();
}

// errno keeps the system's reason of a failure (a full disk), for the
// caller's message.
bool CopyOneFile(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  if (fs::copy_file(from, to, ec) && !ec) return true;
  if (ec) errno = ec.value();
  return false;
}

// Copies the bundle's regular files and folders; the stamp goes last, so a
// folder without it was never finished.
bool CopyBundle(const fs::path& from, const fs::path& to) {
  std::error_code ec;
  fs::recursive_directory_iterator it(from, fs::directory_options::follow_directory_symlink, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    const fs::path relative = it->path().lexically_relative(from);
    if (relative == kWebPlayerStamp) continue;
    if (it->is_directory(ec)) {
      if (!fs::create_directory(to / relative, ec)) return false;
    } else if (it->is_regular_file(ec)) {
      if (!CopyOneFile(it->path(), to / relative)) return false;
    }
  }
  return !ec && CopyOneFile(from / kWebPlayerStamp, to / kWebPlayerStamp);
}

std::string HiddenFolderPrefix(const char* purpose) {
  return std::string(".") + kWebPlayerFolder + "." + purpose + ".";
}

// Named after this process too, so that a later run removes what a killed
// copy left (pipeline/leftovers.h).
std::string MakeHiddenFolder(const std::string& outputFolder, const char* purpose) {
  std::string pattern = JoinPath(outputFolder, HiddenFolderPrefix(purpose) + OwnerTag() + "XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) return {};
  return pattern;
}

// Every file of the bundle is in the copy with its size: a copy someone
// pruned, or one a full disk cut short before its stamp was checked, is not.
bool CopyIsComplete(const fs::path& bundle, const fs::path& copy) {
  std::error_code ec;
  fs::recursive_directory_iterator it(bundle, fs::directory_options::follow_directory_symlink, ec);
  for (; !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
    if (!it->is_regular_file(ec)) continue;
    const fs::path there = copy / it->path().lexically_relative(bundle);
    std::error_code statError;
    if (fs::file_size(there, statError) != it->file_size(ec) || statError) return false;
  }
  return !ec;
}

}  // namespace

std::vector<std::string> WebPlayerCandidates(const std::string& programFolder) {
  if (programFolder.empty()) return {};
  return {JoinPath(programFolder, kWebPlayerFolder),
          (fs::path(programFolder).parent_path() / "share" / "orvanta" / kWebPlayerFolder).string()};
}

bool IsWebPlayerWorkingName(std::string_view name) {
  return name.starts_with(HiddenFolderPrefix("new")) || name.starts_with(HiddenFolderPrefix("old"));
}

WebPlayerBundle ReadWebPlayerBundle(const std::string& folder) { return WebPlayerBundle{folder, ReadStamp(folder)}; }

WebPlayerBundle LocateWebPlayer(const std::string& programFolder) {
  WebPlayerBundle last;
  for (const std::string& candidate : WebPlayerCandidates(programFolder)) {
    last = ReadWebPlayerBundle(candidate);
    if (last.found()) return last;
  }
  return last;
}

WebPlayerBundle LocateWebPlayer() { return LocateWebPlayer(ProgramFolder()); }

WebPlayerCopy InstallWebPlayer(const WebPlayerBundle& bundle, const std::string& outputFolder) {
  if (!bundle.found()) return WebPlayerCopy::kFailed;
  const std::string target = JoinPath(outputFolder, kWebPlayerFolder);
  std::error_code ec;
  const auto targetStatus = fs::symlink_status(target, ec);
  const bool targetExists = fs::exists(targetStatus);
  // Something else of that name (a file, a link) is the user's: leave it.
  if (targetExists && !fs::is_directory(targetStatus)) return WebPlayerCopy::kFailed;
  if (targetExists && ReadStamp(target) == bundle.version && CopyIsComplete(bundle.folder, target)) {
    return WebPlayerCopy::kPresent;
  }

  const std::string fresh = MakeHiddenFolder(outputFolder, "new");
  if (fresh.empty()) return WebPlayerCopy::kFailed;
  if (!CopyBundle(bundle.folder, fresh) || ::chmod(fresh.c_str(), 0755) != 0) {
    const int reason = errno;
    fs::remove_all(fresh, ec);
    errno = reason;
    return WebPlayerCopy::kFailed;
  }

  std::string old;
  if (targetExists) {
    // Another version: moved aside first, so the new one can take its name.
    old = MakeHiddenFolder(outputFolder, "old");
    if (old.empty() || ::rename(target.c_str(), old.c_str()) != 0) {
      if (!old.empty()) fs::remove(old, ec);
      fs::remove_all(fresh, ec);
      return WebPlayerCopy::kFailed;
    }
  }
  if (::rename(fresh.c_str(), target.c_str()) != 0) {
    fs::remove_all(fresh, ec);
    // Another run may have put the same version there in the meantime.
    if (ReadStamp(target) == bundle.version) {
      if (!old.empty()) fs::remove_all(old, ec);
      return WebPlayerCopy::kPresent;
    }
    if (!old.empty()) ::rename(old.c_str(), target.c_str());
    return WebPlayerCopy::kFailed;
  }
  if (!old.empty()) fs::remove_all(old, ec);
  return WebPlayerCopy::kCopied;
}

}  // namespace orv
