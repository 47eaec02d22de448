#include "settings/settings_store.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <limits>
#include <nlohmann/json.hpp>

#include "base/paths.h"
#include "video/video_options.h"

namespace orv {
namespace {

using Json = nlohmann::ordered_json;

// A store file is a few hundred bytes; anything far bigger is not ours and is
// treated like unreadable text rather than read into memory whole.
constexpr std::size_t kMaxStoreBytes = 1 << 20;

enum class FileState { Missing, Read, Unreadable };

FileState ReadWholeFile(const std::string& path, std::string& text) {
  // Non-blocking, so that a pipe in the store's place cannot hang the reader.
  int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return errno == ENOENT || errno == ENOTDIR ? FileState::Missing : FileState::Unreadable;
  struct stat st {};
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
    ::close(fd);
    return FileState::Unreadable;
  }
  text.clear();
  char buffer[4096];
  for (;;) {
    ssize_t got = ::read(fd, buffer, sizeof buffer);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) {
      ::close(fd);
      return FileState::Unreadable;
    }
    if (got == 0) break;
    if (text.size() + static_cast<std::size_t>(got) > kMaxStoreBytes) {
      // Too big to be a store: read as damaged text, never as values.
      text.assign("\x01");
      break;
    }
    text.append(buffer, static_cast<std::size_t>(got));
  }
  ::close(fd);
  return FileState::Read;
}

bool WriteAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    ssize_t put = ::write(fd, bytes.data(), bytes.size());
    if (put < 0 && errno == EINTR) continue;
    if (put <= 0) return false;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return true;
}

// Keeps a damaged store file under a name of its own before it is replaced:
// Orvanta.json.corrupt, or .corrupt-2, -3 ... when earlier copies exist.
std::optional<std::string> KeepDamagedCopy(const std::string& path) {
  for (int n = 1; n < 1000; ++n) {
    std::string copy = path + ".corrupt" + (n == 1 ? std::string() : "-" + std::to_string(n));
    if (::link(path.c_str(), copy.c_str()) == 0) return copy;
    if (errno == EEXIST) continue;
    // Hard links may be unsupported; copy the bytes instead.
    std::error_code ec;
    if (std::filesystem::exists(copy, ec)) continue;
    if (std::filesystem::copy_file(path, copy, ec)) return copy;
    return std::nullopt;
  }
  return std::nullopt;
}

// The file the store really lives in: a symbolic link (a managed dot-file)
// is followed so that a rewrite replaces the target, not the link.
std::string WriteTarget(const std::string& path) {
  struct stat st {};
  if (::lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    std::error_code ec;
    auto target = std::filesystem::weakly_canonical(path, ec);
    if (!ec) return target.string();
  }
  return path;
}

// Holds an exclusive lock on the store's folder (created when missing) so that
// two programs changing values at the same moment do not lose each other's
// change between reading and renaming.
class FolderLock {
 public:
  explicit FolderLock(const std::string& path) {
    std::filesystem::path folder = std::filesystem::path(path).parent_path();
    if (folder.empty()) folder = ".";
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    fd_ = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd_ < 0) {
      // The folder's own failure says more than a missing folder does.
      error_ = ec ? ec.value() : errno;
      return;
    }
    while (::flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
    }
  }
  ~FolderLock() {
    if (fd_ >= 0) ::close(fd_);
  }
  FolderLock(const FolderLock&) = delete;
  FolderLock& operator=(const FolderLock&) = delete;
  bool ok() const { return fd_ >= 0; }
  int error() const { return error_; }

 private:
  int fd_ = -1;
  int error_ = 0;
};

// Writes `text` to a temporary file beside `path` and renames it over `path`,
// so a crash leaves either the old or the new store, never half of one.
// On failure `error` holds the system's reason.
bool ReplaceFile(const std::string& path, std::string_view text, int& error) {
  std::string temp = path + ".XXXXXX";
  int fd = ::mkstemp(temp.data());
  if (fd < 0) {
    error = errno;
    return false;
  }
  mode_t mode = 0644;
  struct stat st {};
  if (::stat(path.c_str(), &st) == 0) mode = st.st_mode & 07777;
  bool ok = ::fchmod(fd, mode) == 0 && WriteAll(fd, text) && ::fsync(fd) == 0;
  if (!ok) error = errno;
  if (::close(fd) != 0 && ok) {
    error = errno;
    ok = false;
  }
  if (ok && ::rename(temp.c_str(), path.c_str()) != 0) {
    error = errno;
    ok = false;
  }
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

std::optional<std::int32_t> AsInt32(const Json& value) {
  if (value.is_number_integer()) {
    // Registry integers are 32-bit words read back as signed; a number written
    // as unsigned by another tool is taken the same way.
    if (value.is_number_unsigned()) {
      auto u = value.get<std::uint64_t>();
      if (u <= std::numeric_limits<std::uint32_t>::max())
        return static_cast<std::int32_t>(static_cast<std::uint32_t>(u));
      return std::nullopt;
    }
    auto s = value.get<std::int64_t>();
    if (s >= std::numeric_limits<std::int32_t>::min() && s <= std::numeric_limits<std::int32_t>::max()) {
      return static_cast<std::int32_t>(s);
    }
  }
  return std::nullopt;
}

}  // namespace

struct StoredValues::Object {
  Json json = Json::object();
};

StoredValues::StoredValues() : object_(std::make_unique<Object>()) {}
StoredValues::~StoredValues() = default;
StoredValues::StoredValues(StoredValues&&) noexcept = default;
StoredValues& StoredValues::operator=(StoredValues&&) noexcept = default;

StoredValues StoredValues::Parse(std::string_view text) {
  StoredValues values;
  Json parsed = Json::parse(text.begin(), text.end(), nullptr, /*allow_exceptions=*/false);
  if (parsed.is_object()) {
    values.object_->json = std::move(parsed);
  } else {
    values.damaged_ = true;
  }
  return values;
}

bool StoredValues::Has(std::string_view name) const { return object_->json.find(name) != object_->json.end(); }

std::int32_t StoredValues::GetInt(std::string_view name, std::int32_t fallback) const {
  auto it = object_->json.find(name);
  if (it == object_->json.end()) return fallback;
  return AsInt32(*it).value_or(fallback);
}

std::string StoredValues::GetString(std::string_view name, std::string_view fallback) const {
  auto it = object_->json.find(name);
  if (it == object_->json.end() || !it->is_string()) return std::string(fallback);
  return it->get<std::string>();
}

SettingsStore::SettingsStore() : path_(DefaultPath()) {}
SettingsStore::SettingsStore(std::string path) : path_(std::move(path)) {}

std::string SettingsStore::DefaultPath() {
  std::string base;
  if (const char* config = std::getenv("XDG_CONFIG_HOME"); config != nullptr && config[0] == '/') {
    base = config;
  } else {
    const char* home = std::getenv("HOME");
    base = JoinPath(home != nullptr && *home != '\0' ? home : "/tmp", ".config");
  }
  return JoinPath(JoinPath(base, "Velloran"), "Orvanta.json");
}

StoredValues SettingsStore::Read() const {
  std::string text;
  if (ReadWholeFile(path_, text) != FileState::Read) return StoredValues();
  StoredValues values = StoredValues::Parse(text);
  if (values.damaged()) WarnDamagedOnce();
  return values;
}

void SettingsStore::WarnDamagedOnce() const {
  if (warned_) return;
  warned_ = true;
  std::fprintf(stderr, "Orvanta: the settings file %s is damaged; its values are ignored and defaults apply\n",
               path_.c_str());
}

std::int32_t SettingsStore::GetInt(std::string_view name, std::int32_t fallback) const {
  return Read().GetInt(name, fallback);
}

std::string SettingsStore::GetString(std::string_view name, std::string_view fallback) const {
  return Read().GetString(name, fallback);
}

bool SettingsStore::Rewrite(const std::function<void(StoredValues&)>& change) {
  lastError_.clear();
  keptAside_.clear();
  const auto fail = [this](int error) {
    lastError_ = std::strerror(error);
    return false;
  };
  std::string target = WriteTarget(path_);
  FolderLock lock(target);
  if (!lock.ok()) return fail(lock.error());
  std::string text;
  errno = 0;
  FileState state = ReadWholeFile(target, text);
  // A store that exists but cannot be read would lose all its other values.
  if (state == FileState::Unreadable) return fail(errno != 0 ? errno : EINVAL);
  StoredValues values = state == FileState::Read ? StoredValues::Parse(text) : StoredValues();
  if (values.damaged()) {
    WarnDamagedOnce();
    auto copy = KeepDamagedCopy(target);
    if (!copy) {
      const int error = errno != 0 ? errno : EIO;
      std::fprintf(stderr, "Orvanta: the damaged settings file %s could not be kept aside; it is left as it is\n",
                   target.c_str());
      return fail(error);
    }
    std::fprintf(stderr, "Orvanta: the damaged settings file was kept as %s\n", copy->c_str());
    keptAside_ = *copy;
    values = StoredValues();
  }
  change(values);
  std::string out;
  try {
    out = values.object_->json.dump(2) + "\n";
  } catch (const Json::exception&) {
    return fail(EILSEQ);  // a text that is not UTF-8 cannot be stored in JSON
  }
  int error = 0;
  return ReplaceFile(target, out, error) || fail(error);
}

std::optional<std::string> SettingsStore::SetAsideIfDamaged() {
  lastError_.clear();
  if (!Read().damaged()) return std::nullopt;
  // Rewriting with no change keeps the damaged file aside and leaves an
  // empty store in its place.
  if (!Rewrite([](StoredValues&) {})) return std::string();
  return keptAside_;
}

bool SettingsStore::SetInt(std::string_view name, std::int32_t value) {
  return Rewrite([&](StoredValues& values) { values.object_->json[std::string(name)] = value; });
}

bool SettingsStore::SetString(std::string_view name, std::string_view text) {
  return Rewrite([&](StoredValues& values) { values.object_->json[std::string(name)] = std::string(text); });
}

bool SettingsStore::Clear() {
  return Rewrite([](StoredValues& values) { values.object_->json = Json::object(); });
}

std::string DefaultOutputFolder() { return JoinPath(DocumentsFolder(), "Orvanta"); }

std::string StoredOutputFolder(const SettingsStore& store) {
  return store.GetString("OutputDir", DefaultOutputFolder());
}

ConversionSettings LoadConversionSettings(const SettingsStore& store, std::string_view outputFolder,
                                          const SettingOverrides& overrides) {
  return LoadConversionSettings(store.Read(), outputFolder, overrides);
}

ConversionSettings LoadConversionSettings(const StoredValues& values, std::string_view outputFolder,
                                          const SettingOverrides& overrides) {
  auto read = [&](std::string_view name) {
    if (auto it = overrides.find(name); it != overrides.end()) return it->second;
    const SettingInfo* info = FindSetting(name);
    return values.GetInt(name, info != nullptr ? info->defaultValue : 0);
  };
  ConversionSettings s;
  s.BlankEnd = read("BlankEnd");
  s.UnProtect = read("UnProtect");
  s.NoPrint = read("NoPrint");
  s.Align = read("Align");
  s.OpenDest = read("OpenDest");
  s.Scale = read("Scale");
  s.Notes = read("Notes");
  s.GenHTML = read("GenHTML");
  s.GenAutorun = read("GenAutorun");
  s.SplitPPT = read("SplitPPT");
  s.UseTitle = read("UseTitle");
  if (s.GenHTML == 0) s.GenAutorun = 0;
  if (s.SplitPPT == 0) s.UseTitle = 0;

  s.AutoStart = read("AutoStart");
  s.Loop = read("循环");
  s.Fade = read("渐隐");
  s.UsePptTime = read("UsePptTime");
  s.ShowNav = read("ShowNav");
  s.InsHelp = read("InsHelp");
  s.Delay = read("延迟 ");
  if (s.Delay > 9999 || s.Delay < 0) s.Delay = 3;
  if (s.ShowNav == 0) s.InsHelp = 0;

  // Taken as stored: the options pages only ever store valid sizes.
  s.Width = read("Width");
  s.Height = read("Height");
  s.JpgQlt = read("JpgQlt");
  s.SharpFont = read("SharpFont");
  s.WebPlayer = read("WebPlayer");
  s.GenHTML5 = read("GenHTML5");
  s.GenScorm = read("GenScorm");
  s.ScormCompletion = read("ScormCompletion");
  if (s.ScormCompletion < 1 || s.ScormCompletion > 100) s.ScormCompletion = 100;
  s.GenVideo = read("GenVideo");
  s.VideoFormat = static_cast<std::int32_t>(VideoFormatFromIndex(read("VideoFormat")));
  s.VideoHeight = read("VideoHeight");
  if (!IsVideoHeight(s.VideoHeight)) s.VideoHeight = kDefaultVideoHeight;
  s.GenIndex = read("GenIndex");
  s.WebPlayerUrl = values.GetString("WebPlayerUrl", "");

  s.TempFolder = SystemTempFolder();
  s.OutputFolder = std::string(outputFolder);
  return s;
}

}  // namespace orv
