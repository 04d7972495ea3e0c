#pragma once

#include "TestContext.h"
#include "common/UserRecord.h"
#include "news/MovieHeadlines.h"
#include "news/NewsHost.h"
#include "news/modChannel.h"
#include "platform/xml/XmlDocument.h"
#include "report/modInet.h"

#include <gtest/gtest.h>
#include <set>
#include <string>
#include <vector>

namespace brisma::test {

struct FakeHost : NewsHost {
    bool tickerOpen() const override { return open; }
    void saveSelectedChannels() override { ++saved; }
    void restartListMovie() override { ++restarted; }
    bool open = true;
    int saved = 0;
    int restarted = 0;
};

struct FakeMovies : MovieHeadlines {
    explicit FakeMovies(const ErrorReporter& errors) : list(errors, nullptr) {}
    clsBrismaNewsList& movieList() override { return list; }
    bool existMovieID(const std::string& id) override { return catalogue.count(id) > 0; }
    clsBrismaNewsList list;
    std::set<std::string> catalogue;
};

inline std::string item(const std::string& id, const std::string& title,
                        const std::string& link = "http://n/1", const std::string& credit = "Kyodo",
                        const std::string& type = "pol") {
    return "<item><brs:hlid>" + id + "</brs:hlid><credit>" + credit + "</credit><brs:type>" + type +
           "</brs:type><title>" + title + "</title><link>" + link + "</link></item>";
}

inline std::string feed(const std::string& items, const std::string& encoding = "UTF-8") {
    return "<?xml version=\"1.0\" encoding=\"" + encoding +
           "\"?><rdf:RDF xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" "
           "xmlns=\"http://purl.org/rss/1.0/\" xmlns:brs=\"http://brs/\">" +
           items + "</rdf:RDF>";
}

inline std::string channelEntry(const std::string& kind, const std::string& number, const std::string& count,
                                const std::string& hlid) {
    return "<channel kind=\"" + kind + "\"><number>" + number + "</number><name-JP>N" + number +
           "</name-JP><type-JP>T</type-JP><owner>O</owner><count>" + count + "</count><hlid>" + hlid +
           "</hlid><password>pw</password></channel>";
}

// A whole news model on a test context: channel list at /channel.xml, feeds at /feedN.xml.
struct NewsTest : ::testing::Test {
    NewsTest() {
        t.script.channel = t.server.base() + "channel.xml";
        t.script.logupdate = t.server.base() + "logupdate";
        t.script.adtext = t.server.base() + "ad/";
        t.script.banner = t.server.base() + "banner/";
    }

    std::string feedUrl(int ch) const { return t.server.base() + "feed" + std::to_string(ch) + ".xml"; }

    struct Entry {
        int number;
        int count;
        std::string kind = "news";
        bool fav = true;
    };
    // The registry read from a served channel list of these entries; the favourites marked.
    void registry(const std::vector<Entry>& entries) {
        std::string list = "<list>";
        for (const Entry& e : entries)
            list +=
                channelEntry(e.kind, std::to_string(e.number), std::to_string(e.count), feedUrl(e.number));
        t.server.route("/channel.xml", list + "</list>");
        ASSERT_EQ(mc.SetChannelListFromXML(), 0);
        for (const Entry& e : entries)
            if (e.fav)
                mc.SetFav(static_cast<int16_t>(e.number));
    }

    // Serves the channel's feed with these items and reads it.
    void fill(int number, const std::string& items) {
        t.server.route("/feed" + std::to_string(number) + ".xml", feed(items));
        mc.ReadNewsXML(static_cast<int16_t>(number));
    }

    // Requests the server saw, split into the background reports and the synchronous fetches
    // (the two interleave in any order).
    std::vector<std::string> requests(bool reports) {
        t.http.flush(2000);
        std::vector<std::string> out;
        for (const auto& target : t.server.targets())
            if ((target.rfind("/logupdate?", 0) == 0) == reports)
                out.push_back(target);
        return out;
    }

    TestContext t;
    FakeHost host;
    FakeMovies movies{t.errors};
    UserRecord user;
    modInet inet{t.errors, t.clock, t.http, t.script, user};
    modChannel mc{t.paths, t.errors, t.gate, t.http, t.script, t.serverBase, t.messages, inet, host, movies};
};

} // namespace brisma::test
