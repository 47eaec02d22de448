// Request paths against the preview site: whatever the path, a file that is
// served lies inside the served folder (or the program's player folder).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include "pipeline/preview_site.h"

namespace {

namespace fs = std::filesystem;

// One fixed layout: the served folder with a page, a movie, the player and a
// link out; a secret beside it that must never be served.
struct Layout {
  Layout() {
    std::string pattern = (fs::temp_directory_path() / "orvanta-fuzz-XXXXXX").string();
    if (::mkdtemp(pattern.data()) == nullptr) std::abort();
    base = pattern;
    fs::create_directories(base / "out" / "ruffle");
    fs::create_directories(base / "player");
    std::ofstream(base / "out" / "Talk.htm") << "<HTML></HTML>";
    std::ofstream(base / "out" / "ruffle" / "ruffle.js") << "//";
    std::ofstream(base / "player" / "VERSION") << "v\n";
    std::ofstream(base / "secret.txt") << "secret";
    std::error_code ec;
    fs::create_symlink(base / "secret.txt", base / "out" / "link.txt", ec);
    fs::create_directory_symlink(base, base / "out" / "up", ec);
    std::string error;
    site = *orv::MakePreviewSite((base / "out").string(), orv::ReadWebPlayerBundle((base / "player").string()), error);
  }
  fs::path base;
  orv::PreviewSite site;
};

bool Inside(const std::string& file, const std::string& root) {
  return file.size() > root.size() && file.compare(0, root.size(), root) == 0 && file[root.size()] == '/';
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  static Layout layout;
  const std::string path(reinterpret_cast<const char*>(data), size);
  const orv::PreviewLookup found = orv::LookUpPreviewPath(layout.site, path);
  if (found.status == orv::PreviewStatus::kFile && !Inside(found.file, layout.site.root) &&
      !Inside(found.file, layout.site.webPlayerFolder)) {
    __builtin_trap();
  }
  (void)orv::PreviewContentType(path);
  (void)orv::EncodeUrlPath(path);
  return 0;
}
