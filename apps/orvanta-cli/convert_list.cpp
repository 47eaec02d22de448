#include "convert_list.h"

#include <cstdio>
#include <filesystem>
#include <set>

#include "base/messages.h"
#include "base/notifier.h"
#include "base/paths.h"
#include "base/version.h"
#include "batchlist/file_list.h"
#include "batchlist/resume.h"
#include "batchlist/source_tree.h"
#include "movie/web_player_markup.h"
#include "pipeline/output_fingerprint.h"
#include "pipeline/web_player.h"
#include "program_paths.h"

namespace orv::cli {

bool GatherSources(const ConvertOptions& options, ConvertList& list, std::string& error) {
  list.given = options.files;
  if (!options.filesFrom.empty()) {
    std::vector<std::string> listed;
    if (!batchlist::ReadFileList(options.filesFrom, options.nullSeparated ? '\0' : '\n', listed, error)) return false;
    list.given.insert(list.given.end(), listed.begin(), listed.end());
  }
  list.sources.clear();
  for (const std::string& path : list.given) list.sources.push_back(AbsolutePath(path));
  return true;
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
                   std::vector<std::vector<std::size_t>>& groups, std::string& error) {
  batchlist::ResumeState state;
  if (!batchlist::LoadResumeState(options.reportPath, state, error)) return false;
  if (state.olderRecords > 0) {
    std::fprintf(stderr,
                 "Orvanta: %s holds %zu record(s) of an earlier version, which do not say what their files were "
                 "made with: those files are converted again\n",
                 options.reportPath.c_str(), state.olderRecords);
  }
  const std::vector<std::string> folders = OutputFoldersOf(options, list);
  const batchlist::SettingsStamp stamp{OutputFingerprint(settings), kVersion};
  // What the skipped entries' pages load: a copy that went missing since is
  // put back, as a conversion would have.
  std::set<std::string> playerFolders;
  const bool pagesLoadACopy = settings.GenHTML != 0 && settings.WebPlayer != 0 && SharedWebPlayerBase(settings).empty();
  std::size_t skipped = 0;
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
  if (skipped > 0) std::fprintf(stderr, "Orvanta: %zu file(s) already converted and unchanged, skipped\n", skipped);
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
