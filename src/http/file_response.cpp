#include "http/file_response.h"

#include <fcntl.h>
#include <sys/stat.h>

#include <charconv>

namespace orv::http {
namespace {

bool ReadNumber(std::string_view text, std::uint64_t& value) {
  if (text.empty() || text.size() > 19) return false;
  const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
  return error == std::errc() && end == text.data() + text.size();
}

std::string_view Trim(std::string_view text) {
  while (!text.empty() && (text.front() == ' ' || text.front() == '\t')) text.remove_prefix(1);
  while (!text.empty() && (text.back() == ' ' || text.back() == '\t')) text.remove_suffix(1);
  return text;
}

}  // namespace

RangeKind ParseRange(std::string_view header, std::uint64_t size, ByteRange& range) {
  header = Trim(header);
  constexpr std::string_view kUnit = "bytes=";
  if (!header.starts_with(kUnit)) return RangeKind::kWhole;
  const std::string_view byteRange = Trim(header.substr(kUnit.size()));
  const std::size_t dash = byteRange.find('-');
  if (dash == std::string_view::npos || byteRange.find(',') != std::string_view::npos) return RangeKind::kWhole;
  const std::string_view from = Trim(byteRange.substr(0, dash));
  const std::string_view to = Trim(byteRange.substr(dash + 1));
  std::uint64_t first = 0, last = 0;
  if (from.empty()) {  // the last N bytes
    if (!ReadNumber(to, last)) return RangeKind::kWhole;
    if (last == 0 || size == 0) return RangeKind::kUnsatisfiable;
    range = {size - std::min(last, size), size - 1};
    return RangeKind::kPiece;
  }
  if (!ReadNumber(from, first)) return RangeKind::kWhole;
  if (to.empty()) {
    last = size == 0 ? 0 : size - 1;
  } else if (!ReadNumber(to, last) || last < first) {
    return RangeKind::kWhole;
  }
  if (first >= size) return RangeKind::kUnsatisfiable;
  range = {first, std::min(last, size - 1)};
  return RangeKind::kPiece;
}

std::optional<Answer> FileAnswer(const std::string& path, std::string_view contentType, const std::string* range) {
  UniqueFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  struct stat info {};
  if (!fd || ::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode)) return std::nullopt;
  const auto size = static_cast<std::uint64_t>(info.st_size);
  Answer answer;
  answer.headers.push_back({"Accept-Ranges", "bytes"});
  ByteRange piece{0, size == 0 ? 0 : size - 1};
  switch (range != nullptr ? ParseRange(*range, size, piece) : RangeKind::kWhole) {
    case RangeKind::kUnsatisfiable:
      answer.status = 416;
      answer.headers.push_back({"Content-Range", "bytes */" + std::to_string(size)});
      return answer;
    case RangeKind::kPiece:
      answer.status = 206;
      answer.headers.push_back({"Content-Range", "bytes " + std::to_string(piece.first) + "-" +
                                                     std::to_string(piece.last) + "/" + std::to_string(size)});
      break;
    case RangeKind::kWhole:
      break;
  }
  answer.contentType = std::string(contentType);
  if (size == 0) return answer;
  answer.file = std::move(fd);
  answer.fileOffset = piece.first;
  answer.fileLength = piece.last - piece.first + 1;
  return answer;
}

}  // namespace orv::http
