// Request paths against the preview site: whatever the path, a file that is
// served lies inside the served folder (or the program's player folder).
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "http/preview_site.h"
#include "support/files.h"

namespace {

namespace fs = std::filesystem;

// One fixed layout: the served folder with a page, a movie, the player and a
// link out; a secret beside it that must never be served.
struct Layout {
  Layout() {
    folder.Write("out/Talk.htm", "<HTML></HTML>");
    folder.Write("out/ruffle/ruffle.js", "//");
    folder.Write("player/VERSION", "v\n");
    folder.Write("secret.txt", "secret");
    std::error_code ec;
    fs::create_symlink(base / "secret.txt", base / "out" / "link.txt", ec);
    fs::create_directory_symlink(base, base / "out" / "up", ec);
    std::string error;
    site = *orv::MakePreviewSite((base / "out").string(), orv::ReadWebPlayerBundle((base / "player").string()), error);
  }
  orv::test::ScratchFolder folder;
  fs::path base = folder.path();
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
