// The check every loopback server of the program makes before it routes a
// request: a Host other than its own loopback address gets 421.
#pragma once

#include <httplib.h>

namespace orv::http {

// Answers 421 to a request addressed to another name than this server's own
// loopback ones, and says so; the port compared is the one it came in on.
bool RefuseForeignHost(const httplib::Request& request, httplib::Response& response);

// Installs that check as the server's pre-routing handler.
void AnswerOnlyOwnLoopbackHost(httplib::Server& server);

}  // namespace orv::http
