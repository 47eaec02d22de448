#include "http/systemd_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "base/unique_fd.h"

namespace orv::http {

void NotifySystemd(std::string_view state) {
  const char* path = std::getenv("NOTIFY_SOCKET");
  if (path == nullptr || (path[0] != '/' && path[0] != '@')) return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t length = std::strlen(path);
  if (length >= sizeof address.sun_path) return;
  std::memcpy(address.sun_path, path, length);
  if (address.sun_path[0] == '@') address.sun_path[0] = '\0';  // an abstract socket
  UniqueFd socket(::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0));
  if (!socket) return;
  const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  (void)::sendto(socket.get(), state.data(), state.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address),
                 size);
}

std::chrono::milliseconds WatchdogPeriod() {
  const char* usec = std::getenv("WATCHDOG_USEC");
  const char* pid = std::getenv("WATCHDOG_PID");
  if (usec == nullptr) return std::chrono::milliseconds(0);
  if (pid != nullptr && std::strtol(pid, nullptr, 10) != ::getpid()) return std::chrono::milliseconds(0);
  const long long micros = std::strtoll(usec, nullptr, 10);
  return std::chrono::milliseconds(micros > 0 ? micros / 2000 : 0);
}

}  // namespace orv::http
