// The program's HTTP server, for the preview and the conversion service: an
// event-driven engine on a fixed number of threads, where a connection that
// sends nothing useful costs a socket and a timer, never a thread.
//
// Every connection has a deadline for whatever it is doing: its request's
// head (`headerSeconds` from its first byte, or from the connection's start),
// the body (the same, plus its size at `bodyBytesPerSecond`), the answer
// (`idleSeconds` plus its size at the same rate) and the wait for the next
// request on a kept-alive connection (`idleSeconds`). Connections beyond
// `connections`, or beyond `clientConnections` from one address, get 503 at
// once. While a request waits for its answer the engine watches the socket:
// a client that leaves abandons its exchange at once.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "http/http_exchange.h"

namespace orv::http {

struct EngineCore;  // the threads, the listener and the counts

struct EngineLimits {
  std::size_t threads = 2;
  std::size_t connections = 1024;
  std::size_t clientConnections = 64;
  int headerSeconds = 10;
  int idleSeconds = 30;
  std::uint64_t bodyBytesPerSecond = 1 << 20;
  std::uint32_t headerBytes = 16 * 1024;
};

class HttpEngine {
 public:
  HttpEngine(Site& site, EngineLimits limits);
  ~HttpEngine();
  HttpEngine(const HttpEngine&) = delete;
  HttpEngine& operator=(const HttpEngine&) = delete;

  // Binds HOST:PORT (any free port for 0). False with a message.
  bool Listen(const std::string& host, int port, std::string& error);
  int port() const;

  // Called once per request on an engine thread, after its answer or its end.
  void OnAccess(std::function<void(const AccessEntry&)> log);
  // Runs `task` on an engine thread every `period`: proof that they answer.
  void Every(std::chrono::milliseconds period, std::function<void()> task);

  // Starts the threads; requests are served from now on.
  void Start();
  // Takes no new connection; those open go on.
  void StopAccepting();
  // Waits up to `wait` for the answers that sites still owe, then ends
  // every connection and thread.
  void Stop(std::chrono::milliseconds wait);

 private:
  std::shared_ptr<EngineCore> impl_;
};

}  // namespace orv::http
