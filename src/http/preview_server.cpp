#include "http/preview_server.h"

#include "http/file_response.h"
#include "http/loopback_guard.h"

namespace orv::http {
namespace {

Answer Plain(int status) {
  return TextAnswer(status, "text/plain; charset=utf-8", std::string(StatusReason(status)) + "\n");
}

Answer Look(const PreviewSite& site, const RequestHead& head) {
  const PreviewLookup found = LookUpPreviewPath(site, head.path);
  switch (found.status) {
    case PreviewStatus::kGenerated:
      return TextAnswer(200, "text/html; charset=utf-8", *found.text);
    case PreviewStatus::kFile:
      if (auto file = FileAnswer(found.file, PreviewContentType(found.file), head.Find("Range")))
        return std::move(*file);
      return Plain(404);
    case PreviewStatus::kForbidden:
      return Plain(403);
    case PreviewStatus::kNotFound:
      break;
  }
  return Plain(404);
}

}  // namespace

std::unique_ptr<Exchange> PreviewServer::Open(const RequestHead& head, std::optional<Answer>& answer) {
  if ((answer = RefuseForeignHost(head))) return nullptr;
  if (head.method != "GET" && head.method != "HEAD") {
    answer = Plain(405);
    answer->headers.push_back({"Allow", "GET, HEAD"});
    return nullptr;
  }
  answer = Look(site_, head);
  answer->headers.push_back({"Cache-Control", "no-store"});
  return nullptr;
}

}  // namespace orv::http
