#pragma once

#include "TestApp.h"

#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <string>

namespace brisma::test {

inline const std::string kData = std::string(BRISMA_TEST_DATA) + "/normal";
inline const int kChannels[] = {1, 2, 3, 5, 8, 12, 20, 33};
// The bar stores whatever the banner address answers.
inline const std::string kBannerBytes = "BM not really a bitmap";

inline std::string withBase(std::string bytes, const std::string& base) {
    for (auto at = bytes.find("{BASE}"); at != std::string::npos; at = bytes.find("{BASE}", at))
        bytes.replace(at, 6, base);
    return bytes;
}

inline std::string pad3(int n) {
    char buf[8];
    std::snprintf(buf, sizeof buf, "%03d", n);
    return buf;
}

// The logged click, the cached movies and a registered profile.
inline void prepare(TempAppFolder& home) {
    std::filesystem::copy(kData + "/cache", home.path(), std::filesystem::copy_options::recursive);
    writeProfile(home, "3.1.1");
}

// Eight selected channels with feeds, advertisement texts and banners, one channel of another
// kind, two complete cached movies and one catalogue movie not yet cached, one logged click.
class NormalStart : public ::testing::Test {
protected:
    void SetUp() override {
        for (const auto& e : std::filesystem::recursive_directory_iterator(kData + "/serve")) {
            if (!e.is_regular_file())
                continue;
            const std::string rel = std::filesystem::relative(e.path(), kData + "/serve").string();
            // The catalogue is the movie base followed by "/movie.xml".
            const std::string path = rel == "movie/movie.xml" ? "/movie//movie.xml" : "/" + rel;
            server.route(path, withBase(readTestData(kData + "/serve", rel), server.base()));
        }
        serveScript();
        server.route("/ticker_banner.bmp", kBannerBytes);
        prepare(folder);
    }

    // The server script with the bar banner and `extraEntries`.
    void serveScript(const std::string& extraEntries = {}) {
        server.route(
            "/scripts_desktop3.xml",
            scriptXml(server.base(), "<Directory><Name>ticker_banner</Name><Argument>False</Argument><Url>" +
                                         server.base() +
                                         "ticker_banner.bmp</Url><Version>-1</Version><TBId></TBId><TBText></"
                                         "TBText><TBHref></TBHref><TBView></TBView></Directory>" +
                                         extraEntries));
    }

    std::string expected(const std::string& name) {
        return withBase(readTestData(kData + "/expected", name), server.base());
    }

    TempAppFolder folder;
    TestServer server;
};

} // namespace brisma::test
