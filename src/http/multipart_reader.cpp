#include "http/multipart_reader.h"

#include <vector>

namespace orv::http {
namespace {

constexpr std::size_t kMostHeadBytes = 8 * 1024;
constexpr std::size_t kMostPaddingBytes = 64;
constexpr std::size_t kMostBoundaryBytes = 70;

char Lower(char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; }

std::string LowerCase(std::string_view text) {
  std::string out(text);
  for (char& c : out) c = Lower(c);
  return out;
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

// The parameters after a header's first value: `; key=value` or
// `; key="quoted \" value"`, keys in lower case.
std::vector<std::pair<std::string, std::string>> Parameters(std::string_view text) {
  std::vector<std::pair<std::string, std::string>> parameters;
  std::size_t at = text.find(';');
  while (at != std::string_view::npos && at < text.size()) {
    ++at;
    const std::size_t equals = text.find('=', at);
    const std::size_t semicolon = text.find(';', at);
    if (equals == std::string_view::npos || (semicolon != std::string_view::npos && semicolon < equals)) {
      at = semicolon;
      continue;
    }
    std::string key = LowerCase(Trim(text.substr(at, equals - at)));
    std::size_t k = equals + 1;
    while (k < text.size() && (text[k] == ' ' || text[k] == '\t')) ++k;
    std::string value;
    if (k < text.size() && text[k] == '"') {
      for (++k; k < text.size() && text[k] != '"'; ++k) {
        if (text[k] == '\\' && k + 1 < text.size()) ++k;
        value += text[k];
      }
      at = text.find(';', k);
    } else {
      const std::size_t end = text.find(';', k);
      value = std::string(Trim(text.substr(k, end == std::string_view::npos ? std::string_view::npos : end - k)));
      at = end;
    }
    parameters.emplace_back(std::move(key), std::move(value));
  }
  return parameters;
}

}  // namespace

std::optional<std::string> FormBoundary(std::string_view contentType) {
  const std::size_t semicolon = contentType.find(';');
  if (LowerCase(Trim(contentType.substr(0, semicolon))) != "multipart/form-data") return std::nullopt;
  for (auto& [key, value] : Parameters(contentType)) {
    if (key != "boundary") continue;
    if (value.empty() || value.size() > kMostBoundaryBytes) return std::nullopt;
    return value;
  }
  return std::nullopt;
}

MultipartReader::MultipartReader(std::string boundary, std::function<bool(const FormPart&)> onPart,
                                 std::function<bool(std::string_view)> onData)
    : delimiter_("\r\n--" + boundary),
      onPart_(std::move(onPart)),
      onData_(std::move(onData)),
      // The first boundary may open the body without a line break before it.
      pending_("\r\n") {}

bool MultipartReader::Fail(std::string why) {
  state_ = State::kFailed;
  error_ = std::move(why);
  pending_.clear();
  return false;
}

// Hands on the data before the last `keep` bytes, which may be the start of
// a delimiter.
bool MultipartReader::FlushData(std::size_t keep) {
  if (pending_.size() <= keep) return true;
  const std::size_t count = pending_.size() - keep;
  if (!onData_(std::string_view(pending_.data(), count))) return Fail({});
  pending_.erase(0, count);
  return true;
}

bool MultipartReader::ParseHead(std::string_view head) {
  FormPart part;
  bool disposition = false;
  while (!head.empty()) {
    const std::size_t end = head.find("\r\n");
    const std::string_view line = head.substr(0, end);
    head = end == std::string_view::npos ? std::string_view() : head.substr(end + 2);
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos) return Fail("a part of the form has a damaged head");
    if (LowerCase(Trim(line.substr(0, colon))) != "content-disposition") continue;
    const std::string_view value = line.substr(colon + 1);
    if (LowerCase(Trim(value.substr(0, value.find(';')))) != "form-data") {
      return Fail("a part of the form is not form-data");
    }
    disposition = true;
    for (auto& [key, text] : Parameters(value)) {
      if (key == "name") part.name = std::move(text);
      if (key == "filename") {
        part.fileName = std::move(text);
        part.hasFileName = true;
      }
    }
  }
  if (!disposition || part.name.empty()) return Fail("a part of the form has no field name");
  if (!onPart_(part)) return Fail({});
  return true;
}

bool MultipartReader::Feed(std::string_view piece) {
  if (state_ == State::kFailed) return false;
  if (state_ == State::kEpilogue) return true;
  pending_.append(piece);
  for (;;) {
    switch (state_) {
      case State::kPreamble: {
        const std::size_t at = pending_.find(delimiter_);
        if (at == std::string::npos) {
          // Whatever precedes the first boundary is dropped as it comes.
          if (pending_.size() >= delimiter_.size()) pending_.erase(0, pending_.size() - delimiter_.size() + 1);
          return true;
        }
        pending_.erase(0, at + delimiter_.size());
        state_ = State::kAfterBoundary;
        break;
      }
      case State::kAfterBoundary: {
        if (pending_.size() < 2) return true;
        if (pending_.compare(0, 2, "--") == 0) {
          state_ = State::kEpilogue;
          pending_.clear();
          return true;
        }
        std::size_t k = 0;
        while (k < pending_.size() && (pending_[k] == ' ' || pending_[k] == '\t')) ++k;
        if (k > kMostPaddingBytes) return Fail("the form's boundary line is damaged");
        if (pending_.size() < k + 2) return true;
        if (pending_.compare(k, 2, "\r\n") != 0) return Fail("the form's boundary line is damaged");
        pending_.erase(0, k + 2);
        state_ = State::kHead;
        break;
      }
      case State::kHead: {
        if (pending_.compare(0, 2, "\r\n") == 0) {  // a part without a head
          pending_.erase(0, 2);
          if (!ParseHead({})) return false;
          state_ = State::kData;
          break;
        }
        const std::size_t end = pending_.find("\r\n\r\n");
        if (end == std::string::npos) {
          if (pending_.size() > kMostHeadBytes) return Fail("a part of the form has a head that is too long");
          return true;
        }
        if (end > kMostHeadBytes) return Fail("a part of the form has a head that is too long");
        const std::string head = pending_.substr(0, end);
        pending_.erase(0, end + 4);
        if (!ParseHead(head)) return false;
        state_ = State::kData;
        break;
      }
      case State::kData: {
        const std::size_t at = pending_.find(delimiter_);
        if (at == std::string::npos) return FlushData(delimiter_.size() - 1);
        if (at > 0 && !onData_(std::string_view(pending_.data(), at))) return Fail({});
        pending_.erase(0, at + delimiter_.size());
        state_ = State::kAfterBoundary;
        break;
      }
      case State::kEpilogue:
        pending_.clear();
        return true;
      case State::kFailed:
        return false;
    }
  }
}

}  // namespace orv::http
