// Plays arbitrary bytes as a placeable Windows metafile or an enhanced
// metafile: any outcome but a clean success or failure is a fault.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>

#include "image/metafile_player.h"

// Pango keeps the fontconfig patterns of every font it has matched in caches
// that are never released; with thousands of made-up face names the leak
// checker would report those library caches at exit.
extern "C" const char* __lsan_default_suppressions() { return "leak:libfontconfig.so\nleak:libpango\n"; }

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  orv::MetafilePicture picture;
  std::string error;
  // A forced small size keeps every run quick; the records are played all the same.
  const bool ok = orv::RenderMetafile({data, size}, 320, 240, picture, error);
  if (ok && picture.bgr.size() != static_cast<std::size_t>(picture.width) * picture.height * 3) std::abort();
  if (!ok && picture.width != 0) std::abort();
  return 0;
}
