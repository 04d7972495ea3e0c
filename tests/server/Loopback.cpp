#include "Loopback.h"

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <strings.h>
#include <sys/socket.h>
#include <unistd.h>

namespace brisma::test {

Loopback::Loopback(int port) {
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (::connect(socket_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        ::close(socket_);
        socket_ = -1;
    }
}

Loopback::~Loopback() {
    if (socket_ >= 0)
        ::close(socket_);
}

bool Loopback::send(const std::string& bytes) {
    std::size_t sent = 0;
    while (socket_ >= 0 && sent < bytes.size()) {
        const ssize_t n = ::send(socket_, bytes.data() + sent, bytes.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            return false;
        sent += static_cast<std::size_t>(n);
    }
    return socket_ >= 0;
}

std::optional<Loopback::Response> Loopback::get(const std::string& target) {
    if (!send("GET " + target + " HTTP/1.1\r\nHost: 127.0.0.1\r\n\r\n"))
        return std::nullopt;
    return read();
}

std::optional<Loopback::Response> Loopback::read() {
    for (;;) {
        const std::size_t end = buffer_.find("\r\n\r\n");
        if (end != std::string::npos) {
            std::size_t length = 0;
            const std::string head = buffer_.substr(0, end);
            for (std::size_t at = head.find("\r\n"); at != std::string::npos; at = head.find("\r\n", at + 2))
                if (strncasecmp(head.c_str() + at + 2, "Content-Length:", 15) == 0)
                    length = std::strtoul(head.c_str() + at + 17, nullptr, 10);
            if (buffer_.size() >= end + 4 + length) {
                Response response{std::atoi(head.c_str() + 9), buffer_.substr(end + 4, length), head};
                buffer_.erase(0, end + 4 + length);
                return response;
            }
        }
        char chunk[4096];
        const ssize_t n = socket_ < 0 ? 0 : ::recv(socket_, chunk, sizeof chunk, 0);
        if (n <= 0)
            return std::nullopt;
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}

} // namespace brisma::test
