// The bundled demo server: serves the demo content on loopback so the client can run without the
// real service. Text files may name the server as {BASE}; XML files declared as Shift_JIS are
// kept as UTF-8 in the tree and served in CP932, as the real server does. Movie advertisements
// are one QML file each (movies/<id>.qml, listed in movies/movie.xml): their descriptions and
// their pieces are made from it on every request. "--port 0" takes a free port.
#include <atomic>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <httplib.h>
#include <iconv.h>
#include <iostream>
#include <map>
#include <optional>
#include <regex>
#include <sstream>
#include <string>

namespace {

std::string readAll(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::string toCp932(const std::string& utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return utf8;
    std::string out(utf8.size() * 2 + 16, '\0');
    char* in = const_cast<char*>(utf8.data());
    std::size_t inLeft = utf8.size();
    char* o = out.data();
    std::size_t outLeft = out.size();
    while (inLeft > 0 && iconv(cd, &in, &inLeft, &o, &outLeft) == static_cast<std::size_t>(-1)) {
        // Skip what CP932 cannot hold.
        if (outLeft == 0)
            break;
        *o++ = '?';
        --outLeft;
        ++in;
        --inLeft;
        while (inLeft > 0 && (static_cast<unsigned char>(*in) & 0xC0) == 0x80)
            ++in, --inLeft;
    }
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

void replaceAll(std::string& s, const std::string& from, const std::string& to) {
    for (std::size_t at = s.find(from); at != std::string::npos; at = s.find(from, at + to.size()))
        s.replace(at, from.size(), to);
}

bool safeRelative(const std::string& path) {
    return path.find("..") == std::string::npos && path.find('\0') == std::string::npos;
}

// The client joins pieces of exactly this size; only the last is shorter.
constexpr std::size_t PieceSize = 131072;

std::string pieceName(const std::string& id, std::size_t number) {
    char suffix[16];
    std::snprintf(suffix, sizeof suffix, ".%03zu", number);
    return id + suffix;
}

// The attributes of the catalogue entry of `id` (values as written, entities kept); none when
// the catalogue does not list it.
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

// "/movies/<id>/<id>.xml": the description built from the catalogue entry and the movie file;
// "/movies/<id>/<id>.NNN": piece NNN of the file. The description is UTF-8 text. None for any
// other address.
std::optional<std::string> movieDocument(const std::filesystem::path& content, const std::string& path,
                                         const std::string& base) {
    static const std::regex address(R"(/movies/(\w+)/(\w+)\.(xml|\d{3}))");
    std::smatch m;
    if (!std::regex_match(path, m, address) || m[1] != m[2])
        return std::nullopt;
    const std::string id = m[1];
    const std::filesystem::path file = content / "movies" / (id + ".qml");
    const auto entry = catalogueEntry(readAll(content / "movies" / "movie.xml"), id);
    if (!entry || !std::filesystem::is_regular_file(file))
        return std::nullopt;
    const std::string movie = readAll(file);
    const std::size_t pieces = (movie.size() + PieceSize - 1) / PieceSize;
    if (m[3] != "xml") {
        const std::size_t number = std::stoul(m[3]);
        if (number < 1 || number > pieces)
            return std::nullopt;
        return movie.substr((number - 1) * PieceSize, PieceSize);
    }
    auto field = [&](const std::string& name) {
        const auto value = entry->find(name);
        return "<" + name + ">" + (value == entry->end() ? "" : value->second) + "</" + name + ">";
    };
    std::string xml = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<movieinfo><id>" + id + "</id>" +
                      field("owner_name") + field("text") + field("click_url") + "<view_url>" + base +
                      "log/view?movie=" + id + "</view_url><length>" + std::to_string(movie.size()) +
                      "</length>" + field("term") + "<splitdata count=\"" + std::to_string(pieces) + "\">";
    for (std::size_t n = 1; n <= pieces; ++n)
        xml += "<piece>" + pieceName(id, n) + "</piece>";
    return xml + "</splitdata></movieinfo>\r\n";
}

} // namespace

int main(int argc, char** argv) {
    int port = 18080;
    std::filesystem::path content = "demo/content";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--content") == 0)
            content = argv[i + 1];
    }
    httplib::Server server;
    if (port == 0)
        port = server.bind_to_any_port("127.0.0.1");
    else if (!server.bind_to_port("127.0.0.1", port))
        port = 0;
    if (port <= 0) {
        std::cerr << "demo server: cannot listen on 127.0.0.1\n";
        return 1;
    }
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";
    // Every registration gets a user id of its own; the seeded user is DEMO0001.
    std::atomic<int> lastUser = 1000;

    server.Get(R"(.*)", [&](const httplib::Request& req, httplib::Response& res) {
        std::fprintf(stderr, "demo: GET %s\n", req.target.c_str());
        if (req.path.rfind("/log/", 0) == 0) {
            res.set_content("OK", "text/plain");
            return;
        }
        if (req.path == "/user") {
            res.set_content(req.get_param_value("com") == "regist" ? "DEMO" + std::to_string(++lastUser)
                                                                   : "OK",
                            "text/plain");
            return;
        }
        if (const auto movie = movieDocument(content, req.path, base)) {
            if (req.path.ends_with(".xml"))
                res.set_content(toCp932(*movie), "text/xml");
            else
                res.set_content(*movie, "application/octet-stream");
            return;
        }
        const std::string relative = req.path.substr(1);
        const std::filesystem::path file = content / relative;
        if (!safeRelative(relative) || !std::filesystem::is_regular_file(file)) {
            res.status = 404;
            res.set_content("<html><body>Not Found</body></html>", "text/html");
            return;
        }
        std::string body = readAll(file);
        const std::string ext = file.extension().string();
        if (ext == ".xml") {
            replaceAll(body, "{BASE}", base);
            if (body.find("encoding=\"Shift_JIS\"") != std::string::npos)
                body = toCp932(body);
            res.set_content(body, "text/xml");
        } else {
            res.set_content(body, "application/octet-stream");
        }
    });
    std::cerr << "demo server on " << base << " serving " << content << std::endl;
    return server.listen_after_bind() ? 0 : 1;
}
