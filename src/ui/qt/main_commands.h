// The commands of the main window as plain logic: list rules, prompts,
// scheme files, the output folder and the order of a conversion. The window
// supplies the dialogs through DesktopShell, so everything here runs in tests
// without a display.
#pragma once

#include <cstddef>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "pipeline/batch_driver.h"
#include "pipeline/slide_workers.h"
#include "ui/qt/batch_stop.h"
#include "ui/qt/entry_status.h"
#include "ui/qt/file_list.h"

namespace orv {

class AutomationServer;
class SettingsStore;

// What to do with entries whose outputs would replace each other's.
enum class ClashChoice {
  kKeepFolders,  // each output under the source's folder below the list's common folder
  kSkipLater,    // convert the first of each, leave the later ones out
  kCancel,       // start nothing
};

// An entry (row) whose outputs would replace those of an earlier one.
struct OutputClash {
  std::size_t row;
  std::size_t earlierRow;
};

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
  // The entries' statuses or the batch's summary changed.
  virtual void StatusesChanged() = 0;
  // Asked once before a batch whose entries would replace each other's outputs.
  virtual ClashChoice ChooseForClashes(const std::vector<OutputClash>& clashes) = 0;
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
  // when "OpenDest" is on. Entries whose outputs would replace each other's
  // are put to the user first. Each entry gets a status, the batch a
  // summary; with "BatchErrors" 1 the problems go there instead of into a
  // box each. A stop (batchStop()) cancels the entry at hand and the rest.
  // Without a presentation server the rest of the list fails and the folder
  // stays closed.
  void Convert(AutomationServer& server, const BatchDriver::ProgressFactory& makeProgress);
  // Opens the user guide found for the program folder, or reports its absence.
  void ShowHelp(const std::string& programFolder);

  const FileList& list() const { return list_; }
  FileList& list() { return list_; }
  const std::string& outputFolder() const { return outputFolder_; }

  // The status of a row (kNone beyond the statuses), kept until the list changes.
  EntryStatus status(std::size_t row) const;
  // The last batch's summary; none since the list changed.
  const std::optional<BatchSummary>& summary() const { return summary_; }
  BatchStop& batchStop() { return batchStop_; }
  bool batchRunning() const { return batchStop_.running(); }

 private:
  // Where each entry's outputs go below the output folder ("" for the folder
  // itself), and the entries left out; nothing when the user cancelled.
  struct Placement {
    std::vector<std::string> relative;
    std::vector<std::optional<std::size_t>> skippedFor;
  };
  std::optional<Placement> PlaceEntries(const std::vector<std::string>& entries, const ConversionSettings& settings);
  // The list changed: the statuses and the summary go.
  void ListEdited();
  // Stores "OutputDir"; says so when it cannot.
  void StoreOutputFolder();
  bool OutputFolderUsable(const std::string& folder);
  SettingsStore& store_;
  DesktopShell& shell_;
  FileList list_;
  std::string outputFolder_;
  std::vector<EntryStatus> statuses_;
  std::optional<BatchSummary> summary_;
  BatchStop batchStop_;
  // The LibreOffices beside the server's that share each presentation's
  // slides ("Jobs"); kept running from one Convert to the next.
  std::unique_ptr<SlideWorkers> slideWorkers_;
};

}  // namespace orv
