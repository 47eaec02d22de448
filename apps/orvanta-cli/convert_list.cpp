#include "convert_list.h"

#include <cstdio>
#include <filesystem>
#include <set>

#include "base/counted.h"
#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "base/version.h"
#include "batchlist/file_list.h"
#include "batchlist/folder_sources.h"
#include "batchlist/resume.h"
#include "batchlist/source_tree.h"
#include "movie/web_player_markup.h"
#include "pipeline/output_fingerprint.h"
#include "pipeline/picture_folder.h"
#include "pipeline/web_player.h"
#include "program_paths.h"

namespace orv::cli {

bool GatherSources(ConvertOptions& options, ConvertList& list, std::string& error) {
  list.given = options.files;
  if (!options.filesFrom.empty()) {
    std::vector<std::string> listed;
    if (!batchlist::ReadFileList(options.filesFrom, options.nullSeparated ? '\0' : '\n', listed, error)) return false;
    list.given.insert(list.given.end(), listed.begin(), listed.end());
  }
  list.sources.clear();
  for (const std::string& path : list.given) list.sources.push_back(AbsolutePath(path));
  ExpandFolders(options, list);
  return true;
}

void ExpandFolders(ConvertOptions& options, ConvertList& list) {
  ConvertList expanded;
  std::vector<std::string> roots;  // what --recursive keeps the tree under
  bool anyFolder = false;
  for (std::size_t k = 0; k < list.sources.size(); ++k) {
    const std::string& source = list.sources[k];
    std::error_code ec;
    if (!std::filesystem::is_directory(source, ec)) {
      expanded.given.push_back(list.given[k]);
      expanded.sources.push_back(source);
      roots.push_back(std::filesystem::path(source).parent_path().string());
      continue;
    }
    anyFolder = true;
    const batchlist::FolderPresentations found = batchlist::PresentationsIn(source, options.recursive);
    if (found.unreadable > 0) {
      std::fprintf(stderr, "Orvanta: %s\n", FormatMessage(msg::kFolderPartlyUnreadable, list.given[k]).c_str());
    }
    if (found.paths.empty()) {
      // No presentation: a folder of slide pictures, as ever.
      if (DominantPictureExtension(source).empty()) {
        std::fprintf(stderr, "Orvanta: %s\n", FormatMessage(msg::kFolderHoldsNothing, list.given[k]).c_str());
      }
      expanded.given.push_back(list.given[k]);
      expanded.sources.push_back(source);
      roots.push_back(source);
      continue;
    }
    // Each presentation is named as the user would: the folder as given, then
    // the path below it.
    std::string prefix = list.given[k];
    if (!prefix.ends_with('/')) prefix += '/';
    for (const std::string& path : found.paths) {
      expanded.given.push_back(prefix + std::filesystem::path(path).lexically_relative(source).string());
      expanded.sources.push_back(path);
    }
    roots.push_back(source);
  }
  if (options.recursive && options.sourceRoot.empty() && anyFolder) {
    // The folders given are the root of the tree kept under the output
    // folder; the workers of a parallel run are told so too.
    options.sourceRoot = batchlist::CommonFolder(roots);
    options.optionArgs.insert(options.optionArgs.end(), {"--source-root", options.sourceRoot});
  }
  list.given = std::move(expanded.given);
  list.sources = std::move(expanded.sources);
}

std::vector<std::string> OutputFoldersOf(const ConvertOptions& options, const ConvertList& list) {
  std::vector<std::string> folders(list.sources.size());
  if (options.sourceRoot.empty()) return folders;
  const std::string root = AbsolutePath(options.sourceRoot);
  for (std::size_t k = 0; k < list.sources.size(); ++k) {
    std::string error;
    if (!batchlist::FolderUnderRoot(list.sources[k], root, folders[k], error)) folders[k].clear();
  }
  return folders;
}

bool SkipConverted(const ConvertOptions& options, const ConversionSettings& settings, const ConvertList& list,
                   std::vector<std::vector<std::size_t>>& groups, std::size_t& skipped, std::string& error) {
  batchlist::ResumeState state;
  if (!batchlist::LoadResumeState(options.reportPath, state, error)) return false;
  if (state.olderRecords > 0) {
    std::fprintf(stderr,
                 "Orvanta: %s holds %s of an earlier version, which do not say what their files were "
                 "made with: those files are converted again\n",
                 options.reportPath.c_str(), Counted(state.olderRecords, "record", "records").c_str());
  }
  const std::vector<std::string> folders = OutputFoldersOf(options, list);
  const batchlist::SettingsStamp stamp{OutputFingerprint(settings), kVersion};
  // What the skipped entries' pages load: a copy that went missing since is
  // put back, as a conversion would have.
  std::set<std::string> playerFolders;
  const bool pagesLoadACopy = settings.GenHTML != 0 && settings.WebPlayer != 0 && SharedWebPlayerBase(settings).empty();
  skipped = 0;
  for (auto& group : groups) {
    std::erase_if(group, [&](std::size_t entry) {
      const batchlist::EntryRecord source = batchlist::RecordOfSource(list.sources[entry]);
      batchlist::EntryVersion version{source.path, source.size, source.mtime, stamp,
                                      batchlist::OutputPlace{settings.OutputFolder, folders[entry]}};
      const bool done = !source.mtime.empty() && batchlist::IsAlreadyConverted(state, version);
      skipped += done ? 1 : 0;
      if (done && pagesLoadACopy) playerFolders.insert(settings.OutputFolder);
      return done;
    });
  }
  std::erase_if(groups, [](const auto& group) { return group.empty(); });
  if (skipped > 0) {
    std::fprintf(stderr, "Orvanta: %s\n", AlreadyConvertedSkipped(skipped).c_str());
  }
  const WebPlayerBundle player = LocateWebPlayer();
  for (const std::string& folder : playerFolders) {
    if (player.found() && InstallWebPlayer(player, folder) == WebPlayerCopy::kFailed) {
      std::fprintf(stderr, "Orvanta: %s\n",
                   FormatMessage(msg::kWebPlayerCopyFailed, JoinPath(folder, kWebPlayerFolder)).c_str());
    }
  }
  return true;
}

}  // namespace orv::cli
