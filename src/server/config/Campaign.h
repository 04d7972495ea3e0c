#pragma once

#include <algorithm>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// A booked advertisement, as the operator's [[campaign]] table names it.
namespace brisma::server {

enum class CampaignKind { Text, Banner, Movie };

struct Campaign {
    std::string id; // letters, digits and "-"
    std::string advertiser;
    CampaignKind kind = CampaignKind::Text;
    std::int64_t startMs = 0; // runs in [startMs, endMs)
    std::int64_t endMs = 0;
    int weight = 1;
    std::vector<int> channels;                    // texts only; empty: every channel
    std::optional<std::int64_t> dailyImpressions; // per Japan day: served texts, banner views, plays
    std::optional<std::int64_t> clicks;           // booked billable clicks in all
    std::string name;                             // texts: the credit the bar shows
    std::string text;                             // texts and banners; a movie's is its title
    std::string url;
    std::string file;                           // a banner's image, a movie's module; absolute
    std::shared_ptr<const std::string> content; // its bytes as served: a banner's as a bitmap

    bool runsOn(int channel) const {
        return channels.empty() || std::find(channels.begin(), channels.end(), channel) != channels.end();
    }
    bool runsAt(std::int64_t ms) const { return startMs <= ms && ms < endMs; }
};

// The house text, served on a channel where no text campaign runs.
struct HouseText {
    std::string name;
    std::string text;
    std::string url;
};

} // namespace brisma::server
