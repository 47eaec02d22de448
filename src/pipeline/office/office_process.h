// One headless LibreOffice process: started in its own process group with a
// private profile and a unique pipe name, ended with its whole group. A
// guardian process ends the group when this process dies, however it dies.
#pragma once

#include <sys/types.h>

#include <atomic>
#include <cstdint>
#include <string>

namespace orv::office {

class OfficeProcess {
 public:
  OfficeProcess() = default;
  ~OfficeProcess();
  OfficeProcess(const OfficeProcess&) = delete;
  OfficeProcess& operator=(const OfficeProcess&) = delete;

  // Starts soffice from `officeRoot`/program; false with `error` set. The
  // group is published in `liveGroup` (when given) from the moment it exists
  // until it is ended. Whoever kills the group from outside first swaps the
  // published id for its negative, so that the owner knows at once, before
  // the kernel has made soffice a zombie.
  bool Start(const std::string& officeRoot, std::string& error, std::atomic<std::int64_t>* liveGroup = nullptr);
  // True while soffice (the process we started) runs.
  bool Running();
  // True once the group has been killed from outside through `liveGroup`.
  bool KilledFromOutside() const;
  // Waits up to `seconds` for soffice to leave by itself, then kills the
  // group, reaps it and removes the profile. Safe to call twice.
  void End(double seconds);

  pid_t processGroup() const { return group_; }
  const std::string& pipeName() const { return pipeName_; }
  const std::string& logPath() const { return logPath_; }
  // The last lines of soffice's output, for error descriptions.
  std::string LogTail() const;

 private:
  pid_t group_ = 0;  // soffice's pid, also its process group id
  pid_t guardian_ = 0;
  int guardianPipe_ = -1;
  bool exited_ = false;
  std::atomic<std::int64_t>* liveGroup_ = nullptr;
  std::string folder_;  // private profile and log
  std::string seed_;    // the cached extension registration (profile_seed.h)
  std::string pipeName_;
  std::string logPath_;
};

// file:// URL of a path (made absolute), every byte outside the unreserved
// set escaped.
std::string FileUrl(const std::string& path);

}  // namespace orv::office
