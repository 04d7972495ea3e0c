#include "server/config/ServerConfig.h"

#include "platform/fs/FileSystem.h"
#include "server/config/BannerImage.h"
#include "server/store/DatabaseAddress.h"
#include "server/store/StoreError.h"

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <set>
#include <system_error>
#include <toml++/toml.h>
#include <unistd.h>

namespace brisma::server {
namespace {

namespace fs = std::filesystem;

// Raises the one line an operator reads: file, line, what.
class Reader {
public:
    explicit Reader(std::string file) : file_(std::move(file)) {}

    [[noreturn]] void fail(const toml::node& at, const std::string& what) const {
        fail(at.source().begin.line, what);
    }
    [[noreturn]] void fail(std::uint32_t line, const std::string& what) const {
        throw ConfigError(file_ + ":" + std::to_string(line) + ": " + what);
    }

    // Every key of `table` must be one of `known`: a misspelt key would silently fall back.
    void onlyKnown(const toml::table& table, std::initializer_list<std::string_view> known) const {
        for (auto&& [key, node] : table)
            if (std::find(known.begin(), known.end(), key.str()) == known.end())
                fail(node, "unknown key \"" + std::string(key.str()) + "\"");
    }

    std::string text(const toml::table& table, std::string_view key, const std::string& fallback,
                     bool required = false) const {
        return value<std::string>(table, key, fallback, required, "a string");
    }

    std::int64_t integer(const toml::table& table, std::string_view key, std::int64_t fallback,
                         bool required = false) const {
        return value<std::int64_t>(table, key, fallback, required, "an integer");
    }

    template <typename T>
    T value(const toml::table& table, std::string_view key, T fallback, bool required,
            const char* kind) const {
        const toml::node* node = table.get(key);
        if (!node) {
            if (required)
                fail(table, "missing key \"" + std::string(key) + "\"");
            return fallback;
        }
        if (!node->is<T>())
            fail(*node, "\"" + std::string(key) + "\" must be " + kind);
        return *node->value<T>();
    }

    std::chrono::seconds duration(const toml::table& table, std::string_view key,
                                  std::chrono::seconds fallback) const {
        const std::string value = text(table, key, "");
        if (value.empty() && !table.get(key))
            return fallback;
        std::chrono::seconds out{};
        if (!parseDuration(value, out) || out.count() == 0)
            fail(*table.get(key), "bad duration \"" + value + "\" for \"" + std::string(key) +
                                      "\" (a number and s, m, h or d, as in \"5m\")");
        return out;
    }

    const std::string& file() const { return file_; }

private:
    std::string file_;
};

fs::path against(const fs::path& folder, const std::string& path) {
    const fs::path p(path);
    return (p.is_absolute() ? p : folder / p).lexically_normal();
}

// A path the system cannot look up (a name too long, a loop of links) names no file.
bool isRegularFile(const fs::path& path) {
    std::error_code error;
    return fs::is_regular_file(path, error);
}

bool isWebAddress(const std::string& source) {
    return source.starts_with("http://") || source.starts_with("https://");
}

void readListen(const Reader& r, const toml::table& server, ServerConfig& config) {
    const std::string listen = r.text(server, "listen", "127.0.0.1:18080");
    const auto colon = listen.rfind(':');
    const auto fail = [&] {
        r.fail(*server.get("listen"), "bad listen address \"" + listen + "\" (address:port)");
    };
    if (colon == std::string::npos || colon == 0 || colon + 1 == listen.size())
        fail();
    std::string host = listen.substr(0, colon);
    if (host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    const std::string port = listen.substr(colon + 1);
    if (!std::all_of(port.begin(), port.end(), [](unsigned char c) { return std::isdigit(c); }) ||
        port.size() > 5 || std::stoi(port) > 65535)
        fail();
    config.listenHost = host;
    config.listenPort = std::stoi(port);
}

ChannelConfig readChannel(const Reader& r, const toml::table& table, const fs::path& folder,
                          const std::string& base) {
    r.onlyKnown(table, {"number", "name", "genre", "owner", "count", "type", "sources"});
    ChannelConfig channel;
    ChannelEntry& e = channel.entry;
    const std::int64_t number = r.integer(table, "number", 0, true);
    if (number < 1 || number > 899)
        r.fail(*table.get("number"), "channel number " + std::to_string(number) + " out of range (1 to 899)");
    e.number = static_cast<int>(number);
    e.name = r.text(table, "name", "", true);
    if (e.name.empty())
        r.fail(*table.get("name"), "channel " + std::to_string(number) + " has an empty name");
    e.genre = r.text(table, "genre", "");
    e.owner = r.text(table, "owner", "");
    const std::int64_t count = r.integer(table, "count", 10);
    if (count < 1 || count > 100)
        r.fail(*table.get("count"), "count " + std::to_string(count) + " out of range (1 to 100)");
    e.count = static_cast<int>(count);
    e.type = r.text(table, "type", "all");
    if (e.type.empty() || e.type.size() > 8 ||
        !std::all_of(e.type.begin(), e.type.end(), [](unsigned char c) { return std::isalnum(c); }))
        r.fail(*table.get("type"), "bad type \"" + e.type + "\" (a category code such as \"all\")");
    e.base = base;
    e.feedAddress = base + ServerConfig::feedPath(e.number).substr(1);

    const toml::node* sources = table.get("sources");
    if (!sources || !sources->is_array() || sources->as_array()->empty())
        r.fail(sources ? *sources : static_cast<const toml::node&>(table),
               "channel " + std::to_string(number) + " has no source");
    for (const toml::node& s : *sources->as_array()) {
        if (!s.is_string() || s.as_string()->get().empty())
            r.fail(s, "a source must be an address or a file name");
        const std::string source = s.as_string()->get();
        if (source.find("://") != std::string::npos) {
            if (!isWebAddress(source))
                r.fail(s, "source \"" + source + "\" is neither http nor https");
            channel.sources.push_back(source);
            continue;
        }
        const fs::path file = against(folder, source);
        if (!isRegularFile(file) || access(file.c_str(), R_OK) != 0)
            r.fail(s, "unreadable source file \"" + file.string() + "\"");
        channel.sources.push_back(file.string());
    }
    return channel;
}

// A TOML date-time (or date, at its midnight) as milliseconds; without an offset it is Japan time.
std::int64_t momentOf(const Reader& r, const toml::table& table, std::string_view key) {
    const toml::node* node = table.get(key);
    if (!node)
        r.fail(table, "missing key \"" + std::string(key) + "\"");
    toml::date date;
    toml::time time{};
    std::int64_t offsetMinutes = 9 * 60;
    if (const auto* at = node->as_date_time()) {
        date = at->get().date;
        time = at->get().time;
        if (at->get().offset)
            offsetMinutes = at->get().offset->minutes;
    } else if (const auto* day = node->as_date()) {
        date = day->get();
    } else {
        r.fail(*node, "\"" + std::string(key) + "\" must be a date-time, as in 2027-04-01T00:00:00");
    }
    const std::chrono::sys_days days{std::chrono::year{date.year} / date.month / date.day};
    return ((days.time_since_epoch().count() * 86400LL + time.hour * 3600LL + time.minute * 60LL +
             time.second - offsetMinutes * 60) *
            1000) +
           time.nanosecond / 1'000'000;
}

std::optional<std::int64_t> cap(const Reader& r, const toml::table& table, std::string_view key) {
    if (!table.get(key))
        return std::nullopt;
    const std::int64_t value = r.integer(table, key, 0);
    if (value < 1)
        r.fail(*table.get(key), "\"" + std::string(key) + "\" must be a positive number");
    return value;
}

Campaign readCampaign(const Reader& r, const toml::table& table, const fs::path& folder,
                      const std::set<int>& channelNumbers) {
    Campaign c;
    c.id = r.text(table, "id", "", true);
    if (c.id.empty() || c.id.size() > 64 || !std::all_of(c.id.begin(), c.id.end(), [](unsigned char ch) {
            return std::isalnum(ch) || ch == '-';
        }))
        r.fail(*table.get("id"), "bad campaign id \"" + c.id + "\" (letters, digits and \"-\")");
    const std::string kind = r.text(table, "kind", "", true);
    if (kind == "text") {
        c.kind = CampaignKind::Text;
        r.onlyKnown(table, {"id", "advertiser", "kind", "start", "end", "weight", "channels",
                            "daily_impressions", "clicks", "name", "text", "url"});
    } else if (kind == "banner") {
        c.kind = CampaignKind::Banner;
        r.onlyKnown(table, {"id", "advertiser", "kind", "start", "end", "weight", "daily_impressions",
                            "clicks", "image", "text", "url"});
    } else if (kind == "movie") {
        c.kind = CampaignKind::Movie;
        r.onlyKnown(table, {"id", "advertiser", "kind", "start", "end", "weight", "daily_impressions",
                            "clicks", "movie", "title", "url"});
    } else {
        r.fail(*table.get("kind"), "campaign kind \"" + kind + "\" is none of text, banner, movie");
    }
    c.advertiser = r.text(table, "advertiser", "", true);
    c.startMs = momentOf(r, table, "start");
    c.endMs = momentOf(r, table, "end");
    if (c.endMs <= c.startMs)
        r.fail(*table.get("end"), "campaign " + c.id + " ends before it starts");
    const std::int64_t weight = r.integer(table, "weight", 1);
    if (weight < 1 || weight > 1000000)
        r.fail(*table.get("weight"), "weight must be a positive number up to 1000000");
    c.weight = static_cast<int>(weight);
    c.dailyImpressions = cap(r, table, "daily_impressions");
    c.clicks = cap(r, table, "clicks");
    if (const toml::node* channels = table.get("channels")) {
        const toml::array* list = channels->as_array();
        if (!list || list->empty())
            r.fail(*channels, "channels must be a list of channel numbers");
        for (const toml::node& n : *list) {
            if (!n.is_integer() || !channelNumbers.contains(static_cast<int>(*n.value<std::int64_t>())))
                r.fail(n, "channels names no configured channel");
            c.channels.push_back(static_cast<int>(*n.value<std::int64_t>()));
        }
    }
    const auto file = [&](std::string_view key) {
        const fs::path path = against(folder, r.text(table, key, "", true));
        if (!fs::is_regular_file(path) || access(path.c_str(), R_OK) != 0)
            r.fail(*table.get(key), "unreadable " + std::string(key) + " file \"" + path.string() + "\"");
        return path.string();
    };
    const auto required = [&](std::string_view key) {
        std::string value = r.text(table, key, "", true);
        if (value.empty())
            r.fail(*table.get(key), "\"" + std::string(key) + "\" is empty");
        return value;
    };
    c.url = required("url");
    if (c.kind == CampaignKind::Text)
        c.name = required("name");
    try {
        if (c.kind == CampaignKind::Movie) {
            c.text = required("title");
            c.file = file("movie");
            c.content = std::make_shared<const std::string>(brisma::fs::readFile(c.file));
        } else {
            c.text = required("text");
        }
        if (c.kind == CampaignKind::Banner) {
            c.file = file("image");
            c.content = std::make_shared<const std::string>(bannerBitmap(c.file));
        }
    } catch (const ConfigError&) {
        throw;
    } catch (const std::exception& e) {
        r.fail(*table.get(c.kind == CampaignKind::Movie ? "movie" : "image"), e.what());
    }
    return c;
}

void readCampaigns(const Reader& r, const toml::table& root, const fs::path& folder,
                   const std::set<int>& channelNumbers, ServerConfig& config) {
    if (const toml::node* campaigns = root.get("campaign")) {
        if (!campaigns->is_array_of_tables())
            r.fail(*campaigns, "campaign must be tables: [[campaign]]");
        std::set<std::string> ids;
        for (const toml::node& node : *campaigns->as_array()) {
            Campaign campaign = readCampaign(r, *node.as_table(), folder, channelNumbers);
            if (!ids.insert(campaign.id).second)
                r.fail(*node.as_table()->get("id"), "duplicate campaign id \"" + campaign.id + "\"");
            config.campaigns.push_back(std::move(campaign));
        }
    }
    const toml::node* adsNode = root.get("ads");
    if (adsNode && !adsNode->is_table())
        r.fail(*adsNode, "ads must be a table: [ads]");
    if (!config.books(CampaignKind::Text)) {
        if (adsNode)
            r.onlyKnown(*adsNode->as_table(), {"house_name", "house_text", "house_url"});
        return;
    }
    if (!adsNode)
        r.fail(*root.get("campaign"), "a text campaign is booked, so [ads] must give the house text");
    const toml::table& ads = *adsNode->as_table();
    r.onlyKnown(ads, {"house_name", "house_text", "house_url"});
    for (auto [key, field] :
         {std::pair{"house_name", &HouseText::name}, std::pair{"house_text", &HouseText::text},
          std::pair{"house_url", &HouseText::url}}) {
        config.house.*field = r.text(ads, key, "", true);
        if ((config.house.*field).empty())
            r.fail(*ads.get(key), "\"" + std::string(key) + "\" is empty");
    }
}

} // namespace

std::string ServerConfig::feedPath(int channel) {
    char name[32];
    std::snprintf(name, sizeof name, "/feeds/%03d.xml", channel);
    return name;
}

bool parseDuration(const std::string& text, std::chrono::seconds& out) {
    // Beyond a century a schedule or a report period means nothing, and times derived from it
    // would overflow the clock.
    constexpr long long century = 100LL * 366 * 24 * 3600;
    long long total = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        std::size_t digits = at;
        while (digits < text.size() && std::isdigit(static_cast<unsigned char>(text[digits])))
            ++digits;
        if (digits == at || digits == text.size() || digits - at > 9)
            return false;
        const long long value = std::stoll(text.substr(at, digits - at));
        switch (text[digits]) {
        case 's':
            total += value;
            break;
        case 'm':
            total += value * 60;
            break;
        case 'h':
            total += value * 3600;
            break;
        case 'd':
            total += value * 86400;
            break;
        default:
            return false;
        }
        if (total > century)
            return false;
        at = digits + 1;
    }
    if (text.empty())
        return false;
    out = std::chrono::seconds(total);
    return true;
}

ServerConfig loadConfig(const std::string& file) {
    const Reader r(file);
    std::ifstream in(file, std::ios::binary);
    if (!in)
        throw ConfigError(file + ":0: cannot read the file");
    toml::table root;
    try {
        root = toml::parse(in, file);
    } catch (const toml::parse_error& e) {
        r.fail(e.source().begin.line, std::string(e.description()));
    }
    r.onlyKnown(root, {"server", "channel", "campaign", "ads"});
    const toml::node* serverNode = root.get("server");
    if (!serverNode || !serverNode->is_table())
        r.fail(1, "missing table [server]");
    const toml::table& server = *serverNode->as_table();
    r.onlyKnown(server,
                {"listen", "base", "data", "content", "min_interval", "max_interval", "contact", "database",
                 "keep_days", "keep_users", "admin_token", "admin_loopback", "registrations_per_hour",
                 "reports_per_minute", "trusted_proxies", "log_format", "fetch_workers"});

    const fs::path folder = fs::absolute(fs::path(file)).parent_path();
    ServerConfig config;
    config.file = file;
    readListen(r, server, config);
    // With port 0 the address is known only once bound: the script would name a wrong one.
    if (config.listenPort == 0 && !server.get("base"))
        r.fail(*server.get("listen"), "listen names port 0, so base must be given");
    config.base =
        r.text(server, "base", "http://" + server["listen"].value_or(std::string("127.0.0.1:18080")) + "/");
    if (!isWebAddress(config.base) || !config.base.ends_with('/'))
        r.fail(*server.get("base"), "base must be an http or https address ending with \"/\"");
    config.dataFolder = against(folder, r.text(server, "data", "var")).string();
    config.contentFolder = against(folder, r.text(server, "content", BRISMA_SERVER_CONTENT_DEFAULT)).string();
    if (!isRegularFile(fs::path(config.contentFolder) / "scripts_desktop3.xml"))
        r.fail(server.get("content") ? *server.get("content") : static_cast<const toml::node&>(server),
               "content folder \"" + config.contentFolder + "\" holds no scripts_desktop3.xml");
    config.minInterval = r.duration(server, "min_interval", config.minInterval);
    config.maxInterval = r.duration(server, "max_interval", config.maxInterval);
    if (config.maxInterval < config.minInterval)
        r.fail(*server.get(server.get("max_interval") ? "max_interval" : "min_interval"),
               "max_interval is shorter than min_interval");
    config.contact = r.text(server, "contact", "");
    config.database = r.text(server, "database", "");
    try {
        DatabaseAddress::fromSetting(config.database, config.dataFolder);
    } catch (const StoreError& e) {
        r.fail(*server.get("database"), e.what());
    }
    config.adminToken = r.text(server, "admin_token", "");
    // The token is all that guards the operator's page from the whole network.
    if (server.get("admin_token") && config.adminToken.size() < 16)
        r.fail(*server.get("admin_token"), "admin_token is shorter than 16 characters");
    if (const toml::node* loopback = server.get("admin_loopback"); loopback && !loopback->is_boolean())
        r.fail(*loopback, "\"admin_loopback\" must be true or false");
    config.adminLoopback = server["admin_loopback"].value_or(false);
    if (config.contact.find_first_of("()\r\n") != std::string::npos)
        r.fail(*server.get("contact"), "contact may not hold parentheses or line breaks");
    const std::int64_t workers = r.integer(server, "fetch_workers", config.fetchWorkers);
    if (workers < 1 || workers > 64)
        r.fail(*server.get("fetch_workers"), "fetch_workers must be a number of threads from 1 to 64");
    config.fetchWorkers = static_cast<int>(workers);
    const std::int64_t keepDays = r.integer(server, "keep_days", 0);
    if (keepDays < 0 || keepDays > 36500)
        r.fail(*server.get("keep_days"), "keep_days must be a number of days from 1 to 36500, or 0 to keep");
    config.keepDays = static_cast<int>(keepDays);
    const auto perWindow = [&](std::string_view key, std::int64_t fallback) {
        const std::int64_t value = r.integer(server, key, fallback);
        if (value < 1 || value > 1'000'000'000)
            r.fail(*server.get(key), std::string(key) + " must be a number from 1 to 1000000000");
        return static_cast<unsigned>(value);
    };
    config.registrationsPerHour = perWindow("registrations_per_hour", config.registrationsPerHour);
    config.reportsPerMinute = perWindow("reports_per_minute", config.reportsPerMinute);
    if (const toml::node* proxies = server.get("trusted_proxies")) {
        const toml::array* list = proxies->as_array();
        if (!list)
            r.fail(*proxies, "trusted_proxies must be a list of addresses or CIDR ranges");
        for (const toml::node& proxy : *list) {
            const std::optional<AddressRange> range =
                proxy.is_string() ? AddressRange::parse(proxy.as_string()->get()) : std::nullopt;
            if (!range)
                r.fail(proxy, "trusted_proxies: not an address or CIDR range (\"192.0.2.1\", \"10.0.0.0/8\", "
                              "\"2001:db8::/32\")");
            config.trustedProxies.push_back(*range);
        }
    }
    const std::string logFormat = r.text(server, "log_format", "text");
    if (logFormat != "text" && logFormat != "json")
        r.fail(*server.get("log_format"), "log_format must be \"text\" or \"json\"");
    config.logFormat = logFormat == "json" ? Log::Format::Json : Log::Format::Text;
    if (const toml::node* users = server.get("keep_users")) {
        const toml::array* list = users->as_array();
        if (!list)
            r.fail(*users, "keep_users must be a list of user ids");
        for (const toml::node& user : *list) {
            if (!user.is_string() || user.as_string()->get().empty())
                r.fail(user, "keep_users must be a list of user ids");
            config.keepUsers.push_back(user.as_string()->get());
        }
    }

    const toml::node* channels = root.get("channel");
    if (!channels || !channels->is_array_of_tables() || channels->as_array()->empty())
        r.fail(channels ? *channels : static_cast<const toml::node&>(root), "no [[channel]]");
    std::set<int> numbers;
    for (const toml::node& node : *channels->as_array()) {
        ChannelConfig channel = readChannel(r, *node.as_table(), folder, config.base);
        if (!numbers.insert(channel.entry.number).second)
            r.fail(*node.as_table()->get("number"),
                   "duplicate channel number " + std::to_string(channel.entry.number));
        const bool web = std::any_of(channel.sources.begin(), channel.sources.end(), isWebAddress);
        if (web && config.contact.empty())
            r.fail(server, "contact is required when a source is an address: it goes into the User-Agent");
        config.channels.push_back(std::move(channel));
    }
    readCampaigns(r, root, folder, numbers, config);
    return config;
}

std::map<std::string, std::vector<int>> ServerConfig::channelsOfSources() const {
    std::map<std::string, std::vector<int>> channelsOf;
    for (const ChannelConfig& channel : channels)
        for (const std::string& source : channel.sources)
            channelsOf[source].push_back(channel.entry.number);
    return channelsOf;
}

bool ServerConfig::books(CampaignKind kind) const {
    return std::any_of(campaigns.begin(), campaigns.end(),
                       [kind](const Campaign& c) { return c.kind == kind; });
}

} // namespace brisma::server
