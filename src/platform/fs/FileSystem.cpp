#include "platform/fs/FileSystem.h"

#include "common/BrismaError.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <fcntl.h>
#include <random>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace brisma::fs {
namespace {

Writer systemWriter;
std::atomic<Writer*> currentWriter{&systemWriter};

Writer& writer() {
    return *currentWriter.load();
}

constexpr std::size_t kMaxTemporaryDigits = 9;
constexpr unsigned long long kTemporaryRange = 1000000000ULL;

[[noreturn]] void fail(long number, const std::string& path) {
    throw BrismaError(number, errorDescription(number) + ": " + path + " (" + std::strerror(errno) + ")");
}

void checkPath(const std::string& path) {
    if (path.empty() || path.find('\0') != std::string::npos)
        raise(err::BadFileName);
}

std::string parentOf(const std::string& path) {
    const auto slash = path.rfind('/');
    if (slash == std::string::npos)
        return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

bool writeAll(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        const ssize_t n = writer().write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

void syncFolder(const std::string& folder) {
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

std::string temporaryName(const std::string& path) {
    static thread_local std::mt19937_64 rng{std::random_device{}()};
    const auto slash = path.rfind('/');
    const std::string folder = slash == std::string::npos ? "" : path.substr(0, slash + 1);
    const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return folder + "." + name + ".tmp" + std::to_string(rng() % kTemporaryRange);
}

} // namespace

int Writer::open(const std::string& path, int flags, mode_t mode) {
    return ::open(path.c_str(), flags, mode);
}

ssize_t Writer::write(int fd, const char* data, std::size_t size) {
    return ::write(fd, data, size);
}

int Writer::fsync(int fd) {
    return ::fsync(fd);
}

int Writer::rename(const std::string& from, const std::string& to) {
    return ::rename(from.c_str(), to.c_str());
}

ScopedWriter::ScopedWriter(Writer& writer) : previous_(currentWriter.exchange(&writer)) {}

ScopedWriter::~ScopedWriter() {
    currentWriter.store(previous_);
}

bool isTemporaryName(const std::string& name) {
    const auto tmp = name.rfind(".tmp");
    if (name.size() < 2 || name[0] != '.' || name[1] == '.' || tmp == std::string::npos || tmp < 2)
        return false;
    const std::string digits = name.substr(tmp + 4);
    if (digits.empty() || digits.size() > kMaxTemporaryDigits || (digits[0] == '0' && digits.size() > 1))
        return false;
    for (const char c : digits)
        if (c < '0' || c > '9')
            return false;
    return true;
}

void removeTemporaryFiles(const std::string& folder) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir)
        return;
    std::vector<std::string> leftovers;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        struct stat st {};
        if (isTemporaryName(name) && ::lstat((folder + "/" + name).c_str(), &st) == 0 && S_ISREG(st.st_mode))
            leftovers.push_back(name);
    }
    ::closedir(dir);
    for (const auto& name : leftovers)
        ::unlink((folder + "/" + name).c_str());
}

bool existFile(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool existFolder(const std::string& path) {
    struct stat st {};
    return !path.empty() && ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

void makeFolder(const std::string& path) {
    checkPath(path);
    if (existFolder(path))
        return;
    if (::mkdir(path.c_str(), 0755) != 0 && !(errno == EEXIST && existFolder(path)))
        fail(err::PathFileAccess, path);
}

std::string readFile(const std::string& path) {
    checkPath(path);
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        fail(errno == ENOENT ? err::FileNotFound : err::PathFileAccess, path);
    std::string bytes;
    char buf[65536];
    for (;;) {
        const ssize_t n = ::read(fd, buf, sizeof buf);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0) {
            ::close(fd);
            fail(err::PathFileAccess, path);
        }
        if (n == 0)
            break;
        bytes.append(buf, static_cast<std::size_t>(n));
    }
    ::close(fd);
    return bytes;
}

void writeFileAtomic(const std::string& path, const std::string& bytes) {
    checkPath(path);
    const std::string tmp = temporaryName(path);
    const int fd = writer().open(tmp, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd < 0)
        fail(err::PathFileAccess, path);
    const bool ok = writeAll(fd, bytes.data(), bytes.size()) && writer().fsync(fd) == 0;
    const int savedErrno = errno;
    if (::close(fd) != 0 || !ok) {
        ::unlink(tmp.c_str());
        errno = ok ? errno : savedErrno;
        fail(err::PathFileAccess, path);
    }
    if (writer().rename(tmp, path) != 0) {
        const int e = errno;
        ::unlink(tmp.c_str());
        errno = e;
        fail(err::PathFileAccess, path);
    }
    syncFolder(parentOf(path));
}

void copyFile(const std::string& from, const std::string& to) {
    writeFileAtomic(to, readFile(from));
}

void deleteFile(const std::string& path) {
    checkPath(path);
    if (::unlink(path.c_str()) != 0)
        fail(errno == ENOENT ? err::FileNotFound : err::PathFileAccess, path);
}

void removeTree(const std::string& path) {
    checkPath(path);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return;
    if (S_ISDIR(st.st_mode)) {
        for (const auto& name : listFolder(path, false))
            removeTree(path + "/" + name);
        if (::rmdir(path.c_str()) != 0)
            fail(err::PathFileAccess, path);
    } else if (::unlink(path.c_str()) != 0) {
        fail(err::PathFileAccess, path);
    }
}

std::vector<std::string> listFolder(const std::string& path, bool filesOnly) {
    checkPath(path);
    DIR* dir = ::opendir(path.c_str());
    if (!dir)
        fail(errno == ENOENT ? err::FileNotFound : err::PathFileAccess, path);
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        if (name == "." || name == "..")
            continue;
        if (filesOnly && !existFile(path + "/" + name))
            continue;
        names.push_back(name);
    }
    ::closedir(dir);
    return names;
}

bool isSafeName(const std::string& name) {
    return !name.empty() && name.front() != '.' && name.find('/') == std::string::npos &&
           name.find('\\') == std::string::npos && name.find('\0') == std::string::npos;
}

FileLock::~FileLock() {
    unlock();
}

FileLock::FileLock(FileLock&& other) noexcept : fd_(other.fd_) {
    other.fd_ = -1;
}

FileLock& FileLock::operator=(FileLock&& other) noexcept {
    if (this != &other) {
        unlock();
        fd_ = other.fd_;
        other.fd_ = -1;
    }
    return *this;
}

bool FileLock::lock(const std::string& path, bool forWriting) {
    unlock();
    checkPath(path);
    const int fd = ::open(path.c_str(), (forWriting ? O_RDWR : O_RDONLY) | O_CLOEXEC);
    if (fd < 0)
        fail(errno == ENOENT ? err::FileNotFound : err::PathFileAccess, path);
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int e = errno;
        ::close(fd);
        if (e == EWOULDBLOCK)
            return false;
        errno = e;
        fail(err::PathFileAccess, path);
    }
    fd_ = fd;
    return true;
}

void FileLock::unlock() {
    if (fd_ >= 0) {
        ::flock(fd_, LOCK_UN);
        ::close(fd_);
        fd_ = -1;
    }
}

} // namespace brisma::fs
