#include "pipeline/output_folder.h"

#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <filesystem>

namespace orv {

bool PrepareOutputFolder(const std::string& folder, std::string& reason) {
  std::error_code ec;
  std::filesystem::create_directories(folder, ec);
  if (ec) {
    reason = ec.message();
    return false;
  }
  if (::access(folder.c_str(), W_OK | X_OK) != 0) {
    reason = std::strerror(errno);
    return false;
  }
  return true;
}

}  // namespace orv
