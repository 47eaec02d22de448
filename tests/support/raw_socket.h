// A bare TCP connection to a server on loopback, for tests that send bytes
// no HTTP client would: slow heads, cut bodies, half requests.
#pragma once

#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <sys/socket.h>

#include <cstdint>

#include "base/unique_fd.h"

namespace orv::test {

inline UniqueFd ConnectLoopback(int port) {
  UniqueFd fd(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<std::uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  EXPECT_EQ(::connect(fd.get(), reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  return fd;
}

}  // namespace orv::test
