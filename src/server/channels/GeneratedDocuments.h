#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <string>

// The documents built from the sources (the channel list and the channels' feeds), by the path
// they are served at. Filled by the fetching threads, read by the serving ones: a read copies one
// pointer, never a document.
namespace brisma::server {

class GeneratedDocuments {
public:
    // The channel list's place; the script says at which address it is served.
    static constexpr const char* ChannelList = "channel list";

    void put(const std::string& path, std::string bytes);
    // None when no document has that path.
    std::shared_ptr<const std::string> get(const std::string& path) const;

private:
    mutable std::mutex mutex_;
    std::map<std::string, std::shared_ptr<const std::string>> documents_;
};

} // namespace brisma::server
