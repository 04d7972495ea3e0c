#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <string>
#include <string_view>

// The operator's static documents (script, modules, prefectures, advertisements, banners, movies)
// as the client reads them, read into memory once: XML declared Shift_JIS goes out in CP932,
// "{BASE}" becomes the base, a movie's description and pieces come from the catalogue and the
// movie file. A snapshot never changes, so serving threads read it without locks; ContentFolder
// reads a new one when the files change. Nothing outside the folder is ever read: no "..", no
// absolute paths, no symbolic links out.
namespace brisma::server {

struct Document {
    std::shared_ptr<const std::string> file; // what `bytes` points into; whoever serves it keeps it
    std::string_view bytes;                  // a movie piece is part of its file
    const char* type;                        // Content-Type
};

class StaticContent {
public:
    // What a look at a file sees; any change reads it again.
    struct FileState {
        std::string real; // its canonical path, below the folder
        std::int64_t size = 0;
        std::int64_t modifiedNs = 0;
        std::int64_t changedNs = 0;
        std::uint64_t inode = 0;
        bool operator==(const FileState&) const = default;
    };
    using Listing = std::map<std::string, FileState>; // by address path ("/ad/001.xml")

    // Bounds on memory: a larger file is not served, nor the files past the total (a log line each).
    static constexpr std::int64_t MaxFileBytes = 64 << 20;
    static constexpr std::int64_t MaxTotalBytes = 512 << 20;
    static constexpr std::size_t MaxFiles = 10'000;

    // The regular files below `folder` (canonical), symbolic links inside it followed.
    static Listing list(const std::string& folder);

    // Reads the files of `listing`; one that cannot be read keeps its bytes from `previous`, as
    // when the operator is replacing it.
    StaticContent(std::string folder, std::string base, const Listing& listing,
                  const StaticContent* previous = nullptr);
    // Lists and reads `folder`.
    StaticContent(const std::string& folder, std::string base);

    // The document at an address path; none for anything else.
    const Document* find(std::string_view path) const;
    // The path the script names for the channel list, below the base; "/channel.xml" when none.
    const std::string& channelListPath() const { return channelListPath_; }
    // The path the script names for the entry `name` ("adtext"), below the base; empty when none.
    std::string scriptPath(std::string_view name) const;
    const std::string& folder() const { return folder_; }
    const Listing& listing() const { return listing_; }

    static constexpr const char* ScriptPath = "/scripts_desktop3.xml";

private:
    void addMovies();

    std::string folder_; // canonical
    std::string base_;
    Listing listing_;
    std::map<std::string, std::shared_ptr<const std::string>> files_; // as read, by real path
    std::map<std::string, Document, std::less<>> documents_;
    std::string channelListPath_;
};

} // namespace brisma::server
