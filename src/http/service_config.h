// Everything `orvanta-cli serve` can be told, with its defaults: this is the
// one place they are written; the options' help shows them from here.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace orv::http {

enum class LogFormat { kJson, kText };

struct ServiceConfig {
  std::string host = "127.0.0.1";
  int port = 8470;
  std::size_t workers = 2;  // the options make it one per core
  std::size_t queue = 8;    // the options make it 4 per worker
  std::uint64_t maxUploadBytes = 100ull << 20;
  int timeLimit = 300;  // the most a request may ask; the options read the stored TimeLimit
  int restartAfter = 25;
  std::uint64_t memoryLimit = 1024ull << 20;  // per worker with its LibreOffice; 0: none

  // The HTTP engine.
  std::size_t httpThreads = 2;
  std::size_t connections = 1024;       // open at once; more get 503
  std::size_t clientConnections = 64;   // open at once from one address
  int headerTimeout = 10;               // seconds for a request's head
  int idleTimeout = 30;                 // seconds of a kept-alive connection without a request
  std::uint64_t bodyRate = 1ull << 20;  // bytes per second a body and an answer must keep up
  std::size_t formFields = 64;          // fields of a form besides the file

  int retryAfter = 5;                      // seconds a 429 (or a 500 while a worker is replaced) asks a client to wait
  int retryWait = 10;                      // seconds before LibreOffice is tried again after it could not start
  int jobKeep = 3600;                      // seconds a finished job is kept
  std::vector<std::string> callbackAllow;  // hosts a job's callback may go to
  LogFormat logFormat = LogFormat::kJson;

  std::string token;          // empty: none needed
  std::string program;        // the orvanta-cli that the workers run
  std::string storePath;      // empty: the per-user store
  std::string officeVersion;  // for /health
};

}  // namespace orv::http
