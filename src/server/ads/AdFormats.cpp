#include "server/ads/AdFormats.h"

#include "common/EscapeXml.h"
#include "platform/text/Cp932.h"
#include "server/model/JapanTime.h"

#include <cstdio>

namespace brisma::server {
namespace {

constexpr const char* Declaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

std::string element(const std::string& name, const std::string& value) {
    return "<" + name + ">" + escapeXML(value) + "</" + name + ">";
}

std::string attribute(const std::string& name, const std::string& value) {
    return " " + name + "=\"" + escapeXML(value) + "\"";
}

} // namespace

std::string adTextDocument(const std::string& id, const std::string& name, const std::string& text,
                           const std::string& url) {
    return text::toCp932Xml(std::string(Declaration) + "<AdText><Item>" + element("Id", id) +
                            element("Name", name) + element("Text", text) + element("UrlClick", url) +
                            "</Item></AdText>\r\n");
}

std::string scriptWithBanner(const std::string& script, const TickerBanner& banner) {
    const std::string entry = "<Directory>" + element("Name", "ticker_banner") +
                              element("Argument", "False") + element("Url", banner.url) +
                              element("Version", "-1") + element("TBId", banner.id) +
                              element("TBText", banner.text) + element("TBHref", banner.href) +
                              element("TBView", banner.view) + "</Directory>";
    std::string text = text::fromCp932(script);
    const std::size_t name = text.find("<Name>ticker_banner</Name>");
    const std::size_t open = name == std::string::npos ? name : text.rfind("<Directory>", name);
    const std::size_t close = open == std::string::npos ? open : text.find("</Directory>", name);
    if (close != std::string::npos) {
        text.replace(open, close + sizeof "</Directory>" - 1 - open, entry);
    } else {
        // Before the root's end tag, on a line of its own like the other entries.
        const std::size_t end = text.rfind("</");
        text.insert(end == std::string::npos ? text.size() : end, entry + "\r\n");
    }
    return text::toCp932Xml(text);
}

std::string movieCatalogue(const std::vector<MovieEntry>& movies) {
    std::string xml = std::string(Declaration) + "<movies>\r\n";
    for (const MovieEntry& m : movies)
        xml += "<movie" + attribute("id", m.id) + attribute("owner_name", m.owner) +
               attribute("text", m.title) + attribute("click_url", m.clickUrl) + attribute("term", m.term) +
               "/>\r\n";
    return text::toCp932Xml(xml + "</movies>\r\n");
}

std::string movieDescription(const MovieEntry& m) {
    const std::size_t pieces = (m.length + MoviePieceSize - 1) / MoviePieceSize;
    std::string xml = std::string(Declaration) + "<movieinfo>" + element("id", m.id) +
                      element("owner_name", m.owner) + element("text", m.title) +
                      element("click_url", m.clickUrl) + element("view_url", m.viewUrl) +
                      element("length", std::to_string(m.length)) + element("term", m.term) +
                      "<splitdata count=\"" + std::to_string(pieces) + "\">";
    for (std::size_t n = 1; n <= pieces; ++n) {
        char piece[32];
        std::snprintf(piece, sizeof piece, ".%03zu", n);
        xml += element("piece", m.id + piece);
    }
    return text::toCp932Xml(xml + "</splitdata></movieinfo>\r\n");
}

std::string movieTerm(std::int64_t endMs) {
    std::int64_t day = japan::dayOf(endMs);
    if (japan::startOf(day) != endMs)
        ++day;
    const int date = japan::dateOf(day);
    char text[16];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d", date / 10000, date / 100 % 100, date % 100);
    return text;
}

} // namespace brisma::server
