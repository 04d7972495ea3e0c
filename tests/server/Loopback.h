#pragma once

#include <optional>
#include <string>

namespace brisma::test {

// One kept-alive HTTP/1.1 connection to a loopback port, written to byte for byte: the request
// targets go out exactly as given, broken ones included.
class Loopback {
public:
    explicit Loopback(int port);
    ~Loopback();
    Loopback(const Loopback&) = delete;
    Loopback& operator=(const Loopback&) = delete;

    struct Response {
        int status = 0;
        std::string body;
        std::string head; // the status line and headers
    };
    // Sends raw bytes; false once the connection is gone.
    bool send(const std::string& bytes);
    // GET of `target` as it is; none when the connection closed before a whole answer.
    std::optional<Response> get(const std::string& target);
    // The next answer; none when the connection closed first.
    std::optional<Response> read();

private:
    int socket_ = -1;
    std::string buffer_;
};

} // namespace brisma::test
