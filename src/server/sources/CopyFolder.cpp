#include "server/sources/CopyFolder.h"

#include "platform/fs/FileSystem.h"

#include <cstdio>
#include <filesystem>
#include <sstream>

namespace brisma::server {
namespace {

// The head of a copy file: "name value" lines, a blank line, then the body bytes as received.
constexpr const char* Magic = "brisma-server source copy 1";

std::string oneLine(const std::string& value) {
    std::string out = value;
    for (char& c : out)
        if (c == '\n' || c == '\r')
            c = ' ';
    return out;
}

void readHead(std::istream& head, SourceCopy& copy) {
    std::string line;
    while (std::getline(head, line)) {
        const auto space = line.find(' ');
        const std::string name = line.substr(0, space);
        const std::string value = space == std::string::npos ? "" : line.substr(space + 1);
        if (name == "address")
            copy.address = value;
        else if (name == "body")
            copy.hasBody = value == "1";
        else if (name == "charset")
            copy.charset = value;
        else if (name == "final")
            copy.finalAddress = value;
        else if (name == "etag")
            copy.etag = value;
        else if (name == "modified")
            copy.lastModified = value;
        else if (name == "next")
            copy.nextFetch = std::stoll(value);
        else if (name == "failures")
            copy.failures = std::stoi(value);
    }
}

} // namespace

CopyFolder::CopyFolder(std::string folder) : folder_(std::move(folder)) {
    std::filesystem::create_directories(folder_);
    std::filesystem::permissions(folder_, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::replace);
    fs::removeTemporaryFiles(folder_);
}

std::string CopyFolder::fileOf(const std::string& address) const {
    // FNV-1a: a stable name for any address.
    std::uint64_t hash = 14695981039346656037ULL;
    for (const unsigned char c : address)
        hash = (hash ^ c) * 1099511628211ULL;
    char name[32];
    std::snprintf(name, sizeof name, "%016llx.copy", static_cast<unsigned long long>(hash));
    return folder_ + "/" + name;
}

std::optional<SourceCopy> CopyFolder::load(const std::string& address) const {
    const std::string file = fileOf(address);
    if (!fs::existFile(file))
        return std::nullopt;
    std::string bytes;
    try {
        bytes = fs::readFile(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
    const auto headEnd = bytes.find("\n\n");
    if (headEnd == std::string::npos)
        return std::nullopt;
    std::istringstream head(bytes.substr(0, headEnd));
    std::string line;
    if (!std::getline(head, line) || line != Magic)
        return std::nullopt;
    SourceCopy copy;
    try {
        readHead(head, copy);
    } catch (const std::exception&) {
        return std::nullopt; // a damaged number
    }
    if (copy.address != address)
        return std::nullopt; // a hash collision: treat as never fetched
    copy.body = bytes.substr(headEnd + 2);
    return copy;
}

void CopyFolder::save(const SourceCopy& copy) const {
    std::string bytes = std::string(Magic) + "\naddress " + oneLine(copy.address) + "\nbody " +
                        (copy.hasBody ? "1" : "0") + "\ncharset " + oneLine(copy.charset) + "\nfinal " +
                        oneLine(copy.finalAddress) + "\netag " + oneLine(copy.etag) + "\nmodified " +
                        oneLine(copy.lastModified) + "\nnext " + std::to_string(copy.nextFetch) +
                        "\nfailures " + std::to_string(copy.failures) + "\n\n";
    bytes += copy.body;
    fs::writeFileAtomic(fileOf(copy.address), bytes);
}

} // namespace brisma::server
