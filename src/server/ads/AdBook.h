#pragma once

#include "server/ads/AdFormats.h"
#include "server/ads/AdTally.h"
#include "server/config/ServerConfig.h"

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <random>
#include <string>
#include <vector>

// One configuration's campaigns, ready to serve: every document built here once, so a request
// only chooses. Once a kind is booked its documents come from here, whatever the content folder
// holds at their addresses: texts at the script's adtext address, the script itself with its
// "ticker_banner" entry and the banner images, the movie catalogue with descriptions and pieces.
namespace brisma::server {

class Database;
class StaticContent;

struct AdDocument {
    std::shared_ptr<const std::string> bytes;
    const char* type = "text/xml";
};

class AdBook {
public:
    // The ids come from the store; raises StoreError when it cannot give them.
    AdBook(const ServerConfig& config, const StaticContent& content, Database& database,
           std::shared_ptr<AdTally> tally);

    // The document at `path` chosen for now; none for a path this book does not serve, and one
    // without bytes for a path it owns that names nothing (404).
    std::optional<AdDocument> find(const std::string& path, std::int64_t nowMs,
                                   std::mt19937_64& random) const;
    // The campaigns reports may name.
    BookedIds ids() const;

private:
    struct Served {
        const Campaign* campaign = nullptr;
        std::shared_ptr<const std::string> document;
    };
    struct Movie {
        const Campaign* campaign = nullptr;
        MovieEntry entry;
        std::shared_ptr<const std::string> description;
        std::vector<std::shared_ptr<const std::string>> pieces;
    };
    // Of `served`, one running now and under its caps, by weight; counted as an impression on
    // `channel` when one is given.
    const Served* choose(const std::vector<Served>& served, std::int64_t nowMs, std::mt19937_64& random,
                         const std::string& channel = {}) const;
    std::optional<AdDocument> movieDocument(const std::string& path, std::int64_t nowMs) const;
    void addMovie(const Campaign* campaign, MovieEntry entry);

    std::vector<Campaign> campaigns_;
    std::shared_ptr<AdTally> tally_;
    BookedIds ids_;

    std::string adPath_; // "/ad/"
    std::map<int, std::vector<Served>> texts_;
    std::map<int, std::shared_ptr<const std::string>> house_;

    bool banners_ = false;
    std::vector<Served> scripts_; // one per banner campaign
    std::shared_ptr<const std::string> scriptWithoutBanner_;
    std::map<std::string, std::shared_ptr<const std::string>> images_; // by path

    bool movies_ = false;
    std::string moviePath_; // "/movies/"
    std::string base_;
    std::vector<Movie> movieList_; // the placeholder last
};

} // namespace brisma::server
