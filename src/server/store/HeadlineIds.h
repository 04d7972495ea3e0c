#pragma once

#include <cstdint>
#include <future>
#include <optional>
#include <string>
#include <vector>

// The headline ids given so far, per channel and item identity, shared by every server process
// on one database: an item keeps its id for as long as a source lists it, since the client's
// read marks depend on it.
namespace brisma::server {

class Database;

struct Sighting {
    std::string item;                 // the item's identity in its source
    std::optional<std::int64_t> date; // its publication time, seconds since the epoch
    std::optional<std::string> title; // the latest one, for the operator's figures
};

struct StoredHeadline {
    std::string id;        // channel (3 digits), minute in Japan time (YYYYMMDDhhmm), number (4)
    std::int64_t date = 0; // the publication time the id was made from
};

class HeadlineIds {
public:
    explicit HeadlineIds(Database& database) : database_(database) {}

    // The ids of items seen in `channel` at `now`, in order: the stored ones, or new ones made at
    // first sight from the date (or from `now` when there is none or it lies more than 10 minutes
    // ahead). Every item counts as listed at `now`, with its (last) title.
    std::future<std::vector<StoredHeadline>> see(int channel, std::vector<Sighting> items, std::int64_t now);
    // Forgets the items (of `channel`, or of every channel) not listed since `cutoff`; the future
    // holds how many.
    std::future<std::int64_t> forgetUnlistedSince(std::int64_t cutoff, std::optional<int> channel = {});

private:
    Database& database_;
};

} // namespace brisma::server
