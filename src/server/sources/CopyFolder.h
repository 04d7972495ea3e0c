#pragma once

#include <cstdint>
#include <optional>
#include <string>

// The last good copy of each source, with its validators and its schedule, one file per source
// in the data folder, so a restart (also after SIGKILL) serves at once and asks politely.
namespace brisma::server {

struct SourceCopy {
    std::string address;
    bool hasBody = false; // a good answer has been kept
    std::string body;
    std::string charset;      // of the answer's Content-Type
    std::string finalAddress; // after redirects: the base of relative links
    std::string etag;
    std::string lastModified;
    std::int64_t nextFetch = 0; // seconds since the epoch
    int failures = 0;           // in a row, since the last good answer
};

class CopyFolder {
public:
    // The folder is created (mode 0700) when missing.
    explicit CopyFolder(std::string folder);

    // None when no copy was kept or the file is unreadable.
    std::optional<SourceCopy> load(const std::string& address) const;
    // Replaces the source's file atomically.
    void save(const SourceCopy& copy) const;

private:
    std::string fileOf(const std::string& address) const;
    std::string folder_;
};

} // namespace brisma::server
