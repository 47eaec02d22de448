#include "http/loopback_guard.h"

#include "http/host_check.h"

namespace orv::http {

bool RefuseForeignHost(const httplib::Request& request, httplib::Response& response) {
  if (IsOwnLoopbackHost(request.get_header_value("Host"), request.local_port)) return false;
  response.status = 421;
  response.set_content("This server answers only to its own loopback address.\n", "text/plain; charset=utf-8");
  return true;
}

void AnswerOnlyOwnLoopbackHost(httplib::Server& server) {
  server.set_pre_routing_handler([](const httplib::Request& request, httplib::Response& response) {
    return RefuseForeignHost(request, response) ? httplib::Server::HandlerResponse::Handled
                                                : httplib::Server::HandlerResponse::Unhandled;
  });
}

}  // namespace orv::http
