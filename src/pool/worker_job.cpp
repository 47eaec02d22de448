#include "pool/worker_job.h"

#include <nlohmann/json.hpp>

namespace orv::pool {

std::string FormatWorkerJob(const WorkerJob& job) {
  nlohmann::ordered_json json;
  json["source"] = job.source;
  json["output"] = job.outputFolder;
  json["player"] = job.webPlayerRoot;
  json["values"] = nlohmann::ordered_json::object();
  for (const auto& [name, value] : job.values) json["values"][name] = value;
  if (job.timeLimit) json["timeLimit"] = *job.timeLimit;
  if (!job.language.empty()) json["language"] = job.language;
  if (job.webPlayerUrl) json["webPlayerUrl"] = *job.webPlayerUrl;
  return json.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace);
}

std::optional<WorkerJob> ParseWorkerJob(std::string_view message) {
  const auto json = nlohmann::json::parse(message, nullptr, false);
  if (json.is_discarded() || !json.is_object()) return std::nullopt;
  const auto source = json.find("source");
  const auto output = json.find("output");
  const auto values = json.find("values");
  if (source == json.end() || !source->is_string() || output == json.end() || !output->is_string() ||
      values == json.end() || !values->is_object()) {
    return std::nullopt;
  }
  WorkerJob job;
  job.source = source->get<std::string>();
  job.outputFolder = output->get<std::string>();
  if (const auto player = json.find("player"); player != json.end() && player->is_string()) {
    job.webPlayerRoot = player->get<std::string>();
  }
  if (const auto limit = json.find("timeLimit"); limit != json.end()) {
    if (!limit->is_number_integer() || limit->get<std::int64_t>() < 0 || limit->get<std::int64_t>() > 86400) {
      return std::nullopt;
    }
    job.timeLimit = limit->get<int>();
  }
  if (const auto language = json.find("language"); language != json.end()) {
    if (!language->is_string()) return std::nullopt;
    job.language = language->get<std::string>();
  }
  if (const auto url = json.find("webPlayerUrl"); url != json.end()) {
    if (!url->is_string()) return std::nullopt;
    job.webPlayerUrl = url->get<std::string>();
  }
  for (const auto& [name, value] : values->items()) {
    if (!value.is_number_integer()) return std::nullopt;
    const auto number = value.get<std::int64_t>();
    if (number < INT32_MIN || number > INT32_MAX) return std::nullopt;
    job.values[name] = static_cast<std::int32_t>(number);
  }
  return job;
}

}  // namespace orv::pool
