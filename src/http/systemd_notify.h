// What a service tells systemd when it runs as a Type=notify unit: that it
// is ready (READY=1), that it is stopping, and that it still answers
// (WATCHDOG=1, when the unit asks for a watchdog). Without $NOTIFY_SOCKET
// every call does nothing.
#pragma once

#include <chrono>
#include <string_view>

namespace orv::http {

// Sends one state line ("READY=1", "STOPPING=1", "WATCHDOG=1", ...).
void NotifySystemd(std::string_view state);

// How often the watchdog wants to hear from this process (half of
// $WATCHDOG_USEC); zero when no watchdog is set for it.
std::chrono::milliseconds WatchdogPeriod();

}  // namespace orv::http
