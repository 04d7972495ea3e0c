// The client tests' server: the demo content on loopback, as brisma-server serves its static
// documents, with the channel list and feeds of the content folder as they are, and every request
// logged on stderr. "--port 0" takes a free port.
#include "platform/text/Cp932.h"
#include "server/content/ContentFolder.h"
#include "server/model/Clock.h"

#include <atomic>
#include <cstdio>
#include <cstring>
#include <httplib.h>
#include <iostream>
#include <string>

int main(int argc, char** argv) {
    int port = 18080;
    std::string content = "demo/content";
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--port") == 0)
            port = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--content") == 0)
            content = argv[i + 1];
    }
    brisma::text::installShiftJisAliases();
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
    const brisma::server::ContentFolder documents(content, base, brisma::server::Clock::system());
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
        const auto snapshot = documents.current();
        if (const auto* document = snapshot->find(req.path)) {
            res.set_content(document->bytes.data(), document->bytes.size(), document->type);
            return;
        }
        res.status = 404;
        res.set_content("<html><body>Not Found</body></html>", "text/html");
    });
    std::cerr << "demo server on " << base << " serving " << content << std::endl;
    return server.listen_after_bind() ? 0 : 1;
}
