#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <set>
#include <string>

// The headline ids given so far: an item keeps its id for as long as a source lists it, since the
// client's read marks depend on it. Kept in one file of the data folder.
namespace brisma::server {

struct KnownHeadline {
    std::string id;
    std::int64_t date = 0; // the publication time the id was made from
};

class HeadlineStore {
public:
    // Reads `file` when it exists.
    explicit HeadlineStore(std::string file);

    // The headline of item `key` in `channel`: the stored one, or a new one made at first sight
    // from `date` (or from `now` when there is none or it lies more than 10 minutes ahead).
    // Either way the item counts as listed at `now`.
    KnownHeadline see(int channel, const std::string& key, std::optional<std::int64_t> date,
                      std::int64_t now);

    // Forgets the items not listed since `cutoff`.
    void forgetUnlistedSince(std::int64_t cutoff);

    // Writes the file when something changed since the last save.
    void save();

private:
    struct Entry {
        KnownHeadline headline;
        std::int64_t lastListed = 0;
    };
    void remember(int channel, const std::string& key, const Entry& entry);

    std::string file_;
    std::map<std::pair<int, std::string>, Entry> entries_;
    std::set<std::string> ids_; // every id given, to find a free number in a minute
    bool changed_ = false;
    std::int64_t lastSavedListing_ = 0;
};

} // namespace brisma::server
