#include "run_report.h"

#include <unistd.h>

#include <cstdio>
#include <ctime>
#include <filesystem>
#include <random>

#include "base/owner_tag.h"

namespace orv::cli {
namespace {

// "20261210T150249Z-1a2b3c4d": when the run started, and enough chance that
// two runs started in the same second differ.
std::string NewRunId() {
  const std::time_t now = std::time(nullptr);
  std::tm utc{};
  ::gmtime_r(&now, &utc);
  char stamp[32];
  std::strftime(stamp, sizeof stamp, "%Y%m%dT%H%M%SZ", &utc);
  std::random_device random;
  char id[48];
  std::snprintf(id, sizeof id, "%s-%08x", stamp, static_cast<unsigned>(random()));
  return id;
}

}  // namespace

RunReport::RunReport() : run_(NewRunId()), host_(ThisHost()) {}

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
  record.run = run_;
  record.host = host_;
  record.time = batchlist::UtcNow();
  if (!writer_.Append(record) && !writeFailed_) {
    writeFailed_ = true;
    std::fprintf(stderr, "Orvanta: cannot write the report %s\n", path_.c_str());
  }
}

void RunReport::RecordNotStarted(const std::string& given, const std::string& source) {
  batchlist::EntryRecord record = batchlist::RecordOfSource(source);
  record.status = batchlist::EntryStatus::kNotStarted;
  Record(given, std::move(record));
}

batchlist::EntryRecord LostEntryRecord(const std::string& source) {
  batchlist::EntryRecord record = batchlist::RecordOfSource(source);
  record.status = batchlist::EntryStatus::kFailed;
  record.message = "the worker converting this file ended unexpectedly";
  return record;
}

}  // namespace orv::cli
