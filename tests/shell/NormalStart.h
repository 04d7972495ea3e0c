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
        serveNormal(server);
        server.route("/ticker_banner.bmp", kBannerBytes);
        prepare(folder);
    }

    // The normal routes again, the server script with `extraEntries` added.
    void serveScript(const std::string& extraEntries) { serveNormal(server, extraEntries); }

    std::string expected(const std::string& name) {
        return withBase(readTestData(kData + "/expected", name), server.base());
    }

    TempAppFolder folder;
    TestServer server;
};

} // namespace brisma::test
