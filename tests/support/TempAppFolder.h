#pragma once

#include <string>

namespace brisma::test {

// A fresh application folder below the system's temporary folder, removed with the object.
class TempAppFolder {
public:
    TempAppFolder();
    ~TempAppFolder();
    TempAppFolder(const TempAppFolder&) = delete;
    TempAppFolder& operator=(const TempAppFolder&) = delete;

    const std::string& path() const { return path_; }
    // path() followed by `relative` ("/flash/xml/user.xml").
    std::string file(const std::string& relative) const { return path_ + relative; }

    // Writes `bytes` to `relative`, creating the folders on the way.
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;

private:
    std::string path_;
};

// The bytes of a file below tests/<suite>/data (expected files and fixtures).
std::string readTestData(const std::string& dataFolder, const std::string& name);

} // namespace brisma::test
