// A multipart/form-data body read as it arrives, in pieces of any size: each
// part's head (its field name, its file name) and then its bytes, handed on
// without keeping them. Every input is a client's: heads are bounded, and
// anything that is not a well-formed form is an error, never a crash.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <string_view>

namespace orv::http {

// The boundary of a "multipart/form-data; boundary=..." content type
// (letter case of the type and the parameter's name aside, quoted or not);
// nothing for another type or a boundary that is empty or over 70 bytes.
std::optional<std::string> FormBoundary(std::string_view contentType);

struct FormPart {
  std::string name;      // the field's name
  std::string fileName;  // as sent, any bytes; empty when none was given
  bool hasFileName = false;
};

class MultipartReader {
 public:
  // `onPart` for each part's head, `onData` for its bytes; either returns
  // false to stop the reading (Feed then fails with their own reason).
  MultipartReader(std::string boundary, std::function<bool(const FormPart&)> onPart,
                  std::function<bool(std::string_view)> onData);

  // The next piece of the body. False once the form is damaged or a
  // handler stopped it; error() says why (empty for a handler's stop).
  bool Feed(std::string_view piece);
  // True when the closing boundary has been read.
  bool complete() const { return state_ == State::kEpilogue; }
  const std::string& error() const { return error_; }

 private:
  enum class State { kPreamble, kAfterBoundary, kHead, kData, kEpilogue, kFailed };

  bool Fail(std::string why);
  bool ParseHead(std::string_view head);
  bool FlushData(std::size_t keep);

  std::string delimiter_;  // "\r\n--" + boundary
  std::function<bool(const FormPart&)> onPart_;
  std::function<bool(std::string_view)> onData_;
  State state_ = State::kPreamble;
  std::string pending_;  // bytes not yet decided on
  std::string error_;
};

}  // namespace orv::http
