#include "ui/qt/main_commands.h"

#include <filesystem>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "batchlist/source_tree.h"
#include "folder_index/index_page.h"
#include "pipeline/automation.h"
#include "pipeline/lazy_presentation_server.h"
#include "pipeline/output_clashes.h"
#include "pipeline/output_folder.h"
#include "settings/scheme_file.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "ui/qt/batch_notifier.h"
#include "ui/qt/common_folder.h"
#include "ui/qt/help_file.h"

namespace orv {
namespace {

bool CollectsProblems(const SettingsStore& store) {
  return store.GetInt("BatchErrors", FindSetting("BatchErrors")->defaultValue) == 1;
}

EntryStatus StatusAfter(EntryResult result, const BatchNotifier& notes) {
  EntryStatus status;
  status.reason = notes.firstProblem();
  status.details = notes.firstDetails();
  switch (result) {
    case EntryResult::kConverted:
      status.state = EntryState::kConverted;
      break;
    case EntryResult::kCancelled:
      status.state = EntryState::kCancelled;
      break;
    case EntryResult::kSkipped:
    case EntryResult::kFailed:
      status.state = EntryState::kFailed;
      break;
  }
  return status;
}

}  // namespace

MainCommands::MainCommands(SettingsStore& store, DesktopShell& shell) : store_(store), shell_(shell) {}

void MainCommands::Start() {
  // A fresh account may have no documents folder yet: it is made first, so
  // that the default output folder inside it can be made too.
  std::error_code ec;
  const std::string documents = DocumentsFolder();
  if (!PathExists(documents)) std::filesystem::create_directories(documents, ec);
  outputFolder_ = StoredOutputFolder(store_);
  if (!PathExists(outputFolder_)) std::filesystem::create_directory(outputFolder_, ec);
  shell_.OutputFolderChanged();
}

void MainCommands::ListEdited() {
  statuses_.clear();
  summary_.reset();
  shell_.ListChanged();
}

EntryStatus MainCommands::status(std::size_t row) const {
  return row < statuses_.size() ? statuses_[row] : EntryStatus{};
}

void MainCommands::Add() {
  std::vector<std::string> chosen = shell_.ChoosePresentations();
  if (chosen.empty()) return;
  list_.Add(chosen);
  ListEdited();
}

void MainCommands::Remove() {
  if (list_.Remove(shell_.SelectedRows())) ListEdited();
}

void MainCommands::NewList() {
  if (!list_.empty() && list_.modified() && Ask(msg::kSaveListFirst)) SaveScheme();
  list_.Clear();
  ListEdited();
}

void MainCommands::SaveScheme() {
  if (list_.empty()) {
    Notify(msg::kListEmpty);
    return;
  }
  std::optional<std::string> path = shell_.ChooseSchemeToSave();
  if (!path) return;
  if (SaveSchemeFile(*path, list_.entries(), CurrentNotifier()) == SchemeStatus::Ok) list_.MarkSaved();
}

void MainCommands::OpenScheme() {
  if (list_.modified() && Ask(msg::kSaveListFirst)) SaveScheme();
  std::optional<std::string> path = shell_.ChooseSchemeToOpen();
  if (!path) return;
  // Collected, the entries the scheme lost are told in one box, not one each.
  RecordingNotifier collected;
  const bool collect = CollectsProblems(store_);
  SchemeLoadResult loaded = LoadSchemeFile(*path, collect ? collected : CurrentNotifier());
  if (collect && !collected.reports.empty()) {
    std::string text;
    for (const std::string& report : collected.reports) text += (text.empty() ? "" : "\n") + report;
    Notify(text);
  }
  if (loaded.status != SchemeStatus::Ok) return;
  list_.Replace(std::move(loaded.paths));
  ListEdited();
}

// Said once, before anything is exported, rather than after each export.
bool MainCommands::OutputFolderUsable(const std::string& folder) {
  std::string reason;
  if (PrepareOutputFolder(folder, reason)) return true;
  Notify(FormatMessage(FormatMessage(msg::kOutputFolderUnusable, folder), reason));
  return false;
}

void MainCommands::BrowseOutputFolder() {
  std::optional<std::string> folder = shell_.ChooseOutputFolder();
  if (!folder || folder->empty() || !OutputFolderUsable(*folder)) return;
  outputFolder_ = *folder;
  shell_.OutputFolderChanged();
  StoreOutputFolder();
}

void MainCommands::StoreOutputFolder() {
  if (store_.SetString("OutputDir", outputFolder_)) return;
  // The folder is used for now; the user learns that the next start forgets it.
  Notify(FormatMessage(FormatMessage(msg::kSettingsNotSaved, store_.path()), store_.lastError()));
}

std::optional<MainCommands::Placement> MainCommands::PlaceEntries(const std::vector<std::string>& entries,
                                                                  const ConversionSettings& settings) {
  Placement placement;
  placement.relative.assign(entries.size(), std::string());
  placement.skippedFor.assign(entries.size(), std::nullopt);
  std::vector<std::optional<std::size_t>> clashes = FindOutputClashes(entries, placement.relative, settings);
  std::vector<OutputClash> pairs;
  for (std::size_t row = 0; row < clashes.size(); ++row) {
    if (clashes[row]) pairs.push_back({row, *clashes[row]});
  }
  if (pairs.empty()) return placement;
  switch (shell_.ChooseForClashes(pairs)) {
    case ClashChoice::kCancel:
      return std::nullopt;
    case ClashChoice::kSkipLater:
      placement.skippedFor = clashes;
      return placement;
    case ClashChoice::kKeepFolders:
      break;
  }
  const std::string root = CommonFolder(entries);
  for (std::size_t row = 0; row < entries.size(); ++row) {
    std::string error;
    batchlist::FolderUnderRoot(entries[row], root, placement.relative[row], error);
  }
  // Sources of one folder that still meet (talk.ppt beside talk.pptx): the later ones wait.
  placement.skippedFor = FindOutputClashes(entries, placement.relative, settings);
  return placement;
}

void MainCommands::Convert(AutomationServer& server, const BatchDriver::ProgressFactory& makeProgress) {
  if (batchStop_.running()) return;  // the window is disabled meanwhile; a batch never nests
  if (list_.empty()) {
    Notify(msg::kListEmptyAddFirst);
    return;
  }
  if (!OutputFolderUsable(outputFolder_)) return;
  ConversionSettings settings = LoadConversionSettings(store_, outputFolder_);
  // A copy: the list may not change during the batch, but the commands must
  // not depend on that.
  const std::vector<std::string> entries = list_.entries();
  const std::optional<Placement> placement = PlaceEntries(entries, settings);
  if (!placement) return;

  statuses_.assign(entries.size(), EntryStatus{EntryState::kWaiting, {}, {}});
  std::int32_t total = 0;
  for (std::size_t row = 0; row < entries.size(); ++row) {
    if (const auto& earlier = placement->skippedFor[row]) {
      statuses_[row] = {EntryState::kSkipped, FormatMessage(msg::kOutputsWouldReplace, entries[*earlier]), {}};
    } else {
      ++total;
    }
  }
  summary_.reset();
  shell_.StatusesChanged();

  const bool collect = CollectsProblems(store_);
  std::int32_t place = 0;
  BatchDriver driver(settings, server, [&](const std::string& path) {
    std::unique_ptr<Progress> progress = makeProgress(path);
    progress->SetBatchPlace(place, total);
    batchStop_.SetCurrent(progress.get());
    return progress;
  });
  driver.SetTimeLimit(store_.GetInt("TimeLimit", FindSetting("TimeLimit")->defaultValue));
  const std::size_t helpers = SlideWorkerCount(store_.GetInt("Jobs", FindSetting("Jobs")->defaultValue));
  if (!slideWorkers_ || slideWorkers_->count() != helpers) {
    slideWorkers_.reset();
    if (helpers > 0) slideWorkers_ = std::make_unique<SlideWorkers>(helpers, kOfficeRestartInterval);
  }
  driver.SetSlideWorkers(slideWorkers_.get());

  const std::string root = outputFolder_;
  std::optional<EntryStatus> serverMissing;
  IndexedFolders indexed;
  batchStop_.Begin();
  {
    BatchNotifier notes(CurrentNotifier(), !collect);
    ScopedNotifier scope(notes);
    for (std::size_t row = entries.size(); row-- > 0;) {
      EntryStatus& status = statuses_[row];
      if (status.state == EntryState::kSkipped) continue;
      // Without a presentation server the rest of the list cannot convert.
      if (serverMissing) {
        status = *serverMissing;
        continue;
      }
      if (batchStop_.requested()) {
        status.state = EntryState::kCancelled;
        continue;
      }
      ++place;
      status.state = EntryState::kConverting;
      shell_.StatusesChanged();
      OutputPlacement where = OutputPlacement::In(root);
      where.relative = placement->relative[row];
      notes.BeginEntry(entries[row]);
      const EntryResult result = driver.ConvertEntry(entries[row], settings, where);
      batchStop_.SetCurrent(nullptr);
      notes.Flush();
      statuses_[row] = StatusAfter(result, notes);
      if (result == EntryResult::kConverted) indexed.Add(root, where.relative);
      if (driver.serverUnavailable()) serverMissing = statuses_[row];
      shell_.StatusesChanged();
    }
  }
  batchStop_.End();
  // Each folder that received presentations lists them, earlier ones too.
  if (settings.GenIndex != 0) indexed.WriteAll(CurrentLanguage());
  summary_ = BatchSummary::Of(statuses_);
  if (settings.OpenDest != 0 && !serverMissing && !shell_.OpenWithDesktop(root)) {
    summary_->folderNotOpened = root;
    if (!collect) Notify(FormatMessage(msg::kOpenFolderFailed, root));
  }
  shell_.StatusesChanged();
}

void MainCommands::ShowHelp(const std::string& programFolder) {
  const UiLanguage language = CurrentLanguage();
  std::string help = FindHelpFile(programFolder, language);
  if (help.empty() || !shell_.OpenWithDesktop(help)) {
    Notify(FormatMessage(msg::kHelpFileMissing, HelpFileNames(language).front()));
  }
}

}  // namespace orv
