#pragma once

#include <chrono>
#include <optional>
#include <string_view>

// The service manager's notify protocol: one datagram of "KEY=value" lines to $NOTIFY_SOCKET, a
// path or, after "@", an abstract socket. Without the variable nothing is sent.
namespace brisma::server {

// Sends `state` ("READY=1", "WATCHDOG=1", "STOPPING=1"); a failure is not the server's concern.
void notifyService(std::string_view state);

// $WATCHDOG_USEC when it is set for this process; none otherwise.
std::optional<std::chrono::microseconds> watchdogInterval();

} // namespace brisma::server
