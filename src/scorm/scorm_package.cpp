#include "scorm/scorm_package.h"

#include <cerrno>

#include "archive/zip_writer.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "scorm/scorm_manifest.h"

namespace orv {

bool WriteScormPackage(const std::string& zipPath, std::string_view identity, std::string_view title,
                       std::string_view page, WriteLedger* ledger) {
  const std::string launch(kScormLaunchPage);
  const auto manifest = BuildScormManifest(title, identity, {launch});
  std::string error = "the manifest could not be made";
  errno = 0;
  if (manifest && WriteZip(zipPath, {{"imsmanifest.xml", {}, *manifest}, {launch, {}, std::string(page)}}, error)) {
    if (ledger != nullptr) ledger->Written(zipPath);
    return true;
  }
  const int reason = manifest ? errno : 0;
  Notify(FormatMessage(msg::kScormWriteFailed, zipPath));
  Explain(zipPath + ": " + error);
  if (ledger != nullptr) ledger->Failed(zipPath, reason);
  return false;
}

}  // namespace orv
