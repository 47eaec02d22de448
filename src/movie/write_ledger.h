// Where the writers of a conversion's files tell what became of each file they
// were asked to write. The presentation's output plan listens, so that what is
// reported as written is what reached the disk, and a failure keeps its reason.
#pragma once

#include <string>

namespace orv {

class WriteLedger {
 public:
  virtual ~WriteLedger() = default;
  // `path` now holds the whole file, renamed into place.
  virtual void Written(const std::string& path) = 0;
  // `path` could not be written; `error` is the system's reason (errno), or
  // 0 when the failure was not the file system's (a picture that cannot be
  // read, a resource that is missing). An older file of that name is intact.
  virtual void Failed(const std::string& path, int error) = 0;
};

}  // namespace orv
