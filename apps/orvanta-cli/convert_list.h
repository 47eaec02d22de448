// The entries of a `convert` run: the arguments, then the paths of
// --files-from, and which of them this run converts (its shard, less what
// --resume finds done).
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "convert_options.h"
#include "movie/conversion_settings.h"

namespace orv::cli {

struct ConvertList {
  std::vector<std::string> given;    // as the user gave them, in list order
  std::vector<std::string> sources;  // the same, absolute
  std::vector<std::size_t> entries;  // what this run converts, in list order
};

// The arguments first, then the list file's paths. False with a message
// when the list cannot be read.
bool GatherSources(ConvertOptions& options, ConvertList& list, std::string& error);

// A folder that holds presentations stands for them (its subfolders' too with
// --recursive, which then keeps their tree: the folders given become the
// source root). A folder without any stays a folder of slide pictures.
void ExpandFolders(ConvertOptions& options, ConvertList& list);

// Each source's folder under the output folder (--source-root); a source
// outside the root is placed at the top, where its entry fails.
std::vector<std::string> OutputFoldersOf(const ConvertOptions& options, const ConvertList& list);

// Drops from `groups` the entries the report records as converted and
// unchanged, with their outputs still there, says how many and counts them
// in `skipped`. False with a message when the report cannot be read or
// repaired.
bool SkipConverted(const ConvertOptions& options, const ConversionSettings& settings, const ConvertList& list,
                   std::vector<std::vector<std::size_t>>& groups, std::size_t& skipped, std::string& error);

}  // namespace orv::cli
