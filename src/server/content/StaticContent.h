#pragma once

#include <optional>
#include <string>

// The operator's static documents (script, modules, prefectures, advertisements, banners, movies)
// as the client reads them: XML declared Shift_JIS goes out in CP932, "{BASE}" becomes the base.
// Nothing outside the folder is ever read: no "..", no absolute paths, no symbolic links out.
namespace brisma::server {

struct Document {
    std::string bytes;
    std::string type; // Content-Type
};

class StaticContent {
public:
    StaticContent(std::string folder, std::string base);

    // The document at an address path ("/ad/001.xml"); none for anything else.
    std::optional<Document> find(const std::string& path) const;

    // The path the script names for `name` ("channel"), below the base; empty when it names none.
    std::string scriptPath(const std::string& name) const;

    static constexpr const char* ScriptPath = "/scripts_desktop3.xml";

private:
    std::optional<std::string> fileBelow(const std::string& path) const;
    std::optional<Document> movieDocument(const std::string& path) const;

    std::string folder_; // canonical
    std::string base_;
};

} // namespace brisma::server
