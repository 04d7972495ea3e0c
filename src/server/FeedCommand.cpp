#include "server/FeedCommand.h"

#include "server/channels/ChannelDocuments.h"
#include "server/channels/HeadlineMerge.h"
#include "server/feeds/Feed.h"
#include "server/feeds/FeedDate.h"
#include "server/sources/SourceFetch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>
#include <chrono>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

namespace brisma::server {
namespace {

constexpr std::size_t MaxBytes = std::size_t{15} * 1024 * 1024;
constexpr int MaxSerial = 9999;

struct Source {
    std::string body;
    std::string charset;
    std::string address;
};

// As the server fetches a source, with no validators and no contact in the User-Agent.
Source fetch(const std::string& address) {
    // The HTTP layer runs Qt's event loop, which wants an application object.
    static int argc = 1;
    static char name[] = "brisma-server";
    static char* argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv); // lives as long as the process
    SourceState source;
    source.address = address;
    FetchResult fetched = fetchSource(source, userAgent(""));
    if (fetched.kind != FetchResult::Kind::Fresh)
        throw std::runtime_error(fetched.error);
    return {std::move(fetched.body), fetched.charset, fetched.finalAddress};
}

Source readFile(const std::string& path) {
    std::ifstream file(path, std::ios::binary | std::ios::ate);
    if (!file)
        throw std::runtime_error("Cannot read " + path);
    const std::streamoff size = file.tellg();
    if (size < 0)
        throw std::runtime_error("Cannot read " + path);
    if (static_cast<std::size_t>(size) > MaxBytes)
        throw std::runtime_error("Larger than " + std::to_string(MaxBytes) + " bytes: " + path);
    std::string body(static_cast<std::size_t>(size), '\0');
    file.seekg(0);
    if (!file.read(body.data(), size))
        throw std::runtime_error("Cannot read " + path);
    const QString absolute = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    return {std::move(body), {}, QUrl::fromLocalFile(absolute).toString(QUrl::FullyEncoded).toStdString()};
}

// The time an item is dated by, and its channel-000 headline id: the serial counts the items of
// one minute in source order.
struct Dated {
    std::int64_t time;
    std::string id;
};

std::vector<Dated> datedItems(const Feed& feed) {
    const std::int64_t now =
        std::chrono::duration_cast<std::chrono::seconds>(std::chrono::system_clock::now().time_since_epoch())
            .count();
    std::vector<Dated> out;
    std::map<std::int64_t, int> perMinute;
    for (const FeedItem& item : feed.items) {
        const std::int64_t time = publicationTime(item.date, now, now);
        std::int64_t minute = time / 60;
        while (perMinute[minute] == MaxSerial) // a full minute lends the id the next one
            ++minute;
        out.push_back({time, headlineId(0, minute * 60, ++perMinute[minute])});
    }
    return out;
}

nlohmann::ordered_json orNull(const std::optional<std::string>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

// ISO 8601 in Japan time.
std::string japanTime(std::int64_t epochSeconds) {
    const std::string id = headlineId(0, epochSeconds, 0); // 000YYYYMMDDhhmm0000
    const std::int64_t second = ((epochSeconds % 60) + 60) % 60;
    char out[40];
    std::snprintf(out, sizeof out, "%.4s-%.2s-%.2sT%.2s:%.2s:%02lld+09:00", id.c_str() + 3, id.c_str() + 7,
                  id.c_str() + 9, id.c_str() + 11, id.c_str() + 13, static_cast<long long>(second));
    return out;
}

std::string asJson(const Feed& feed, const std::vector<Dated>& dated) {
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < feed.items.size(); ++i) {
        const FeedItem& item = feed.items[i];
        items.push_back({{"id", dated[i].id},
                         {"title", orNull(item.title)},
                         {"link", orNull(item.link)},
                         {"date", item.date ? nlohmann::ordered_json(japanTime(*item.date))
                                            : nlohmann::ordered_json(nullptr)},
                         {"type", "oth"}});
    }
    const nlohmann::ordered_json out{
        {"title", orNull(feed.title)}, {"link", orNull(feed.link)}, {"items", std::move(items)}};
    return out.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

// As a channel would serve it: the items with a title and a link, newest first.
std::string asChannelFeed(const Feed& feed, const std::vector<Dated>& dated, const std::string& address,
                          std::vector<std::string>& notices) {
    std::vector<SourcedHeadline> headlines;
    for (std::size_t i = 0; i < feed.items.size(); ++i) {
        const FeedItem& item = feed.items[i];
        if (item.title && item.link)
            headlines.push_back({item.key, dated[i].time, {dated[i].id, *item.title, *item.link}});
    }
    if (const std::size_t skipped = feed.items.size() - headlines.size())
        notices.push_back(std::to_string(skipped) + " items without a title or a usable link left out");
    ChannelEntry channel;
    channel.name = channel.owner = feed.title.value_or("");
    channel.type = "oth";
    channel.feedAddress = address;
    const int count = static_cast<int>(headlines.size());
    return channelFeedDocument(channel, mergedHeadlines(std::move(headlines), count));
}

} // namespace

int runFeedCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
    const bool json = !args.empty() && args[0] == "--json";
    if (args.size() != (json ? 2u : 1u)) {
        err << "usage: brisma-server feed [--json] SOURCE\n";
        return 1;
    }
    const std::string& source = args.back();
    try {
        const bool web = source.starts_with("http://") || source.starts_with("https://");
        const Source input = web ? fetch(source) : readFile(source);
        std::vector<std::string> notices;
        const Feed feed = readFeed({input.body, input.charset, input.address}, notices);
        const std::vector<Dated> dated = datedItems(feed);
        const std::string document =
            json ? asJson(feed, dated) : asChannelFeed(feed, dated, input.address, notices);
        for (const std::string& notice : notices)
            err << source << ": " << notice << "\n";
        out << document;
        out.flush();
        return 0;
    } catch (const std::exception& e) {
        err << source << ": " << e.what() << "\n";
        return 1;
    }
}

} // namespace brisma::server
