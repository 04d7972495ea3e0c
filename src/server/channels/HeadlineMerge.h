#pragma once

#include "server/channels/ChannelDocuments.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisma::server {

// A headline as one of a channel's sources lists it.
struct SourcedHeadline {
    std::string key;       // the item's identity (FeedItem::key)
    std::int64_t time = 0; // its publication time
    Headline headline;
};

// A channel's feed from all its sources' headlines: newest first (by time, then id), an item that
// several sources list (the same key) once, at most `count`.
std::vector<Headline> mergedHeadlines(std::vector<SourcedHeadline> headlines, int count);

} // namespace brisma::server
