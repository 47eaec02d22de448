#include "http/service_answer.h"

#include <algorithm>
#include <nlohmann/json.hpp>

#include "archive/zip_writer.h"
#include "base/paths.h"
#include "folder_index/index_page.h"

namespace orv::http {
namespace {

void ReplaceAll(std::string& text, std::string_view what, std::string_view with) {
  if (what.empty()) return;
  for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + with.size())) {
    text.replace(at, what.size(), with);
  }
}

}  // namespace

Answer ErrorAnswer(int status, std::string_view code, std::string_view message, int retryAfter) {
  nlohmann::json json;
  json["error"] = code;
  json["message"] = message;
  Answer answer = TextAnswer(status, "application/json",
                             json.dump(-1, ' ', false, nlohmann::json::error_handler_t::replace) + "\n");
  answer.errorCode = std::string(code);
  if (retryAfter > 0) answer.headers.push_back({"Retry-After", std::to_string(retryAfter)});
  return answer;
}

std::string WithoutServerPaths(std::string message, const RequestPlace& place) {
  ReplaceAll(message, JoinPath(JoinPath(place.folder, "in"), place.uploadName), place.uploadName);
  ReplaceAll(message, JoinPath(place.folder, "out") + "/", "");
  ReplaceAll(message, JoinPath(place.folder, "out"), ".");
  ReplaceAll(message, place.folder + "/", "");
  if (!place.serviceRoot.empty()) {
    ReplaceAll(message, place.serviceRoot + "/", "");
    ReplaceAll(message, place.serviceRoot, "");
  }
  return message;
}

JobVerdict JudgeJob(const pool::JobResult& result, const RequestPlace& place, int retryAfter, int retryWait) {
  JobVerdict verdict;
  const auto fail = [&verdict](int status, const char* code, std::string message, int wait = 0) {
    verdict.status = status;
    verdict.code = code;
    verdict.message = std::move(message);
    verdict.retryAfter = wait;
    return verdict;
  };
  switch (result.outcome) {
    case pool::JobOutcome::kShutDown:
      return fail(503, "shutting-down", "the service is shutting down");
    case pool::JobOutcome::kUnavailable:
      return fail(503, "office-unavailable", "LibreOffice cannot be started", retryWait);
    case pool::JobOutcome::kWorkerDied:
      return fail(500, "worker-died", "the worker converting this file ended unexpectedly", retryAfter);
    case pool::JobOutcome::kCancelled:
      return fail(503, "cancelled", "the conversion was cancelled");
    case pool::JobOutcome::kFinished:
      break;
  }
  if (!result.record) return fail(500, "internal", "the worker sent no record of the conversion");
  verdict.record = *result.record;
  batchlist::EntryRecord& record = *verdict.record;
  // The client knows its file by its own name; the request's private paths
  // stay here.
  record.source = place.uploadName;
  record.path.clear();
  record.output.reset();
  if (record.message) record.message = WithoutServerPaths(*record.message, place);
  const std::string message = record.message.value_or("the presentation could not be converted");
  const std::string error = record.error.value_or("");
  switch (record.status) {
    case batchlist::EntryStatus::kConverted:
      verdict.slides = record.slides;
      return verdict;
    case batchlist::EntryStatus::kTimedOut:
      return fail(504, "timed-out", message);
    case batchlist::EntryStatus::kCancelled:
    case batchlist::EntryStatus::kNotStarted:
      return fail(503, "cancelled", "the conversion was cancelled");
    case batchlist::EntryStatus::kFailed:
      break;
  }
  if (error == "office-lost") return fail(500, "office-died", message, retryAfter);
  if (error == "office-unavailable") return fail(503, "office-unavailable", message, retryWait);
  if (error == "time-limit") return fail(504, "timed-out", message);
  return fail(422, "not-converted", message);
}

bool WriteAnswerZip(const JobVerdict& verdict, const RequestPlace& place, const std::string& zipPath,
                    std::string& error) {
  if (!verdict.record) {
    error = "no record";
    return false;
  }
  // Exactly what the record says was written, and the record itself.
  std::vector<ZipEntry> entries;
  const std::string out = JoinPath(place.folder, "out");
  for (const std::string& name : verdict.record->outputs) entries.push_back({name, JoinPath(out, name), {}});
  std::sort(entries.begin(), entries.end(), [](const ZipEntry& a, const ZipEntry& b) { return a.name < b.name; });
  // With the thumbnail the folder's index page comes too, as on disk; it
  // names no folder of the server's.
  const auto& outputs = verdict.record->outputs;
  if (std::any_of(outputs.begin(), outputs.end(),
                  [](const std::string& name) { return name.ends_with(kThumbnailSuffix); })) {
    if (const auto listed = ReadFolderEntries(out); !listed.empty())
      entries.push_back({std::string(kIndexPageName), {}, BuildIndexPage("", listed, CurrentLanguage())});
  }
  entries.push_back({"report.json", {}, batchlist::FormatReportLine(*verdict.record)});
  if (!WriteZip(zipPath, entries, error)) {
    error = WithoutServerPaths(error, place);
    return false;
  }
  return true;
}

}  // namespace orv::http
