#pragma once

#include "server/model/Clock.h"

#include <chrono>
#include <cstddef>
#include <list>
#include <mutex>
#include <optional>
#include <string>
#include <unordered_map>

// At most so many requests per address in a window that opens with the address's first request.
// The addresses are kept in the order their windows opened, so the expired ones leave from the
// front, and when too many are known the oldest window is dropped: memory stays bounded whatever
// the number of addresses.
namespace brisma::server {

class RequestLimit {
public:
    RequestLimit(unsigned perWindow, std::chrono::seconds window, std::size_t addresses = 65536);

    // Counts a request of `address`: none when it is within the limit, else how long until the
    // address's window closes (at least a second).
    std::optional<std::chrono::seconds> take(const std::string& address, Clock::TimePoint now);

private:
    struct Window {
        std::string address;
        Clock::TimePoint opened;
        unsigned count = 0;
    };

    unsigned perWindow_;
    std::chrono::seconds window_;
    std::size_t addresses_;
    std::mutex mutex_;
    std::list<Window> windows_; // oldest first
    std::unordered_map<std::string, std::list<Window>::iterator> byAddress_;
};

} // namespace brisma::server
