#pragma once

#include <cstdint>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// One source's answer, read into what a headline bar needs: plain-text titles, absolute links,
// dates and identities.
namespace brisma::server {

struct FeedItem {
    std::string key;                  // identity: guid, rdf:about, Atom id, else the link; may be empty
    std::optional<std::string> title; // plain text, white space collapsed
    std::optional<std::string> link;  // absolute, http or https only
    std::optional<std::int64_t> date; // seconds since the epoch, as the source wrote it
};

struct Feed {
    std::optional<std::string> title;
    std::optional<std::string> link;
    std::vector<FeedItem> items;            // in the order the source lists them, none skipped
    std::optional<std::int64_t> ttlSeconds; // RSS ttl, when the source asks for one
};

// The bytes of one answer and what came with them.
struct FeedInput {
    std::string_view body;
    std::string httpCharset; // charset parameter of Content-Type; empty when none
    std::string address;     // the source's address after redirects, the base of relative links
};

// Bytes that are no feed of any known format.
class FeedError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads RSS 0.90 to 2.0, RSS 1.0, Atom 0.3 and 1.0 and JSON Feed 1.0 and 1.1. Repairs (a feed that
// was not well-formed, skipped entities) are appended to `notices`, one line each.
Feed readFeed(const FeedInput& input, std::vector<std::string>& notices);

} // namespace brisma::server
