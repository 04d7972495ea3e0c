#pragma once

#include "server/model/Query.h"

#include <cstdint>
#include <future>
#include <string>

// The registered users and their profiles, each profile stored key by key as its last
// registration or update sent it (personal data: never logged).
namespace brisma::server {

class Database;

struct Forgotten {
    std::int64_t users = 0;
    std::int64_t reports = 0;
};

class UserTable {
public:
    explicit UserTable(Database& database) : database_(database) {}

    // A new user with a fresh id (20 letters and digits, 119 bits from the system's random
    // source) and the query's keys as its profile; the future holds the id once it is durable.
    std::future<std::string> registerUser(const Query& query, std::int64_t nowMs);
    // Replaces the profile of a known id; false, and nothing stored, for an unknown or empty id.
    std::future<bool> updateProfile(const std::string& id, const Query& query, std::int64_t nowMs);
    // Makes `id` a known user with an empty profile unless it is one already: the demo's seeded
    // user.
    std::future<void> keepUser(const std::string& id, std::int64_t nowMs);
    // Removes the user's profile and every report that carries the id.
    std::future<Forgotten> forget(const std::string& id);

    static std::string newId();

private:
    Database& database_;
};

} // namespace brisma::server
