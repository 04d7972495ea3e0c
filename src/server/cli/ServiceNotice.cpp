#include "server/cli/ServiceNotice.h"

#include <cstdlib>
#include <cstring>
#include <string>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

namespace brisma::server {

void notifyService(std::string_view state) {
    const char* path = std::getenv("NOTIFY_SOCKET");
    if (!path || (path[0] != '/' && path[0] != '@'))
        return;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const std::size_t length = std::strlen(path);
    if (length >= sizeof address.sun_path)
        return;
    std::memcpy(address.sun_path, path, length);
    if (path[0] == '@')
        address.sun_path[0] = '\0';
    const int fd = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return;
    // An abstract name is as long as given, without a terminating NUL.
    const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length + (path[0] == '/'));
    ::sendto(fd, state.data(), state.size(), MSG_NOSIGNAL, reinterpret_cast<const sockaddr*>(&address), size);
    ::close(fd);
}

std::optional<std::chrono::microseconds> watchdogInterval() {
    const char* usec = std::getenv("WATCHDOG_USEC");
    if (!usec)
        return std::nullopt;
    // The variable may have been inherited from a parent the manager watches.
    if (const char* pid = std::getenv("WATCHDOG_PID"); pid && std::strtoll(pid, nullptr, 10) != ::getpid())
        return std::nullopt;
    char* end = nullptr;
    const long long value = std::strtoll(usec, &end, 10);
    if (end == usec || *end != '\0' || value <= 0)
        return std::nullopt;
    return std::chrono::microseconds(value);
}

} // namespace brisma::server
