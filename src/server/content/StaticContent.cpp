#include "server/content/StaticContent.h"

#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"
#include "server/model/Log.h"

#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <sys/stat.h>

namespace brisma::server {
namespace {

namespace stdfs = std::filesystem;

// The client joins movie pieces of exactly this size; only the last is shorter.
constexpr std::size_t PieceSize = 131072;

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

std::string xmlOut(std::string utf8) {
    return utf8.find("encoding=\"Shift_JIS\"") == std::string::npos ? utf8 : text::toCp932(utf8);
}

std::int64_t nanoseconds(const timespec& t) {
    return static_cast<std::int64_t>(t.tv_sec) * 1'000'000'000 + t.tv_nsec;
}

void skipped(const std::string& path, const char* why) {
    Log::write(Log::Warning, "content: " + path + " " + why + ": not served", {{"path", path}});
}

// Every regular file below `real` as `prefix` + its relative path. A link to a directory that is
// already on the way down is not followed again, so a loop of links ends.
void walk(const std::string& root, const std::string& real, const std::string& prefix,
          std::set<std::string>& ancestors, StaticContent::Listing& out) {
    std::error_code error;
    for (auto entry = stdfs::directory_iterator(real, error); !error && entry != stdfs::directory_iterator();
         entry.increment(error)) {
        const std::string name = entry->path().filename().string();
        std::error_code unresolved;
        const std::string target = stdfs::canonical(entry->path(), unresolved).string();
        struct stat state {};
        if (name.find('\\') != std::string::npos || unresolved || !target.starts_with(root + "/") ||
            ::stat(target.c_str(), &state) != 0)
            continue;
        const std::string path = prefix + "/" + name;
        if (S_ISDIR(state.st_mode) && ancestors.insert(target).second) {
            walk(root, target, path, ancestors, out);
            ancestors.erase(target);
        } else if (S_ISREG(state.st_mode) && out.size() < StaticContent::MaxFiles) {
            out[path] = {target, state.st_size, nanoseconds(state.st_mtim), nanoseconds(state.st_ctim),
                         state.st_ino};
        }
    }
}

// The attributes of each catalogue entry by its id, the first entry of an id only (values as
// written, entities kept).
std::map<std::string, std::map<std::string, std::string>> catalogueEntries(const std::string& catalogue) {
    static const std::regex entry(R"(<movie\s[^>]*>)");
    static const std::regex attribute(R"re((\w+)="([^"]*)")re");
    std::map<std::string, std::map<std::string, std::string>> entries;
    for (auto e = std::sregex_iterator(catalogue.begin(), catalogue.end(), entry);
         e != std::sregex_iterator(); ++e) {
        const std::string element = e->str();
        std::map<std::string, std::string> values;
        for (auto a = std::sregex_iterator(element.begin(), element.end(), attribute);
             a != std::sregex_iterator(); ++a)
            values[(*a)[1]] = (*a)[2];
        entries.emplace(values["id"], std::move(values));
    }
    return entries;
}

} // namespace

StaticContent::Listing StaticContent::list(const std::string& folder) {
    Listing listing;
    std::set<std::string> ancestors{folder};
    walk(folder, folder, "", ancestors, listing);
    return listing;
}

StaticContent::StaticContent(const std::string& folder, std::string base)
    : StaticContent(stdfs::weakly_canonical(folder).string(), std::move(base),
                    list(stdfs::weakly_canonical(folder).string())) {}

StaticContent::StaticContent(std::string folder, std::string base, const Listing& listing,
                             const StaticContent* previous)
    : folder_(std::move(folder)), base_(std::move(base)), listing_(listing) {
    if (listing_.size() >= MaxFiles)
        Log::write(Log::Warning, "content: only the first " + std::to_string(MaxFiles) + " files are served");
    std::int64_t total = 0;
    std::map<std::string, std::shared_ptr<const std::string>> converted; // XML out, by real path
    for (const auto& [path, state] : listing_) {
        auto& file = files_[state.real];
        if (!file) {
            if (state.size > MaxFileBytes || total + state.size > MaxTotalBytes) {
                skipped(state.real, state.size > MaxFileBytes ? "is over 64 MiB" : "is past 512 MiB in all");
            } else {
                try {
                    file = std::make_shared<const std::string>(fs::readFile(state.real));
                } catch (const std::exception&) {
                    if (previous)
                        if (auto last = previous->files_.find(state.real); last != previous->files_.end())
                            file = last->second;
                }
            }
            if (!file) {
                files_.erase(state.real);
                continue;
            }
            total += static_cast<std::int64_t>(file->size());
        }
        if (!state.real.ends_with(".xml")) {
            documents_[path] = {file, *file, "application/octet-stream"};
            continue;
        }
        auto& out = converted[state.real];
        if (!out) {
            std::string xml = *file;
            replaceAll(xml, "{BASE}", base_);
            out = std::make_shared<const std::string>(xmlOut(std::move(xml)));
        }
        documents_[path] = {out, *out, "text/xml"};
    }
    addMovies();

    channelListPath_ = scriptPath("channel");
    if (channelListPath_.empty())
        channelListPath_ = "/channel.xml";
}

std::string StaticContent::scriptPath(std::string_view name) const {
    const Document* script = find(ScriptPath);
    if (!script)
        return {};
    const std::string text = text::fromCp932(script->bytes);
    const std::regex entry("<Name>" + std::string(name) + R"(</Name>.*?<Url>([^<]*)</Url>)");
    std::smatch m;
    if (!std::regex_search(text, m, entry) || !m[1].str().starts_with(base_))
        return {};
    return "/" + m[1].str().substr(base_.size());
}

const Document* StaticContent::find(std::string_view path) const {
    // A file system reads "/ad//001.xml" as "/ad/001.xml"; "//etc" is refused as a path from the root.
    std::string single;
    if (path.size() > 1 && path[1] != '/' && path.find("//") != std::string_view::npos) {
        for (const char c : path)
            if (c != '/' || single.empty() || single.back() != '/')
                single += c;
        path = single;
    }
    const auto found = documents_.find(path);
    return found == documents_.end() ? nullptr : &found->second;
}

// For each catalogue entry with a movie file "/movies/<id>.qml": "/movies/<id>/<id>.xml", the
// description built from the entry and the file, and "/movies/<id>/<id>.NNN", piece NNN of the file.
void StaticContent::addMovies() {
    const auto fileAt = [&](const std::string& path) -> std::shared_ptr<const std::string> {
        const auto listed = listing_.find(path);
        const auto file = listed == listing_.end() ? files_.end() : files_.find(listed->second.real);
        return file == files_.end() ? nullptr : file->second;
    };
    const auto catalogue = fileAt("/movies/movie.xml");
    if (!catalogue)
        return;
    static const std::regex word(R"(\w+)");
    for (const auto& [id, entry] : catalogueEntries(*catalogue)) {
        const auto movie = std::regex_match(id, word) ? fileAt("/movies/" + id + ".qml") : nullptr;
        if (!movie)
            continue;
        const std::size_t pieces = (movie->size() + PieceSize - 1) / PieceSize;
        const std::string folder = "/movies/" + id + "/";
        auto field = [&](const std::string& name) {
            const auto value = entry.find(name);
            return "<" + name + ">" + (value == entry.end() ? "" : value->second) + "</" + name + ">";
        };
        std::string xml = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<movieinfo><id>" + id + "</id>" +
                          field("owner_name") + field("text") + field("click_url") + "<view_url>" + base_ +
                          "log/view?movie=" + id + "</view_url><length>" + std::to_string(movie->size()) +
                          "</length>" + field("term") + "<splitdata count=\"" + std::to_string(pieces) +
                          "\">";
        for (std::size_t n = 1; n <= pieces; ++n) {
            char piece[32];
            std::snprintf(piece, sizeof piece, "%s.%03zu", id.c_str(), n);
            xml += std::string("<piece>") + piece + "</piece>";
            documents_[folder + piece] = {movie,
                                          std::string_view(*movie).substr((n - 1) * PieceSize, PieceSize),
                                          "application/octet-stream"};
        }
        const auto description =
            std::make_shared<const std::string>(xmlOut(xml + "</splitdata></movieinfo>\r\n"));
        documents_[folder + id + ".xml"] = {description, *description, "text/xml"};
    }
}

} // namespace brisma::server
