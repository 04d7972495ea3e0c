#include "server/channels/HeadlineMerge.h"

#include <algorithm>
#include <unordered_set>
#include <utility>

namespace brisma::server {

std::vector<Headline> mergedHeadlines(std::vector<SourcedHeadline> headlines, int count) {
    std::ranges::stable_sort(headlines, [](const SourcedHeadline& a, const SourcedHeadline& b) {
        return a.time != b.time ? a.time > b.time : a.headline.id > b.headline.id;
    });
    std::vector<Headline> out;
    std::unordered_set<std::string> seen;
    for (SourcedHeadline& h : headlines) {
        if (std::cmp_greater_equal(out.size(), count))
            break;
        if (h.key.empty() || seen.insert(h.key).second)
            out.push_back(std::move(h.headline));
    }
    return out;
}

} // namespace brisma::server
