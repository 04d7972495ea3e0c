#include "server/sources/HeadlineStore.h"

#include "platform/fs/FileSystem.h"
#include "server/channels/ChannelDocuments.h"

#include <sstream>

namespace brisma::server {
namespace {

constexpr std::int64_t FutureSlack = 600;
// "Listed" times are written at most this often when nothing else changed: they only need to be
// right to within a day for the 7 days of forgetting.
constexpr std::int64_t ListingSaveInterval = 3600;

// Keys are written one per line, tab-separated: escape what would break the line.
std::string escaped(const std::string& key) {
    std::string out;
    for (const char c : key) {
        if (c == '\\')
            out += "\\\\";
        else if (c == '\t')
            out += "\\t";
        else if (c == '\n')
            out += "\\n";
        else if (c == '\r')
            out += "\\r";
        else
            out += c;
    }
    return out;
}

std::string unescaped(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\\' || i + 1 == text.size()) {
            out += text[i];
            continue;
        }
        const char c = text[++i];
        out += c == 't' ? '\t' : c == 'n' ? '\n' : c == 'r' ? '\r' : c;
    }
    return out;
}

} // namespace

HeadlineStore::HeadlineStore(std::string file) : file_(std::move(file)) {
    if (!fs::existFile(file_))
        return;
    std::istringstream in(fs::readFile(file_));
    std::string line;
    while (std::getline(in, line)) {
        // channel, id, date, last listed, key
        std::istringstream fields(line);
        int channel = 0;
        Entry entry;
        std::string key;
        if (!(fields >> channel >> entry.headline.id >> entry.headline.date >> entry.lastListed))
            continue;
        fields.get();
        std::getline(fields, key);
        remember(channel, unescaped(key), entry);
    }
}

void HeadlineStore::remember(int channel, const std::string& key, const Entry& entry) {
    entries_[{channel, key}] = entry;
    ids_.insert(entry.headline.id);
}

KnownHeadline HeadlineStore::see(int channel, const std::string& key, std::optional<std::int64_t> date,
                                 std::int64_t now) {
    const auto found = entries_.find({channel, key});
    if (found != entries_.end()) {
        found->second.lastListed = now;
        if (now - lastSavedListing_ >= ListingSaveInterval)
            changed_ = true;
        return found->second.headline;
    }
    Entry entry;
    entry.headline.date = date && *date <= now + FutureSlack ? *date : now;
    entry.lastListed = now;
    // 9999 items in one minute of one channel: the next minute has room.
    for (std::int64_t minute = entry.headline.date; entry.headline.id.empty(); minute += 60)
        for (int serial = 1; serial <= 9999 && entry.headline.id.empty(); ++serial)
            if (const std::string id = headlineId(channel, minute, serial); !ids_.contains(id))
                entry.headline.id = id;
    remember(channel, key, entry);
    changed_ = true;
    return entry.headline;
}

void HeadlineStore::forgetUnlistedSince(std::int64_t cutoff) {
    for (auto it = entries_.begin(); it != entries_.end();) {
        if (it->second.lastListed < cutoff) {
            ids_.erase(it->second.headline.id);
            it = entries_.erase(it);
            changed_ = true;
        } else {
            ++it;
        }
    }
}

void HeadlineStore::save() {
    if (!changed_)
        return;
    std::string bytes;
    std::int64_t newest = 0;
    for (const auto& [where, entry] : entries_) {
        bytes += std::to_string(where.first) + '\t' + entry.headline.id + '\t' +
                 std::to_string(entry.headline.date) + '\t' + std::to_string(entry.lastListed) + '\t' +
                 escaped(where.second) + '\n';
        newest = std::max(newest, entry.lastListed);
    }
    fs::writeFileAtomic(file_, bytes);
    lastSavedListing_ = newest;
    changed_ = false;
}

} // namespace brisma::server
