#include "TempAppFolder.h"

#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>

namespace brisma::test {

TempAppFolder::TempAppFolder() {
    std::string pattern = (std::filesystem::temp_directory_path() / "brisma-test-XXXXXX").string();
    if (!::mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempAppFolder::~TempAppFolder() {
    std::error_code ec;
    std::filesystem::remove_all(path_, ec);
}

void TempAppFolder::write(const std::string& relative, const std::string& bytes) const {
    const std::filesystem::path p = path_ + relative;
    std::filesystem::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

std::string TempAppFolder::read(const std::string& relative) const {
    std::ifstream in(path_ + relative, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

bool TempAppFolder::exists(const std::string& relative) const {
    return std::filesystem::exists(path_ + relative);
}

std::string readTestData(const std::string& dataFolder, const std::string& name) {
    std::ifstream in(dataFolder + "/" + name, std::ios::binary);
    if (!in)
        throw std::runtime_error("missing test data: " + dataFolder + "/" + name);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

} // namespace brisma::test
