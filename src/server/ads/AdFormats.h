#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

// The advertisement documents in the client's formats: XML text made here (CR LF, Shift_JIS
// declared, CP932 bytes, character references for what CP932 lacks).
namespace brisma::server {

// A channel's advertisement text: one Item.
std::string adTextDocument(const std::string& id, const std::string& name, const std::string& text,
                           const std::string& url);

struct TickerBanner {
    std::string url; // the image
    std::string id;  // empty: no banner
    std::string text;
    std::string href;
    std::string view;
};

// `script` (CP932, as served) with its "ticker_banner" entry replaced by `banner`, or the entry
// added at the end when it had none.
std::string scriptWithBanner(const std::string& script, const TickerBanner& banner);

struct MovieEntry {
    std::string id; // eight digits
    std::string owner;
    std::string title;
    std::string clickUrl;
    std::string viewUrl;
    std::string term; // YYYY/MM/DD: the first Japan day it is no longer shown
    std::size_t length = 0;
};

std::string movieCatalogue(const std::vector<MovieEntry>& movies);
// Its description, naming the pieces "<id>.001" on.
std::string movieDescription(const MovieEntry& movie);

// The client joins movie pieces of exactly this size; only the last is shorter.
constexpr std::size_t MoviePieceSize = 131072;

// The term of a movie ending at `endMs`: the Japan date of its end, the next day unless it ends at
// midnight (on its term date a client no longer shows it).
std::string movieTerm(std::int64_t endMs);

} // namespace brisma::server
