// Which Host headers a loopback server answers. A page on another site can
// reach a server on 127.0.0.1 through a name of its own that resolves there
// (DNS rebinding); the browser then sends that name as Host. Answering only
// the loopback names with the right port keeps such pages out.
#pragma once

#include <string_view>

namespace orv::http {

// True for "127.0.0.1:PORT", "localhost:PORT" and "[::1]:PORT" (the name in
// any case, a trailing dot after localhost allowed), and for the same names
// without a port when PORT is 80.
bool IsOwnLoopbackHost(std::string_view host, int port);

}  // namespace orv::http
