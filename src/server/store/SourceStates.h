#pragma once

#include <cstdint>
#include <future>
#include <optional>
#include <string>

// The last good copy of each source, with its validators and its schedule, so a restart (also
// after SIGKILL) serves at once and asks politely.
namespace brisma::server {

class Database;

struct SourceState {
    std::string address;
    bool hasBody = false; // a good answer has been kept
    std::string body;     // its bytes, in whatever encoding the source used
    std::string charset;  // of the answer's Content-Type
    std::string finalAddress;
    std::string etag;
    std::string lastModified;
    std::int64_t nextFetch = 0; // seconds since the epoch
    int failures = 0;           // in a row, since the last good answer
};

class SourceStates {
public:
    explicit SourceStates(Database& database) : database_(database) {}

    // None when nothing was kept for the address.
    std::future<std::optional<SourceState>> load(const std::string& address);
    // Replaces what was kept for the state's address.
    std::future<void> save(const SourceState& state);

private:
    Database& database_;
};

} // namespace brisma::server
