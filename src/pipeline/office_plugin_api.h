// The boundary between the engine and the LibreOffice plugin
// (pipeline/office/), which the engine loads at run time so that the programs
// start on machines without LibreOffice. Engine and plugin are built together
// by the same compiler; the version number guards against a stale plugin.
#pragma once

#include <atomic>
#include <cstdint>
#include <string>

#include "pipeline/automation.h"

namespace orv {

struct OfficeBackendOptions {
  // The LibreOffice installation (holds program/soffice).
  std::string officeRoot = "/usr/lib/libreoffice";
  // Keep one LibreOffice running for every application object created by
  // this backend until the backend is destroyed (a batch), instead of ending
  // it when the application object that started it is released.
  bool keepProcess = true;
  // With keepProcess: a fresh LibreOffice after this many application
  // objects (one per presentation), so that its memory stays bounded; 0 for
  // never.
  int restartEvery = 0;
  // Seconds to wait for LibreOffice to accept the connection.
  int startTimeoutSeconds = 60;
  // Where the process group of the running LibreOffice is published (0 when
  // none runs), so that another thread can end it at any moment, its start
  // included. That thread swaps the id for its negative before the kill.
  // Optional.
  std::atomic<std::int64_t>* liveGroup = nullptr;
};

class OfficeBackend : public AutomationServer {
 public:
  // The process group of the running LibreOffice, 0 when none runs.
  virtual std::int64_t processGroup() const = 0;
  // The version of the LibreOffice that was started last ("7.4.7.2").
  virtual std::string officeVersion() const = 0;
};

inline constexpr int kOfficeBackendAbi = 5;
inline constexpr char kOfficeBackendFactory[] = "orvanta_create_office_backend";
// OfficeBackend* orvanta_create_office_backend(int abi, const OfficeBackendOptions*, std::string* error)
using OfficeBackendFactory = OfficeBackend* (*)(int, const OfficeBackendOptions*, std::string*);

}  // namespace orv
