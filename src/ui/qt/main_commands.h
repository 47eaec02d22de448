// The commands of the main window as plain logic: list rules, prompts,
// scheme files, the output folder and the order of a conversion. The window
// supplies the dialogs through DesktopShell, so everything here runs in tests
// without a display.
#pragma once

#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "pipeline/batch_driver.h"
#include "pipeline/slide_workers.h"
#include "ui/qt/file_list.h"

namespace orv {

class AutomationServer;
class SettingsStore;

// What the commands ask of the windows.
class DesktopShell {
 public:
  virtual ~DesktopShell() = default;
  // The presentations chosen for Add; empty when the dialog was cancelled.
  virtual std::vector<std::string> ChoosePresentations() = 0;
  virtual std::optional<std::string> ChooseSchemeToSave() = 0;
  virtual std::optional<std::string> ChooseSchemeToOpen() = 0;
  virtual std::optional<std::string> ChooseOutputFolder() = 0;
  // The rows selected in the list view.
  virtual std::vector<int> SelectedRows() = 0;
  // Opens a folder or a document with the desktop's handler; false on failure.
  virtual bool OpenWithDesktop(const std::string& path) = 0;
  // The list or the output folder changed: the views follow.
  virtual void ListChanged() = 0;
  virtual void OutputFolderChanged() = 0;
};

class MainCommands {
 public:
  MainCommands(SettingsStore& store, DesktopShell& shell);

  // The output folder: the stored "OutputDir" or the default, created when
  // missing (one level; a failure is not reported).
  void Start();

  void Add();
  void Remove();
  void NewList();
  void SaveScheme();
  void OpenScheme();
  void BrowseOutputFolder();
  // Converts the list bottom entry first; opens the output folder afterwards
  // when "OpenDest" is on. A failing automation call ends the command with
  // its description (or "内部程序错误.") and leaves the folder closed.
  void Convert(AutomationServer& server, const BatchDriver::ProgressFactory& makeProgress);
  // Opens the user guide found for the program folder, or reports its absence.
  void ShowHelp(const std::string& programFolder);

  const FileList& list() const { return list_; }
  FileList& list() { return list_; }
  const std::string& outputFolder() const { return outputFolder_; }

 private:
  bool OutputFolderUsable(const std::string& folder);
  SettingsStore& store_;
  DesktopShell& shell_;
  FileList list_;
  std::string outputFolder_;
  // The LibreOffices beside the server's that share each presentation's
  // slides ("Jobs"); kept running from one Convert to the next.
  std::unique_ptr<SlideWorkers> slideWorkers_;
};

}  // namespace orv
