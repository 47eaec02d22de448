#include "pipeline/office/profile_seed.h"

#include <unistd.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace orv::office {
namespace {

namespace fs = std::filesystem;

std::string CacheBase() {
  const char* cache = std::getenv("XDG_CACHE_HOME");
  if (cache != nullptr && cache[0] == '/') return cache;
  const char* home = std::getenv("HOME");
  if (home != nullptr && home[0] == '/') return std::string(home) + "/.cache";
  return {};
}

// FNV-1a: the name must stay the same from run to run.
std::uint64_t Fingerprint(const std::string& text) {
  std::uint64_t hash = 14695981039346656037ull;
  for (unsigned char c : text) {
    hash ^= c;
    hash *= 1099511628211ull;
  }
  return hash;
}

bool Complete(const fs::path& extensions) {
  std::error_code ec;
  return fs::is_regular_file(extensions / "buildid", ec) &&
         fs::exists(extensions / "shared" / "lastsynchronized", ec) &&
         fs::exists(extensions / "bundled" / "lastsynchronized", ec);
}

}  // namespace

std::string ExtensionSeedFolder(const std::string& officeRoot) {
  const std::string base = CacheBase();
  std::ifstream version(officeRoot + "/program/versionrc", std::ios::binary);
  if (base.empty() || !version) return {};
  std::string text((std::istreambuf_iterator<char>(version)), std::istreambuf_iterator<char>());
  char name[64];
  std::snprintf(name, sizeof name, "office-extensions-%016llx",
                static_cast<unsigned long long>(Fingerprint(officeRoot + "\n" + text)));
  return base + "/orvanta/" + name;
}

void PlantExtensionSeed(const std::string& seed, const std::string& profile) {
  if (seed.empty() || !Complete(seed)) return;
  std::error_code ec;
  // A copy that fails half-way only costs the restart the seed would save.
  fs::copy(seed, fs::path(profile) / "user" / "extensions", fs::copy_options::recursive, ec);
}

void KeepExtensionSeed(const std::string& seed, const std::string& profile) {
  std::error_code ec;
  const fs::path extensions = fs::path(profile) / "user" / "extensions";
  if (seed.empty() || fs::exists(seed, ec) || !Complete(extensions)) return;
  const fs::path staging = seed + ".new-" + std::to_string(getpid());
  fs::remove_all(staging, ec);
  fs::create_directories(staging, ec);
  for (const auto& entry : fs::directory_iterator(extensions, ec)) {
    if (entry.path().filename() == "tmp") continue;  // the unpacking area, not part of the registration
    fs::copy(entry.path(), staging / entry.path().filename(), fs::copy_options::recursive, ec);
    if (ec) break;
  }
  if (ec || std::rename(staging.c_str(), seed.c_str()) != 0) fs::remove_all(staging, ec);
}

}  // namespace orv::office
