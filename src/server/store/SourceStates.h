#pragma once

#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <vector>

// The last good copy of each source, with its validators and its schedule, so a restart (also
// after SIGKILL) serves at once and asks politely. Several server processes on one database share
// them: one process at a time fetches a source (a lease), and every process serves what any of
// them fetched.
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
    std::int64_t nextFetchMs = 0;   // milliseconds since the epoch
    int failures = 0;               // in a row, since the last good answer
    std::int64_t savedMs = 0;       // when it was saved; 0 for a copy never saved
    std::int64_t lastFetchMs = 0;   // when it was last asked; 0: never
    std::int64_t lastSuccessMs = 0; // when it last answered with a feed or "not modified"; 0: never
    std::string lastError{};        // one line, why the last fetch failed; empty after a success
};

class SourceStates {
public:
    explicit SourceStates(Database& database) : database_(database) {}

    // None when nothing was kept for the address.
    std::future<std::optional<SourceState>> load(const std::string& address);
    // Replaces what was kept for the state's address, saved at `state.savedMs`.
    std::future<void> save(const SourceState& state);
    // Replaces only the schedule (next fetch, failures, the last fetch's times and error) and the
    // save time: a fetch that brought no new copy leaves the kept one alone, whichever process
    // saved it.
    std::future<void> saveSchedule(const SourceState& state);
    // The states saved at or after `sinceMs`. Processes poll with a margin for their clocks.
    std::future<std::vector<SourceState>> savedSince(std::int64_t sinceMs);

    // Lets `owner` fetch the source until `untilMs`: true unless another owner's lease runs
    // beyond `nowMs`. A lease outlives a crashed owner only until it runs out.
    std::future<bool> claim(const std::string& address, const std::string& owner, std::int64_t nowMs,
                            std::int64_t untilMs);

private:
    Database& database_;
};

// Every kept state without its copy's bytes, what the operator is shown, read on a connection of
// the calling thread. Throws StoreError.
std::vector<SourceState> readSourceStates(const Database& database);

} // namespace brisma::server
