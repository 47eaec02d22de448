// The preview's answers on the HTTP engine: GET and HEAD of the site's
// files and pages, to the loopback names only (421 otherwise), and 405 with
// "Allow: GET, HEAD" for every other method.
#pragma once

#include "http/http_exchange.h"
#include "http/preview_site.h"

namespace orv::http {

class PreviewServer final : public Site {
 public:
  explicit PreviewServer(const PreviewSite& site) : site_(site) {}
  std::unique_ptr<Exchange> Open(const RequestHead& head, std::optional<Answer>& answer) override;

 private:
  const PreviewSite& site_;
};

}  // namespace orv::http
