#include "http/http_exchange.h"

namespace orv::http {
namespace {

bool SameName(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t k = 0; k < a.size(); ++k) {
    const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
    if (lower(a[k]) != lower(b[k])) return false;
  }
  return true;
}

}  // namespace

const std::string* RequestHead::Find(std::string_view name) const {
  for (const Header& header : headers) {
    if (SameName(header.name, name)) return &header.value;
  }
  return nullptr;
}

std::size_t RequestHead::Count(std::string_view name) const {
  std::size_t count = 0;
  for (const Header& header : headers) count += SameName(header.name, name) ? 1 : 0;
  return count;
}

Answer TextAnswer(int status, std::string contentType, std::string body) {
  Answer answer;
  answer.status = status;
  answer.contentType = std::move(contentType);
  answer.body = std::move(body);
  return answer;
}

std::string_view StatusReason(int status) {
  switch (status) {
    case 100:
      return "Continue";
    case 200:
      return "OK";
    case 202:
      return "Accepted";
    case 204:
      return "No Content";
    case 206:
      return "Partial Content";
    case 400:
      return "Bad Request";
    case 401:
      return "Unauthorized";
    case 403:
      return "Forbidden";
    case 404:
      return "Not Found";
    case 405:
      return "Method Not Allowed";
    case 408:
      return "Request Timeout";
    case 409:
      return "Conflict";
    case 413:
      return "Content Too Large";
    case 416:
      return "Range Not Satisfiable";
    case 421:
      return "Misdirected Request";
    case 422:
      return "Unprocessable Content";
    case 429:
      return "Too Many Requests";
    case 431:
      return "Request Header Fields Too Large";
    case 500:
      return "Internal Server Error";
    case 501:
      return "Not Implemented";
    case 503:
      return "Service Unavailable";
    case 504:
      return "Gateway Timeout";
    default:
      return "Unknown";
  }
}

}  // namespace orv::http
