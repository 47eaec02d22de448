#include "http/request_files.h"

#include <stdlib.h>

#include <filesystem>

#include "base/paths.h"

namespace orv::http {

std::shared_ptr<RequestFiles> RequestFiles::Make(const std::string& root) {
  std::string pattern = JoinPath(root, "request-XXXXXX");
  if (::mkdtemp(pattern.data()) == nullptr) return nullptr;
  std::shared_ptr<RequestFiles> files(new RequestFiles(pattern));
  std::error_code ec;
  std::filesystem::create_directory(files->in(), ec);
  std::filesystem::create_directory(files->out(), ec);
  return ec ? nullptr : files;
}

RequestFiles::~RequestFiles() {
  std::error_code ec;
  std::filesystem::remove_all(folder_, ec);
}

std::string RequestFiles::in() const { return JoinPath(folder_, "in"); }
std::string RequestFiles::out() const { return JoinPath(folder_, "out"); }
std::string RequestFiles::zip() const { return JoinPath(folder_, "answer.zip"); }

}  // namespace orv::http
