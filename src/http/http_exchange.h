// What the HTTP engine (http_engine.h) and the sites it serves (the preview,
// the conversion service) say to each other: a request's head, the answer,
// and an exchange that takes a request's body and answers later, from any
// thread. No HTTP library shows through here.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/unique_fd.h"

namespace orv::http {

struct Header {
  std::string name;
  std::string value;
};

struct RequestHead {
  std::string method;  // as sent: "GET", "POST", ...
  std::string target;  // as sent, with the query
  std::string path;    // the target up to "?", percent-decoded
  std::vector<Header> headers;
  std::optional<std::uint64_t> contentLength;
  bool chunked = false;
  std::string client;  // the peer's address
  int localPort = 0;
  std::string requestId;  // the client's X-Request-Id when it is sane, else a fresh one

  // The first value of a header (names compared without case), or null.
  const std::string* Find(std::string_view name) const;
  std::size_t Count(std::string_view name) const;
  bool HasBody() const { return chunked || contentLength.value_or(0) > 0; }
};

// An answer: a text, or a piece of an open file sent from disk.
struct Answer {
  int status = 200;
  std::string contentType;
  std::vector<Header> headers;
  std::string body;
  UniqueFd file;  // when valid, the body is `fileLength` bytes from `fileOffset`
  std::uint64_t fileOffset = 0;
  std::uint64_t fileLength = 0;
  bool close = false;  // the connection ends after it
  // For the access log only.
  std::string errorCode;
  int slides = -1;

  std::uint64_t BodySize() const { return file ? fileLength : body.size(); }
};

// Hands an exchange's answer back to its connection, once, from any thread;
// an answer for a client that has gone is dropped.
using Reply = std::function<void(Answer)>;

// A request whose body is read: the engine feeds it the body as it arrives
// (chunked or not), then asks for the answer.
class Exchange {
 public:
  virtual ~Exchange() = default;
  // The most bytes of body taken. A Content-Length above it is answered
  // TooLarge() before any of the body is read; a body that grows past it
  // while it arrives, at once.
  virtual std::uint64_t BodyLimit() const = 0;
  virtual Answer TooLarge() = 0;
  // One piece of the body. False to refuse the request: `refusal` is sent
  // and nothing more is read.
  virtual bool Take(std::string_view piece, Answer& refusal) = 0;
  // The whole body is in: answer through `reply`, now or later.
  virtual void Finish(Reply reply) = 0;
  // The client left (or its body ran out of time) before its answer.
  virtual void Abandon() = 0;
};

class Site {
 public:
  virtual ~Site() = default;
  // Either sets `answer` (answered at once, any body left unread) or returns
  // the exchange that takes the body.
  virtual std::unique_ptr<Exchange> Open(const RequestHead& head, std::optional<Answer>& answer) = 0;
};

// One line of the access log, for each request answered or abandoned.
struct AccessEntry {
  std::string requestId;
  std::string client;
  std::string method;
  std::string path;
  int status = 0;  // 0: the client left before its answer
  std::uint64_t bytesIn = 0;
  std::uint64_t bytesOut = 0;
  double seconds = 0;
  int slides = -1;
  std::string errorCode;
};

// A text answer; JSON and plain text get their charset.
Answer TextAnswer(int status, std::string contentType, std::string body);

// The canned reason phrase of a status ("Not Found"), "Unknown" for others.
std::string_view StatusReason(int status);

}  // namespace orv::http
