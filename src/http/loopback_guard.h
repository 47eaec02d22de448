// The check every loopback server of the program makes before it routes a
// request: a Host other than its own loopback address gets 421.
#pragma once

#include <httplib.h>

namespace orv::http {

// Installs the check as the server's pre-routing handler. The port compared
// is the one the request came in on.
void AnswerOnlyOwnLoopbackHost(httplib::Server& server);

}  // namespace orv::http
