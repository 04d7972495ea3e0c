#include "TestApp.h"

#include "platform/text/Cp932.h"

#include <QCoreApplication>
#include <filesystem>

namespace brisma::test {

TestApp::TestApp(TempAppFolder& folder, TestServer& server, bool qmlPlayers) {
    ApplicationConfig config;
    config.appFolder = folder.path();
    config.serverBase = server.base();
    config.messages = &messages;
    config.players = qmlPlayers ? nullptr : &players;
    config.trays = &trays;
    config.clock = &clock;
    config.httpLimits.connectTimeoutMs = 2000;
    config.httpLimits.totalTimeoutMs = 5000;
    config.httpLimits.stallTimeoutMs = 3000;
    config.httpLimits.maxBodyBytes = 4u * 1024u * 1024u;
    config.scriptRetryMs = 20;
    config.endProcess = [] {};
    app_ = std::make_unique<Application>(std::move(config));
    errors = std::make_unique<RecordingErrors>(app_->errors());
}

TestApp::~TestApp() {
    app_->services().http.flush(3000);
    app_.reset();
    // Let deferred deletions of the forms run before the next test.
    QCoreApplication::processEvents();
}

std::string scriptXml(const std::string& base, const std::string& extraEntries) {
    std::string s = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<Scripts>\r\n";
    for (const char* name : {"logclick", "logadclick", "logupdate", "logadview", "user", "channel", "adtext",
                             "banner", "prefecture", "movie"}) {
        std::string url = base + name;
        if (std::string(name) == "adtext" || std::string(name) == "banner" || std::string(name) == "movie")
            url += "/";
        if (std::string(name) == "channel" || std::string(name) == "prefecture")
            url += ".xml";
        s += "<Directory><Name>" + std::string(name) + "</Name><Argument>False</Argument><Url>" + url +
             "</Url><Version>-1</Version></Directory>\r\n";
    }
    s += extraEntries;
    s += "</Scripts>\r\n";
    return text::toCp932(s);
}

std::string withBase(std::string bytes, const std::string& base) {
    for (auto at = bytes.find("{BASE}"); at != std::string::npos; at = bytes.find("{BASE}", at))
        bytes.replace(at, 6, base);
    return bytes;
}

void serveNormal(TestServer& server, const std::string& extraEntries) {
    namespace fsys = std::filesystem;
    const std::string serve = std::string(BRISMA_NORMAL_START_DATA) + "/serve";
    for (const auto& e : fsys::recursive_directory_iterator(serve)) {
        if (!e.is_regular_file())
            continue;
        const std::string rel = fsys::relative(e.path(), serve).string();
        // The catalogue is the movie base followed by "/movie.xml".
        const std::string path = rel == "movie/movie.xml" ? "/movie//movie.xml" : "/" + rel;
        server.route(path, withBase(readTestData(serve, rel), server.base()));
    }
    server.route(
        "/scripts_desktop3.xml",
        scriptXml(server.base(), "<Directory><Name>ticker_banner</Name><Argument>False</Argument><Url>" +
                                     server.base() +
                                     "ticker_banner.bmp</Url><Version>-1</Version><TBId></TBId><TBText></"
                                     "TBText><TBHref></TBHref><TBView></TBView></Directory>" +
                                     extraEntries));
}

void writeProfile(TempAppFolder& folder, const std::string& version, const std::string& userId) {
    folder.write("/flash/xml/user.xml",
                 "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n<userdata>\r\n<id>" + userId +
                     "</id>\r\n<version>" + version +
                     "</version>\r\n<email>a@example.com</email>\r\n</userdata>\r\n\r\n");
}

namespace {

bool isReport(const std::string& target) {
    return target.rfind("/log", 0) == 0 || target.rfind("/user", 0) == 0;
}

} // namespace

std::vector<std::string> reportTargets(const TestServer& server) {
    std::vector<std::string> out;
    for (const auto& t : server.targets())
        if (isReport(t))
            out.push_back(t);
    return out;
}

std::vector<std::string> downloadTargets(const TestServer& server) {
    std::vector<std::string> out;
    for (const auto& t : server.targets())
        if (!isReport(t))
            out.push_back(t);
    return out;
}

} // namespace brisma::test
