#pragma once

#include <string>
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
