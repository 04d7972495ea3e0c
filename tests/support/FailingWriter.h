#pragma once

#include "platform/fs/FileSystem.h"

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace brisma::test {

// A writer that counts every call and makes call number `failAt` (from 1; 0: none) fail with
// ENOSPC, as a disk that fills up does; a failing write first puts half of its bytes down.
// It installs itself while it lives. A call that does not fail goes to the system, except fsync,
// which only succeeds.
class FailingWriter : public fs::Writer {
public:
    explicit FailingWriter(long failAt = 0);

    int open(const std::string& path, int flags, mode_t mode) override;
    ssize_t write(int fd, const char* data, std::size_t size) override;
    int fsync(int fd) override;
    int rename(const std::string& from, const std::string& to) override;

    long calls() const { return calls_; }
    // The file whose replace failed ("" while none has), and its bytes at that moment
    // (nullopt: there was no such file).
    const std::string& failedTarget() const { return failedTarget_; }
    const std::optional<std::string>& before() const { return before_; }
    // True when `path` was replaced again after the failure.
    bool replacedAfterFailure(const std::string& path) const;

private:
    bool failsNow(const std::string& temporary);

    long failAt_;
    long calls_ = 0;
    std::map<int, std::string> temporaries_; // open descriptor -> temporary path
    std::string failedTarget_;
    std::optional<std::string> before_;
    std::vector<std::string> replacedAfter_;
    fs::ScopedWriter installed_{*this};
};

// The file a temporary name stands in for: "<folder>/.<name>.tmpNNN" -> "<folder>/<name>".
std::string targetOfTemporary(const std::string& temporary);

// Every regular file below `folder`, at any depth: relative path -> bytes.
std::map<std::string, std::string> folderFiles(const std::string& folder);

// Every temporary file left below `folder`, at any depth.
std::vector<std::string> temporaryLeftovers(const std::string& folder);

} // namespace brisma::test
