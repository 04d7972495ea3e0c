#include "server/cli/FeedCommand.h"

#include "server/channels/ChannelDocuments.h"
#include "server/channels/HeadlineMerge.h"
#include "server/cli/CommandLine.h"
#include "server/feeds/Feed.h"
#include "server/model/Clock.h"
#include "server/model/HeadlineId.h"
#include "server/model/JapanTime.h"
#include "server/sources/SourceFetch.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QUrl>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

namespace brisma::server {
namespace {

constexpr std::size_t MaxBytes = std::size_t{15} * 1024 * 1024;

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

// The time an item is dated by, and its channel-000 headline id, given as a channel gives them.
struct Dated {
    std::int64_t time;
    std::string id;
};

std::vector<Dated> datedItems(const Feed& feed) {
    const std::int64_t now = Clock::system().nowSeconds();
    std::vector<Dated> out;
    std::map<std::string, int> given; // per minute: serials are given in order here
    for (const FeedItem& item : feed.items) {
        const std::int64_t time = publicationTime(item.date, now, now);
        std::string id = makeHeadlineId(0, time, [&given](const std::string& prefix) {
            return (given[prefix] + 1) % (MaxHeadlineSerial + 1);
        });
        ++given[id.substr(0, 15)];
        out.push_back({time, std::move(id)});
    }
    return out;
}

nlohmann::ordered_json orNull(const std::optional<std::string>& value) {
    return value ? nlohmann::ordered_json(*value) : nlohmann::ordered_json(nullptr);
}

std::string asJson(const Feed& feed, const std::vector<Dated>& dated) {
    nlohmann::ordered_json items = nlohmann::ordered_json::array();
    for (std::size_t i = 0; i < feed.items.size(); ++i) {
        const FeedItem& item = feed.items[i];
        items.push_back({{"id", dated[i].id},
                         {"title", orNull(item.title)},
                         {"link", orNull(item.link)},
                         {"date", item.date ? nlohmann::ordered_json(japan::isoTime(*item.date))
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

int runFeedCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const bool json = line.json;
    const std::string& source = line.operands.front();
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
        return Done;
    } catch (const std::exception& e) {
        err << source << ": " << e.what() << "\n";
        return Failed;
    }
}

} // namespace brisma::server
