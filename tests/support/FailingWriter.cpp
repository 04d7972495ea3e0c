#include "FailingWriter.h"

#include <algorithm>
#include <cerrno>
#include <filesystem>

namespace brisma::test {

FailingWriter::FailingWriter(long failAt) : failAt_(failAt) {}

bool FailingWriter::failsNow(const std::string& temporary) {
    if (++calls_ != failAt_)
        return false;
    failedTarget_ = targetOfTemporary(temporary);
    before_ =
        fs::existFile(failedTarget_) ? std::optional<std::string>(fs::readFile(failedTarget_)) : std::nullopt;
    errno = ENOSPC;
    return true;
}

int FailingWriter::open(const std::string& path, int flags, mode_t mode) {
    if (failsNow(path))
        return -1;
    const int fd = Writer::open(path, flags, mode);
    if (fd >= 0)
        temporaries_[fd] = path;
    return fd;
}

ssize_t FailingWriter::write(int fd, const char* data, std::size_t size) {
    if (failsNow(temporaries_[fd])) {
        (void)Writer::write(fd, data, size / 2);
        errno = ENOSPC;
        return -1;
    }
    return Writer::write(fd, data, size);
}

// Nothing in a test outlives a power cut: the flush to the device is left out, which makes a
// run of hundreds of starts several times faster.
int FailingWriter::fsync(int fd) {
    return failsNow(temporaries_[fd]) ? -1 : 0;
}

int FailingWriter::rename(const std::string& from, const std::string& to) {
    if (failsNow(from))
        return -1;
    const int result = Writer::rename(from, to);
    if (result == 0 && !failedTarget_.empty())
        replacedAfter_.push_back(to);
    return result;
}

bool FailingWriter::replacedAfterFailure(const std::string& path) const {
    return std::find(replacedAfter_.begin(), replacedAfter_.end(), path) != replacedAfter_.end();
}

std::string targetOfTemporary(const std::string& temporary) {
    const auto slash = temporary.rfind('/');
    const std::string name = temporary.substr(slash + 1);
    return temporary.substr(0, slash + 1) + name.substr(1, name.rfind(".tmp") - 1);
}

std::map<std::string, std::string> folderFiles(const std::string& folder) {
    std::map<std::string, std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (e.is_regular_file())
            out[std::filesystem::relative(e.path(), folder).string()] = fs::readFile(e.path().string());
    return out;
}

std::vector<std::string> temporaryLeftovers(const std::string& folder) {
    std::vector<std::string> out;
    for (const auto& e : std::filesystem::recursive_directory_iterator(folder))
        if (fs::isTemporaryName(e.path().filename().string()))
            out.push_back(e.path().string());
    return out;
}

} // namespace brisma::test
