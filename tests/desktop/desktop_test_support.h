// Shared pieces of the desktop tests: a private folder with a settings store
// and a scripted DesktopShell that answers the dialogs.
#pragma once

#include <cstdlib>
#include <deque>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <vector>

#include "ui/qt/main_commands.h"
#include "settings/settings_store.h"

namespace orv::test {

class TempFolder {
 public:
  TempFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "orvanta-desktop-XXXXXX").string();
    path_ = ::mkdtemp(pattern.data()) ? pattern : std::string();
  }
  ~TempFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
  }
  const std::string& path() const { return path_; }
  std::string File(const std::string& name, const std::string& content = "x") const {
    std::string full = path_ + "/" + name;
    std::filesystem::create_directories(std::filesystem::path(full).parent_path());
    std::ofstream(full, std::ios::binary) << content;
    return full;
  }

 private:
  std::string path_;
};

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

  std::vector<std::string> presentations;
  std::optional<std::string> saveTo;
  std::optional<std::string> openFrom;
  std::optional<std::string> folder;
  std::vector<int> selected;
  bool openSucceeds = true;
  std::vector<std::string> opened;
  int addDialogs = 0, saveDialogs = 0, openDialogs = 0, listChanges = 0, folderChanges = 0;
};

}  // namespace orv::test
