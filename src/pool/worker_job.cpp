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
  for (const auto& [name, value] : values->items()) {
    if (!value.is_number_integer()) return std::nullopt;
    const auto number = value.get<std::int64_t>();
    if (number < INT32_MIN || number > INT32_MAX) return std::nullopt;
    job.values[name] = static_cast<std::int32_t>(number);
  }
  return job;
}

}  // namespace orv::pool
