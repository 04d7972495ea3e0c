// The bundled demo server: serves the demo content on loopback so the client can run without the
// real service. Text files may name the server as {BASE}; XML files declared as Shift_JIS are
// kept as UTF-8 in the tree and served in CP932, as the real server does.
#include <httplib.h>
#include <iconv.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
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
    const std::string base = "http://127.0.0.1:" + std::to_string(port) + "/";

    httplib::Server server;
    server.Get(R"(.*)", [&](const httplib::Request& req, httplib::Response& res) {
        std::fprintf(stderr, "demo: GET %s\n", req.target.c_str());
        if (req.path.rfind("/log/", 0) == 0) {
            res.set_content("OK", "text/plain");
            return;
        }
        if (req.path == "/user") {
            res.set_content(req.get_param_value("com") == "regist" ? "DEMO0001" : "OK", "text/plain");
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
    std::cerr << "demo server on " << base << " serving " << content << "\n";
    return server.listen("127.0.0.1", port) ? 0 : 1;
}
