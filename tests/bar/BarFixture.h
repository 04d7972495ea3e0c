#pragma once

#include "TestApp.h"
#include "bar/frmTicker.h"
#include "news/modChannel.h"
#include "shell/frmMain.h"
#include "shell/modApp.h"
#include "userdata/modUserData.h"

#include <QAction>
#include <QBuffer>
#include <QImage>
#include <QScreen>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace brisma::test {

// One headline of the merged list.
struct Headline {
    std::string id;
    std::string text;
    std::string type = "all";
    std::string url = "http://news.example/a";
    bool clicked = false;
};

// A banner bitmap whose rows are told apart by their colour.
inline std::string bannerBmp() {
    QImage image(130, 24, QImage::Format_RGB32);
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            image.setPixel(x, y, qRgb(10 * y, 255 - 10 * y, x));
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "BMP");
    return bytes.toStdString();
}

// The whole application on a temporary folder with the bar loaded, a loopback server for the
// reports and the banner, and a merged list the test fills.
class BarTest : public ::testing::Test {
protected:
    void SetUp() override {
        server.route("/ticker_banner.bmp", bannerBmp());
        t = std::make_unique<TestApp>(folder, server, qmlPlayers);
        Application& app = t->app();
        app.app().ConfigureFolder();
        ScriptValues& s = app.script();
        for (auto [value, name] : {std::pair{&s.logclick, "logclick"},
                                   {&s.logadclick, "logadclick"},
                                   {&s.logadview, "logadview"},
                                   {&s.logupdate, "logupdate"}})
            *value = server.base() + name;
        s.tickerBannerUrl = server.base() + "ticker_banner.bmp";
        folder.write("/flash/xml/user.xml", "<userdata><id>U001</id></userdata>");
        app.userData().loadUserDataXML();
        app.userData().sizeLogLists(100, 20);
        bar = &app.ticker();
    }

    void TearDown() override { t.reset(); }

    void setList(const std::vector<Headline>& headlines) {
        Application& app = t->app();
        auto list = std::make_shared<clsBrismaNewsList>(app.errors(), nullptr);
        list->init(static_cast<int16_t>(headlines.size()));
        clsBrismaNews news(app.errors());
        for (std::size_t i = 0; i < headlines.size(); ++i) {
            news.init();
            news.strID = headlines[i].id;
            news.strNewsText = headlines[i].text;
            news.strContName = "C";
            news.strNewsType = headlines[i].type;
            news.strNewsUrl = headlines[i].url;
            news.blnClicked = headlines[i].clicked;
            if (headlines[i].type == "mov") {
                news.strMovieId = headlines[i].id.substr(11);
                news.strViewURL = server.base() + "logview?m=" + news.strMovieId;
            }
            list->CopyFrom(news, static_cast<int16_t>(i));
        }
        app.channels().objNewsList = list;
    }

    // Steps the strip until a record arrives in slot 0 (at most `limit` steps); its id.
    std::string nextArrival(int limit = 5000) {
        for (int i = 0; i < limit; ++i) {
            const int16_t before = bar->slots().intSlotX[0];
            bar->ScrollBar2();
            if (bar->slots().intSlotX[0] != before - 1)
                return bar->slots().udtSlotNews[0].strID;
        }
        return "(none)";
    }

    // Report targets the server saw, once every queued report has gone out.
    std::vector<std::string> reports() {
        t->app().services().http.flush(3000);
        return reportTargets(server);
    }

    // The real QML players instead of the recording ones.
    bool qmlPlayers = false;
    TempAppFolder folder;
    TestServer server;
    std::unique_ptr<TestApp> t;
    frmTicker* bar = nullptr;
};

} // namespace brisma::test
