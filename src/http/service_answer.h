// How the conversion service answers a job that has ended: a zip of exactly
// the files the conversion's record lists, with report.json, or a JSON
// error whose status and code come from the codes the pool and the worker
// carried, never from the words of a message.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "batchlist/entry_report.h"
#include "http/http_exchange.h"
#include "pool/service_pool.h"

namespace orv::http {

// {"error": CODE, "message": TEXT}, with Retry-After when `retryAfter` > 0.
Answer ErrorAnswer(int status, std::string_view code, std::string_view message, int retryAfter = 0);

// Where a request's files lie, and what the client called its upload.
struct RequestPlace {
  std::string folder;       // the request's own folder: the upload in "in/", the outputs in "out/"
  std::string uploadName;   // the name the upload is kept under (and the client knows it by)
  std::string serviceRoot;  // the service's temporary folder, never shown to a client
};

struct JobVerdict {
  int status = 200;
  std::string code = "converted";
  std::string message;
  int retryAfter = 0;
  int slides = -1;
  std::optional<batchlist::EntryRecord> record;  // with the client's name for its source
};

// What a job's end means for its client. `retryAfter` is what a client is
// told to wait while a worker is replaced, `retryWait` while LibreOffice
// cannot start.
JobVerdict JudgeJob(const pool::JobResult& result, const RequestPlace& place, int retryAfter, int retryWait);

// Writes the zip of a converted job to `zipPath`. False with the reason.
bool WriteAnswerZip(const JobVerdict& verdict, const RequestPlace& place, const std::string& zipPath,
                    std::string& error);

// A message with the server's own paths taken out: the upload's path
// becomes its name, and what lies under the service's folder loses it.
std::string WithoutServerPaths(std::string message, const RequestPlace& place);

}  // namespace orv::http
