#include "server/content/StaticContent.h"

#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"

#include <filesystem>
#include <map>
#include <regex>

namespace brisma::server {
namespace {

// The client joins movie pieces of exactly this size; only the last is shorter.
constexpr std::size_t PieceSize = 131072;

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

std::string xmlOut(std::string utf8) {
    return utf8.find("encoding=\"Shift_JIS\"") == std::string::npos ? utf8 : text::toCp932(utf8);
}

// The attributes of the catalogue entry of `id` (values as written, entities kept).
std::optional<std::map<std::string, std::string>> catalogueEntry(const std::string& catalogue,
                                                                 const std::string& id) {
    static const std::regex entry(R"(<movie\s[^>]*>)");
    static const std::regex attribute(R"re((\w+)="([^"]*)")re");
    for (auto e = std::sregex_iterator(catalogue.begin(), catalogue.end(), entry);
         e != std::sregex_iterator(); ++e) {
        const std::string element = e->str();
        std::map<std::string, std::string> values;
        for (auto a = std::sregex_iterator(element.begin(), element.end(), attribute);
             a != std::sregex_iterator(); ++a)
            values[(*a)[1]] = (*a)[2];
        if (values["id"] == id)
            return values;
    }
    return std::nullopt;
}

// The file's bytes; none when it cannot be read, as when the operator is replacing it. A request
// never raises: nothing above the server's handler would catch it.
std::optional<std::string> readable(const std::string& file) {
    try {
        return fs::readFile(file);
    } catch (const std::exception&) {
        return std::nullopt;
    }
}

} // namespace

StaticContent::StaticContent(std::string folder, std::string base)
    : folder_(std::filesystem::weakly_canonical(folder).string()), base_(std::move(base)) {}

std::optional<std::string> StaticContent::fileBelow(const std::string& path) const {
    if (path.size() < 2 || path[0] != '/' || path[1] == '/' || path.find('\0') != std::string::npos ||
        path.find('\\') != std::string::npos)
        return std::nullopt;
    for (const auto& segment : std::filesystem::path(path.substr(1)))
        if (segment == ".." || segment == ".")
            return std::nullopt;
    std::error_code error;
    const auto real = std::filesystem::canonical(std::filesystem::path(folder_) / path.substr(1), error);
    if (error || !real.string().starts_with(folder_ + "/") || !std::filesystem::is_regular_file(real, error))
        return std::nullopt;
    return real.string();
}

std::optional<Document> StaticContent::find(const std::string& path) const {
    if (auto movie = movieDocument(path))
        return movie;
    const auto file = fileBelow(path);
    std::optional<std::string> bytes = file ? readable(*file) : std::nullopt;
    if (!bytes)
        return std::nullopt;
    if (!file->ends_with(".xml"))
        return Document{std::move(*bytes), "application/octet-stream"};
    replaceAll(*bytes, "{BASE}", base_);
    return Document{xmlOut(std::move(*bytes)), "text/xml"};
}

std::string StaticContent::scriptPath(const std::string& name) const {
    const auto script = find(ScriptPath);
    if (!script)
        return {};
    const std::string text = text::fromCp932(script->bytes);
    const std::regex entry("<Name>" + name + R"(</Name>.*?<Url>([^<]*)</Url>)");
    std::smatch m;
    if (!std::regex_search(text, m, entry) || !m[1].str().starts_with(base_))
        return {};
    return "/" + m[1].str().substr(base_.size());
}

// "/movies/<id>/<id>.xml": the description built from the catalogue entry and the movie file;
// "/movies/<id>/<id>.NNN": piece NNN of the file.
std::optional<Document> StaticContent::movieDocument(const std::string& path) const {
    static const std::regex address(R"(/movies/(\w+)/(\w+)\.(xml|\d{3}))");
    std::smatch m;
    if (!std::regex_match(path, m, address) || m[1] != m[2])
        return std::nullopt;
    const std::string id = m[1];
    const auto file = fileBelow("/movies/" + id + ".qml");
    const auto catalogue = fileBelow("/movies/movie.xml");
    const auto catalogueText = catalogue ? readable(*catalogue) : std::nullopt;
    const auto entry = catalogueText ? catalogueEntry(*catalogueText, id) : std::nullopt;
    const auto read = file && entry ? readable(*file) : std::nullopt;
    if (!read)
        return std::nullopt;
    const std::string& movie = *read;
    const std::size_t pieces = (movie.size() + PieceSize - 1) / PieceSize;
    if (m[3] != "xml") {
        const std::size_t number = std::stoul(m[3]);
        if (number < 1 || number > pieces)
            return std::nullopt;
        return Document{movie.substr((number - 1) * PieceSize, PieceSize), "application/octet-stream"};
    }
    auto field = [&](const std::string& name) {
        const auto value = entry->find(name);
        return "<" + name + ">" + (value == entry->end() ? "" : value->second) + "</" + name + ">";
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<movieinfo><id>" + id + "</id>" +
                      field("owner_name") + field("text") + field("click_url") + "<view_url>" + base_ +
                      "log/view?movie=" + id + "</view_url><length>" + std::to_string(movie.size()) +
                      "</length>" + field("term") + "<splitdata count=\"" + std::to_string(pieces) + "\">";
    for (std::size_t n = 1; n <= pieces; ++n) {
        char piece[32];
        std::snprintf(piece, sizeof piece, "%s.%03zu", id.c_str(), n);
        xml += std::string("<piece>") + piece + "</piece>";
    }
    return Document{xmlOut(xml + "</splitdata></movieinfo>\r\n"), "text/xml"};
}

} // namespace brisma::server
