#include "run_report.h"

#include <cstdio>
#include <filesystem>

namespace orv::cli {

bool RunReport::Open(const std::string& path, std::optional<std::string> shard, std::string& error) {
  path_ = path;
  shard_ = std::move(shard);
  if (path.empty()) return true;
  const std::filesystem::path folder = std::filesystem::path(path).parent_path();
  std::error_code ec;
  if (!folder.empty()) std::filesystem::create_directories(folder, ec);
  return writer_.Open(path, error);
}

void RunReport::Record(const std::string& given, batchlist::EntryRecord record) {
  if (!writer_.isOpen()) return;
  record.source = given;
  record.shard = shard_;
  if (!writer_.Append(record) && !writeFailed_) {
    writeFailed_ = true;
    std::fprintf(stderr, "Orvanta: cannot write the report %s\n", path_.c_str());
  }
}

batchlist::EntryRecord LostEntryRecord(const std::string& source) {
  batchlist::EntryRecord record;
  batchlist::StatSource(source, record.size, record.mtime);
  record.status = batchlist::EntryStatus::kFailed;
  record.message = "the worker converting this file ended unexpectedly";
  return record;
}

}  // namespace orv::cli
