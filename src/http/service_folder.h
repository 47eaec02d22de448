// The service's own temporary folder ("orvanta-serve-XXXXXX" in the system's
// temporary folder), locked while the service lives. A start first removes
// the folders of earlier runs whose lock no live process holds: what a
// crashed or killed service left behind does not pile up.
#pragma once

#include <string>

#include "base/unique_fd.h"

namespace orv::http {

class ServiceFolder {
 public:
  ServiceFolder() = default;
  ~ServiceFolder();
  ServiceFolder(const ServiceFolder&) = delete;
  ServiceFolder& operator=(const ServiceFolder&) = delete;

  // Sweeps `root` (see SweepServiceFolders), then makes and locks a folder
  // of ours there. False with a message.
  bool Make(const std::string& root, std::string& error);
  const std::string& path() const { return path_; }

 private:
  std::string path_;
  UniqueFd lock_;
};

// Removes the service folders under `root` that no live process holds;
// how many. A folder without its lock file (one being made, or not ours) is
// left alone.
int SweepServiceFolders(const std::string& root);

}  // namespace orv::http
