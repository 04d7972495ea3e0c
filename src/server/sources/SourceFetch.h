#pragma once

#include "server/sources/Politeness.h"
#include "server/store/SourceStates.h"

#include <string>

// One fetch of one source: a file is read, an address asked with the validators of its copy.
namespace brisma::server {

struct FetchResult {
    enum class Kind { Fresh, NotModified, Failed };
    Kind kind = Kind::Failed;
    long status = 0; // 0 for files and for requests that got no answer
    std::string body;
    std::string charset;
    std::string finalAddress;
    HeaderList headers;
    std::string error; // why it failed, for the log
};

bool isFileSource(const std::string& source);

// The host an address asks, lower case, whatever its scheme or port ("file" for files): one
// request at a time goes to each.
std::string hostOf(const std::string& source);

// The User-Agent of every request: "brisma-server/VERSION (+contact)".
std::string userAgent(const std::string& contact);

// A file whose bytes equal the copy's counts as not modified.
FetchResult fetchSource(const SourceState& copy, const std::string& agent);

} // namespace brisma::server
