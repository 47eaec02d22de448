// The check every loopback server of the program makes before it routes a
// request: a Host other than its own loopback address gets 421.
#pragma once

#include <optional>

#include "http/http_exchange.h"

namespace orv::http {

// The 421 answer to a request addressed to another name than this server's
// own loopback ones (the port compared is the one it came in on); nothing
// for one of its own.
std::optional<Answer> RefuseForeignHost(const RequestHead& head);

}  // namespace orv::http
