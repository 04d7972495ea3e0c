#include "server/feeds/JsonFeed.h"

#include "server/feeds/FeedDate.h"
#include "server/feeds/FeedLink.h"
#include "server/feeds/PlainText.h"

#include <nlohmann/json.hpp>

namespace brisma::server {
namespace {

// Deeper than any feed needs; bounds what a hostile document can make the parser hold.
constexpr int MaxDepth = 64;

std::optional<std::string> text(const nlohmann::json& object, const char* key) {
    const auto it = object.find(key);
    if (it == object.end())
        return std::nullopt;
    if (it->is_string())
        return it->get<std::string>();
    if (it->is_number_integer()) // ids may be numbers
        return it->dump();
    return std::nullopt;
}

std::optional<std::string> title(const nlohmann::json& object) {
    if (auto t = text(object, "title"))
        return nonEmpty(plainText(*t, false));
    return std::nullopt;
}

std::optional<std::string> link(const nlohmann::json& object, const char* key, const std::string& address) {
    if (auto href = text(object, key))
        return absoluteLink(*href, address);
    return std::nullopt;
}

} // namespace

Feed readJsonFeed(std::string_view source, const std::string& address) {
    nlohmann::json document;
    try {
        document =
            nlohmann::json::parse(source, [](int depth, nlohmann::json::parse_event_t, nlohmann::json&) {
                if (depth > MaxDepth)
                    throw FeedError("JSON nested deeper than " + std::to_string(MaxDepth));
                return true;
            });
    } catch (const nlohmann::json::exception& e) {
        throw FeedError(std::string("Not JSON: ") + e.what());
    }
    const auto version = document.is_object() ? text(document, "version") : std::nullopt;
    if (!version || !version->starts_with("https://jsonfeed.org/version/1"))
        throw FeedError("JSON that is no JSON Feed 1.x");

    Feed feed;
    feed.title = title(document);
    feed.link = link(document, "home_page_url", address);
    const auto items = document.find("items");
    if (items == document.end() || !items->is_array())
        return feed;
    for (const nlohmann::json& entry : *items) {
        if (!entry.is_object())
            continue;
        FeedItem item;
        item.title = title(entry);
        item.link = link(entry, "url", address);
        const auto date =
            text(entry, "date_published") ? text(entry, "date_published") : text(entry, "date_modified");
        item.date = date ? parseFeedDate(*date) : std::nullopt;
        item.key = text(entry, "id").value_or(item.link.value_or(""));
        feed.items.push_back(std::move(item));
    }
    return feed;
}

} // namespace brisma::server
