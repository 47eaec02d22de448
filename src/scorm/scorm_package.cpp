#include "scorm/scorm_package.h"

#include "archive/zip_writer.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "scorm/scorm_manifest.h"

namespace orv {

bool WriteScormPackage(const std::string& zipPath, std::string_view identity, std::string_view title,
                       std::string_view page) {
  const std::string launch(kScormLaunchPage);
  const auto manifest = BuildScormManifest(title, identity, {launch});
  std::string error = "the manifest could not be made";
  if (manifest && WriteZip(zipPath, {{"imsmanifest.xml", {}, *manifest}, {launch, {}, std::string(page)}}, error)) {
    return true;
  }
  Notify(FormatMessage(msg::kScormWriteFailed, zipPath));
  Explain(zipPath + ": " + error);
  return false;
}

}  // namespace orv
