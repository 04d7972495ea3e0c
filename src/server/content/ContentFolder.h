#pragma once

#include "server/content/StaticContent.h"

#include <chrono>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

// The content folder as served: one snapshot in memory, which a request takes by copying a pointer.
// A thread of its own looks at the files every couple of seconds and reads a new snapshot once a
// change has held still for one look, so a file being written is taken when it is whole; a file
// that cannot be read then keeps its last bytes.
namespace brisma::server {

class Clock;

class ContentFolder {
public:
    // Reads the folder at once.
    ContentFolder(const std::string& folder, std::string base, const Clock& clock,
                  std::chrono::milliseconds every = std::chrono::seconds(2));
    ContentFolder(const ContentFolder&) = delete;
    ContentFolder& operator=(const ContentFolder&) = delete;

    std::shared_ptr<const StaticContent> current() const;

private:
    void watch(std::stop_token stop);

    std::string base_;
    const Clock& clock_;
    std::chrono::milliseconds every_;
    mutable std::mutex mutex_;
    std::condition_variable_any wake_; // only a stop request wakes it early
    std::shared_ptr<const StaticContent> current_;
    std::jthread watcher_;
};

} // namespace brisma::server
