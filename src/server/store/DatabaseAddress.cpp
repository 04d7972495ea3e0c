#include "server/store/DatabaseAddress.h"

#include "server/model/Query.h"
#include "server/store/StoreError.h"

#include <algorithm>
#include <array>
#include <set>

namespace brisma::server {
namespace {

constexpr std::array<std::string_view, 6> kSslModes{"disable", "allow",     "prefer",
                                                    "require", "verify-ca", "verify-full"};
constexpr std::array<std::string_view, 6> kSessionAttrs{"any",     "read-write", "read-only",
                                                        "primary", "standby",    "prefer-standby"};
constexpr std::array<std::string_view, 4> kFreeText{"application_name", "sslrootcert", "sslcert", "sslkey"};

[[noreturn]] void refuse(const std::string& what) {
    throw StoreError("database: " + what);
}

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> items;
    for (std::size_t start = 0;;) {
        const std::size_t end = text.find(separator, start);
        items.push_back(text.substr(start, end - start));
        if (end == std::string_view::npos)
            return items;
        start = end + 1;
    }
}

// The percent-decoded text of `name`'s part. A control character would end or split the string
// libpq reads; the QPSQL driver turns every ";" of its options into a space, so where the part goes
// into the options (`inOptions`), a ";" is refused rather than changed.
std::string part(const std::string& name, std::string_view raw, bool inOptions) {
    std::string text;
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '%') {
            text += raw[i];
            continue;
        }
        const int high = i + 2 < raw.size() ? hexValue(raw[i + 1]) : -1;
        const int low = high >= 0 ? hexValue(raw[i + 2]) : -1;
        if (low < 0)
            refuse("\"" + name + "\" holds a \"%\" without two hex digits");
        text += static_cast<char>(high * 16 + low);
        i += 2;
    }
    if (std::any_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x20; }))
        refuse("\"" + name + "\" holds a control character");
    if (inOptions && text.find(';') != std::string::npos)
        refuse("\"" + name + "\" may not hold \";\"");
    return text;
}

int port(std::string_view text) {
    int value = 0;
    for (const char c : text)
        value = c >= '0' && c <= '9' && value <= 65535 ? value * 10 + (c - '0') : 65536;
    if (text.empty() || value == 0 || value > 65535)
        refuse("the port \"" + std::string(text) + "\" is not a number from 1 to 65535");
    return value;
}

template <std::size_t N>
void oneOf(const std::string& key, const std::string& value, const std::array<std::string_view, N>& values) {
    if (std::find(values.begin(), values.end(), value) != values.end())
        return;
    std::string list;
    for (const std::string_view v : values)
        list += (list.empty() ? "" : ", ") + std::string(v);
    refuse(key + " \"" + value + "\" is none of " + list);
}

void checkParameter(const std::string& key, const std::string& value) {
    if (key == "sslmode")
        oneOf(key, value, kSslModes);
    else if (key == "target_session_attrs")
        oneOf(key, value, kSessionAttrs);
    else if (key == "connect_timeout") {
        if (value.empty() || value.size() > 6 || value.find_first_not_of("0123456789") != std::string::npos)
            refuse("connect_timeout \"" + value + "\" is not a number of seconds");
    } else if (std::find(kFreeText.begin(), kFreeText.end(), key) == kFreeText.end())
        refuse("unknown parameter \"" + key + "\"");
}

// "h1:5432,[::1]:5433,h3": the hosts, and a port for each once one names its port.
void readHostList(std::string_view list, DatabaseAddress& address) {
    std::vector<int> ports;
    bool anyPort = false;
    for (const std::string_view item : split(list, ',')) {
        std::string_view name = item;
        std::size_t colon = item.find(':');
        if (item.starts_with('[')) {
            const std::size_t close = item.find(']');
            if (close == std::string_view::npos)
                refuse("an IPv6 address lacks its \"]\"");
            name = item.substr(1, close - 1);
            colon = close + 1 < item.size() ? close + 1 : std::string_view::npos;
            if (colon != std::string_view::npos && item[colon] != ':')
                refuse("an IPv6 address is followed by neither \":\" nor \",\"");
        } else if (colon != std::string_view::npos) {
            name = item.substr(0, colon);
        }
        const bool named = colon != std::string_view::npos;
        address.hosts.push_back(part("host", name, true));
        ports.push_back(named ? port(item.substr(colon + 1)) : -1);
        anyPort = anyPort || named;
    }
    if (anyPort)
        address.ports = std::move(ports);
}

std::string quoted(const std::string& value) {
    if (!value.empty() && value.find_first_of(" '\\") == std::string::npos)
        return value;
    std::string text = "'";
    for (const char c : value) {
        if (c == '\'' || c == '\\')
            text += '\\';
        text += c;
    }
    return text + "'";
}

} // namespace

DatabaseAddress DatabaseAddress::fromSetting(std::string_view setting, const std::string& dataFolder) {
    DatabaseAddress address;
    if (setting.empty()) {
        address.file = dataFolder + "/brisma.sqlite";
        return address;
    }
    std::string_view rest = setting;
    if (rest.starts_with("postgresql://"))
        rest.remove_prefix(sizeof "postgresql://" - 1);
    else if (rest.starts_with("postgres://"))
        rest.remove_prefix(sizeof "postgres://" - 1);
    else
        refuse("not a postgresql:// address");
    address.postgres = true;

    const std::size_t pathStart = rest.find_first_of("/?");
    const std::size_t queryStart = rest.find('?');
    std::string_view authority = rest.substr(0, pathStart);
    if (const std::size_t at = authority.rfind('@'); at != std::string_view::npos) {
        const std::string_view userInfo = authority.substr(0, at);
        const std::size_t colon = userInfo.find(':');
        address.user = part("user", userInfo.substr(0, colon), false);
        if (colon != std::string_view::npos)
            address.password = part("password", userInfo.substr(colon + 1), false);
        authority.remove_prefix(at + 1);
    }
    if (!authority.empty())
        readHostList(authority, address);
    if (pathStart != std::string_view::npos && pathStart != queryStart)
        address.database = part("database", rest.substr(pathStart + 1, queryStart - pathStart - 1), false);
    if (address.database.empty())
        refuse("the address names no database");

    const std::string_view query = queryStart == std::string_view::npos ? "" : rest.substr(queryStart + 1);
    std::set<std::string> given;
    for (const std::string_view item : split(query, '&')) {
        if (item.empty())
            continue;
        const std::size_t equals = item.find('=');
        if (equals == std::string_view::npos)
            refuse("a parameter lacks its \"=\"");
        const std::string key = part("a parameter's name", item.substr(0, equals), true);
        if (!given.insert(key).second)
            refuse("\"" + key + "\" is given twice");
        const std::string_view raw = item.substr(equals + 1);
        if (key == "host") {
            address.hosts.clear();
            const std::string list = part(key, raw, true);
            for (const std::string_view host : split(list, ','))
                address.hosts.emplace_back(host);
        } else if (key == "port") {
            address.ports.clear();
            for (const std::string_view text : split(raw, ','))
                address.ports.push_back(port(text));
        } else if (key == "user" || key == "password") {
            (key == "user" ? address.user : address.password) = part(key, raw, false);
        } else {
            std::string value = part(key, raw, true);
            checkParameter(key, value);
            address.parameters.emplace_back(key, std::move(value));
        }
    }
    // A lone empty host is the default socket, as no host is.
    if (address.hosts.size() == 1 && address.hosts.front().empty())
        address.hosts.clear();
    const std::size_t hosts = std::max<std::size_t>(address.hosts.size(), 1);
    if (address.ports.size() > 1 && address.ports.size() != hosts)
        refuse(std::to_string(address.ports.size()) + " ports for " + std::to_string(hosts) +
               (hosts == 1 ? " host" : " hosts") + ": give one port for all or one for each");
    return address;
}

std::string DatabaseAddress::connectOptions() const {
    std::string joinedHosts;
    for (std::size_t i = 0; i < hosts.size(); ++i)
        joinedHosts += (i == 0 ? "" : ",") + hosts[i];
    std::string joinedPorts; // an empty item: that host's default
    for (std::size_t i = 0; i < ports.size(); ++i)
        joinedPorts += (i == 0 ? "" : ",") + (ports[i] < 0 ? std::string() : std::to_string(ports[i]));

    std::vector<std::pair<std::string, std::string>> options;
    if (!hosts.empty())
        options.emplace_back("host", joinedHosts);
    if (!ports.empty())
        options.emplace_back("port", joinedPorts);
    options.insert(options.end(), parameters.begin(), parameters.end());
    // A server that does not answer must not hold the start or a request for long.
    if (std::none_of(parameters.begin(), parameters.end(),
                     [](const auto& p) { return p.first == "connect_timeout"; }))
        options.emplace_back("connect_timeout", "10");
    std::string text;
    for (const auto& [key, value] : options)
        text += (text.empty() ? "" : " ") + key + "=" + quoted(value);
    return text;
}

std::string DatabaseAddress::describe() const {
    if (!postgres)
        return "SQLite " + file;
    std::string text = "PostgreSQL " + database + " on ";
    if (hosts.empty())
        text += "the default socket";
    for (std::size_t i = 0; i < hosts.size(); ++i) {
        text += (i == 0 ? "" : ", ") + (hosts[i].empty() ? std::string("the default socket") : hosts[i]);
        if (ports.size() == hosts.size() && ports[i] >= 0)
            text += " port " + std::to_string(ports[i]);
    }
    if (ports.size() == 1 && hosts.size() != 1)
        text += " port " + std::to_string(ports.front());
    return text;
}

} // namespace brisma::server
