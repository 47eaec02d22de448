#include "ui/qt/main_commands.h"

#include <filesystem>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "pipeline/automation.h"
#include "pipeline/lazy_presentation_server.h"
#include "pipeline/output_folder.h"
#include "settings/scheme_file.h"
#include "settings/settings_store.h"
#include "settings/settings_values.h"
#include "ui/qt/help_file.h"

namespace orv {

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

void MainCommands::Add() {
  std::vector<std::string> chosen = shell_.ChoosePresentations();
  if (chosen.empty()) return;
  list_.Add(chosen);
  shell_.ListChanged();
}

void MainCommands::Remove() {
  if (list_.Remove(shell_.SelectedRows())) shell_.ListChanged();
}

void MainCommands::NewList() {
  if (!list_.empty() && list_.modified() && Ask(msg::kSaveListFirst)) SaveScheme();
  list_.Clear();
  shell_.ListChanged();
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
  SchemeLoadResult loaded = LoadSchemeFile(*path, CurrentNotifier());
  if (loaded.status != SchemeStatus::Ok) return;
  list_.Replace(std::move(loaded.paths));
  shell_.ListChanged();
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
  store_.SetString("OutputDir", outputFolder_);
}

void MainCommands::Convert(AutomationServer& server, const BatchDriver::ProgressFactory& makeProgress) {
  if (list_.empty()) {
    Notify(msg::kListEmptyAddFirst);
    return;
  }
  if (!OutputFolderUsable(outputFolder_)) return;
  ConversionSettings settings = LoadConversionSettings(store_, outputFolder_);
  BatchDriver driver(settings, server, makeProgress);
  driver.SetTimeLimit(store_.GetInt("TimeLimit", FindSetting("TimeLimit")->defaultValue));
  const std::size_t helpers = SlideWorkerCount(store_.GetInt("Jobs", FindSetting("Jobs")->defaultValue));
  if (!slideWorkers_ || slideWorkers_->count() != helpers) {
    slideWorkers_.reset();
    if (helpers > 0) slideWorkers_ = std::make_unique<SlideWorkers>(helpers, kOfficeRestartInterval);
  }
  driver.SetSlideWorkers(slideWorkers_.get());
  // A copy: the list may not change during the batch, but the commands must
  // not depend on that.
  const std::vector<std::string> entries = list_.entries();
  for (auto entry = entries.rbegin(); entry != entries.rend(); ++entry) {
    driver.ConvertEntry(*entry);
    // Without a presentation server the rest of the list cannot convert.
    if (driver.serverUnavailable()) return;
  }
  if (settings.OpenDest != 0) shell_.OpenWithDesktop(settings.OutputFolder);
}

void MainCommands::ShowHelp(const std::string& programFolder) {
  const UiLanguage language = CurrentLanguage();
  std::string help = FindHelpFile(programFolder, language);
  if (help.empty() || !shell_.OpenWithDesktop(help)) {
    Notify(FormatMessage(msg::kHelpFileMissing, HelpFileNames(language).front()));
  }
}

}  // namespace orv
