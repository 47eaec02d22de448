// A request's own folder under the service's: the upload in "in/", the
// outputs in "out/", the answer's zip beside them. It goes, with everything
// in it, when its last holder (the request, its job, a callback in flight)
// lets go of it.
#pragma once

#include <memory>
#include <string>

namespace orv::http {

class RequestFiles {
 public:
  // Nothing when the folder cannot be made.
  static std::shared_ptr<RequestFiles> Make(const std::string& root);
  ~RequestFiles();
  RequestFiles(const RequestFiles&) = delete;
  RequestFiles& operator=(const RequestFiles&) = delete;

  const std::string& folder() const { return folder_; }
  std::string in() const;
  std::string out() const;
  std::string zip() const;

 private:
  explicit RequestFiles(std::string folder) : folder_(std::move(folder)) {}
  std::string folder_;
};

}  // namespace orv::http
