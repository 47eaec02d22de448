#include "http/loopback_guard.h"

#include "http/host_check.h"

namespace orv::http {

std::optional<Answer> RefuseForeignHost(const RequestHead& head) {
  const std::string* host = head.Find("Host");
  if (host != nullptr && IsOwnLoopbackHost(*host, head.localPort)) return std::nullopt;
  Answer answer =
      TextAnswer(421, "text/plain; charset=utf-8", "This server answers only to its own loopback address.\n");
  answer.errorCode = "misdirected";
  return answer;
}

}  // namespace orv::http
