#include "convert_list.h"

#include <cstdio>
#include <filesystem>

#include "batchlist/file_list.h"
#include "batchlist/resume.h"
#include "batchlist/source_tree.h"
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
  std::size_t skipped = 0;
  for (auto& group : groups) {
    std::erase_if(group, [&](std::size_t entry) {
      std::uint64_t size = 0;
      std::string mtime;
      const bool done = batchlist::StatSource(list.sources[entry], size, mtime) &&
                        batchlist::IsAlreadyConverted(state, list.given[entry], size, mtime, settings.OutputFolder);
      skipped += done ? 1 : 0;
      return done;
    });
  }
  std::erase_if(groups, [](const auto& group) { return group.empty(); });
  if (skipped > 0) std::fprintf(stderr, "Orvanta: %zu file(s) already converted and unchanged, skipped\n", skipped);
  return true;
}

}  // namespace orv::cli
