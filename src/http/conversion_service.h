// `orvanta-cli serve`: conversions over HTTP by a pool of warm workers.
//   POST /v1/convert   multipart/form-data: "file" and stored values; a zip
//                      of the outputs and report.json, or a JSON error
//   GET  /health       the pool and LibreOffice; 503 when it cannot start
//   GET  /metrics      Prometheus text
// Each request works in a private folder, removed once it is answered.
#pragma once

#include <httplib.h>

#include <cstdint>
#include <memory>
#include <string>

#include "http/service_metrics.h"
#include "pool/service_pool.h"

namespace orv::http {

struct ServiceConfig {
  std::string host = "127.0.0.1";
  int port = 8470;
  std::size_t workers = 2;
  std::size_t queue = 8;
  std::uint64_t maxUploadBytes = 100ull << 20;
  int timeLimit = 300;
  int restartAfter = 25;
  std::uint64_t memoryLimit = 0;  // per worker with its LibreOffice; 0: none
  std::size_t connections = 0;    // answered at once; 0: from the pool's size
  std::string token;              // empty: none needed
  std::string program;            // the orvanta-cli that the workers run
  std::string storePath;          // empty: the per-user store
  std::string tempRoot;           // where the request folders go
  std::string officeVersion;      // for /health
};

// True for 127.0.0.0/8, ::1 and localhost: addresses only this machine reaches.
bool IsLoopbackAddress(const std::string& host);

class ConversionService {
 public:
  explicit ConversionService(ServiceConfig config);
  ~ConversionService();

  // Binds the address and starts the workers. False with a message.
  bool Start(std::string& error);
  int port() const { return port_; }
  // Serves until Stop(); then lets the running conversions finish, answers
  // the queued ones 503, and ends every worker and LibreOffice.
  void Serve();
  // From another thread (a signal): stop taking requests.
  void Stop();

 private:
  void Route();
  void Convert(const httplib::Request& request, httplib::Response& response, const httplib::ContentReader& reader);
  void Health(httplib::Response& response);

  ServiceConfig config_;
  httplib::Server server_;
  std::unique_ptr<pool::ServicePool> pool_;
  ServiceMetrics metrics_;
  std::string playerFolder_;  // the one web player the workers' pages refer to, never sent
  int port_ = 0;
};

}  // namespace orv::http
