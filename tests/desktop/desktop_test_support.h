// Shared pieces of the desktop tests: a scripted DesktopShell that answers
// the dialogs, and the toolkit's scratch folder.
#pragma once

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "settings/settings_store.h"
#include "support/files.h"
#include "ui/qt/main_commands.h"

namespace orv::test {

class ScriptedShell final : public DesktopShell {
 public:
  std::vector<std::string> ChoosePresentations() override {
    ++addDialogs;
    return presentations;
  }
  std::optional<std::string> ChooseSchemeToSave() override {
    ++saveDialogs;
    return saveTo;
  }
  std::optional<std::string> ChooseSchemeToOpen() override {
    ++openDialogs;
    return openFrom;
  }
  std::optional<std::string> ChooseOutputFolder() override { return folder; }
  std::vector<int> SelectedRows() override { return selected; }
  bool OpenWithDesktop(const std::string& path) override {
    opened.push_back(path);
    return openSucceeds;
  }
  void ListChanged() override { ++listChanges; }
  void OutputFolderChanged() override { ++folderChanges; }
  void StatusesChanged() override { ++statusChanges; }
  ClashChoice ChooseForClashes(const std::vector<OutputClash>& found) override {
    clashes = found;
    return clashChoice;
  }

  std::vector<std::string> presentations;
  std::optional<std::string> saveTo;
  std::optional<std::string> openFrom;
  std::optional<std::string> folder;
  std::vector<int> selected;
  bool openSucceeds = true;
  std::vector<std::string> opened;
  ClashChoice clashChoice = ClashChoice::kCancel;
  std::vector<OutputClash> clashes;
  int addDialogs = 0, saveDialogs = 0, openDialogs = 0, listChanges = 0, folderChanges = 0, statusChanges = 0;
};

}  // namespace orv::test
