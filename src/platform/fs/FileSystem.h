#pragma once

#include <cstddef>
#include <string>
#include <sys/types.h>
#include <vector>

// File functions of the system. Failures raise a BrismaError: File not found (53), Path/File
// access error (75) or Bad file name (52).
namespace brisma::fs {

// True when a regular file exists at `path` (folders and other kinds do not count).
bool existFile(const std::string& path);
bool existFolder(const std::string& path);

// Creates one folder (its parent must exist); an existing folder is left alone.
void makeFolder(const std::string& path);

std::string readFile(const std::string& path);

// Replaces `path` atomically: temporary file in the same folder, write, fsync, rename, fsync of
// the folder. A crash or a full disk leaves the previous file whole.
void writeFileAtomic(const std::string& path, const std::string& bytes);

// The temporary name a replace of `path` writes first: "." + name + ".tmp" + digits, beside it.
// True for a name of that form (name part not empty and not beginning with a dot).
bool isTemporaryName(const std::string& name);

// Deletes the regular files of `folder` (not below it) whose names are temporary names: what
// replaces cut short by a crash left behind. Best effort; failures are ignored.
void removeTemporaryFiles(const std::string& folder);

// Copies `from` over `to` with the same atomic replace.
void copyFile(const std::string& from, const std::string& to);

// Deletes a file; a missing file raises File not found.
void deleteFile(const std::string& path);

// Removes a folder with everything below it; a missing folder is not an error.
void removeTree(const std::string& path);

// Names of the entries of a folder, in listing order, "." and ".." left out.
std::vector<std::string> listFolder(const std::string& path, bool filesOnly);

// A name the server sent that may become one path segment: not empty, no "/", no NUL, not "."
// or "..", no leading dot.
bool isSafeName(const std::string& name);

// The calls through which every file the system writes reaches the disk: the replace's open,
// write, fsync and rename. The base class makes the system calls; a test puts its own in place
// with ScopedWriter to make a chosen call fail (errno set, -1 returned) as a full disk would.
class Writer {
public:
    virtual ~Writer() = default;
    virtual int open(const std::string& path, int flags, mode_t mode);
    virtual ssize_t write(int fd, const char* data, std::size_t size);
    virtual int fsync(int fd);
    virtual int rename(const std::string& from, const std::string& to);
};

// Makes `writer` the writer of every file while the object lives, then puts the previous back.
class ScopedWriter {
public:
    explicit ScopedWriter(Writer& writer);
    ~ScopedWriter();
    ScopedWriter(const ScopedWriter&) = delete;
    ScopedWriter& operator=(const ScopedWriter&) = delete;

private:
    Writer* previous_;
};

// An exclusive, non-blocking whole-file lock held while the object lives.
class FileLock {
public:
    FileLock() = default;
    ~FileLock();
    FileLock(FileLock&& other) noexcept;
    FileLock& operator=(FileLock&& other) noexcept;
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    // Opens `path` (file or folder) and locks it; false when another holder has it. A path
    // that cannot be opened raises Path/File access error. Nothing is created.
    bool lock(const std::string& path, bool forWriting);
    void unlock();
    bool locked() const { return fd_ >= 0; }

private:
    int fd_ = -1;
};

} // namespace brisma::fs
