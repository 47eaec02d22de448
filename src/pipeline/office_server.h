// The automation server that answers "Powerpoint.Application" on this
// system: a headless LibreOffice driven over UNO by a plugin
// (liborvanta_office.so) that is loaded when the first object is created.
// Without LibreOffice or the plugin, creation fails with kClassNotRegistered
// and a description that says LibreOffice is needed; the program itself
// starts either way.
//
// One OfficeServer serves a batch: the first application object starts
// LibreOffice, later ones reuse it, each application's Quit (or release)
// closes only the documents it opened, and the process ends when the server
// is destroyed. With keepProcess off, the process instead ends when the last
// application object using it quits or is released.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "pipeline/automation.h"
#include "pipeline/office_plugin_api.h"

namespace orv {

class OfficeServer final : public AutomationServer {
 public:
  explicit OfficeServer(OfficeBackendOptions options = {});
  ~OfficeServer() override;
  OfficeServer(const OfficeServer&) = delete;
  OfficeServer& operator=(const OfficeServer&) = delete;

  ServerStart CreateObject(std::string_view className) override;
  void EndNow() override;

  // The process group of the running LibreOffice, 0 when none runs.
  std::int64_t processGroup() const;
  // The same, read from any thread while another one calls the server.
  std::int64_t liveProcessGroup() const {
    const std::int64_t group = liveGroup_.load();
    return group < 0 ? -group : group;
  }
  // "7.4.7.2" once LibreOffice has been started, else empty.
  std::string officeVersion() const;

  // Where the plugin is looked for, in order: beside the program, in
  // ../lib/orvanta and ../lib beside it, then in the build tree.
  static std::vector<std::string> PluginCandidates();

 private:
  bool LoadBackend(std::string& error);

  OfficeBackendOptions options_;
  std::atomic<std::int64_t> liveGroup_{0};
  std::unique_ptr<OfficeBackend> backend_;
};

// Removes what runs that died without cleaning up (killed, crashed) left in
// the temporary folders: their private LibreOffice profiles and LibreOffice's
// pipe sockets ("OSL_PIPE_*"). A run is dead when the process named in its
// leftovers no longer exists, or for LibreOffice's own instance socket, when
// nothing answers on it. Anything of a living run is left alone.
void RemoveLeftoversOfDeadRuns();

}  // namespace orv
