#include "userdata/modUserData.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "common/EscapeXml.h"
#include "news/modChannel.h"
#include "platform/events/EventGate.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/XmlFromUrl.h"
#include "platform/text/Cp932.h"
#include "platform/ui/StringTable.h"
#include "platform/xml/XmlDocument.h"
#include "report/modInet.h"

#include <array>
#include <cstddef>
#include <utility>

namespace brisma {
namespace {

constexpr const char* kDeclaration = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n";

// The elements of user.xml in the order of the file, and the values they hold.
constexpr std::array<std::pair<const char*, std::string UserRecord::*>, 16> kUserElements{{
    {"id", &UserRecord::strUserID},
    {"version", &UserRecord::strUserVersion},
    {"email", &UserRecord::strEmail},
    {"sex", &UserRecord::strSex},
    {"bday", &UserRecord::strBday},
    {"yy", &UserRecord::strYy},
    {"mm", &UserRecord::strMm},
    {"dd", &UserRecord::strDd},
    {"prid", &UserRecord::strPrID},
    {"arid", &UserRecord::strArID},
    {"pr", &UserRecord::strPr},
    {"class", &UserRecord::strClass},
    {"job", &UserRecord::strJob},
    {"netenv", &UserRecord::strNetEnv},
    {"pcenv", &UserRecord::strPcEnv},
    {"carrier", &UserRecord::strCarrier},
}};

std::string element(const char* name, std::string_view value) {
    return std::string("<") + name + ">" + escapeXML(value) + "</" + name + ">\r\n";
}

// The child elements of `parent` in document order. Anything else among them (a comment, real
// text) cannot be read as an element and ends the walk with a failure.
template <class F> void walkElements(const XmlNode& parent, F&& visit) {
    for (XmlNode child = parent.firstChild(); !child.isNull(); child = child.nextSibling()) {
        if (!child.isElement())
            raise(err::TypeMismatch);
        visit(child);
    }
}

void writeText(const std::string& path, const std::string& text) {
    fs::writeFileAtomic(path, text::toCp932Xml(text));
}

} // namespace

modUserData::modUserData(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate,
                         HttpTransport& http, const ScriptValues& script, const std::string& serverBase,
                         UserRecord& user, modChannel& channels, modInet& inet)
    : paths_(paths), errors_(errors), gate_(gate), http_(http), script_(script), serverBase_(serverBase),
      user_(user), channels_(channels), inet_(inet) {}

std::string modUserData::escapeXML(std::string_view text) {
    return brisma::escapeXML(text);
}

bool modUserData::existUserXML() {
    return withHandler(errors_, "modUserData.existUserXML >", false,
                       [&] { return fs::existFile(paths_.userXml()); });
}

void modUserData::loadUserDataXML() {
    withHandler(errors_, "modUserData.loadUserDataXML >", [&] {
        const std::string path = paths_.userXml();
        const XmlDocument doc = XmlDocument::loadFile(path);
        const auto roots = doc.getElementsByTagName("userdata");
        // Before the first registration there is no profile yet.
        if (roots.empty() && !fs::existFile(path))
            raiseOnNormalPath(err::ObjectNotSet);
        if (roots.empty())
            raise(err::ObjectNotSet);
        walkElements(roots.front(), [&](const XmlNode& child) {
            const std::string name = child.nodeName();
            for (const auto& [elementName, field] : kUserElements) {
                if (name == elementName) {
                    user_.*field = child.text();
                    break;
                }
            }
        });
    });
}

// Every value is escaped, so a server-given id holding "<" or "&" still gives a readable file.
void modUserData::saveUserDataXML() {
    withHandler(errors_, "modUserData.saveUserDataXML >", [&] {
        std::string out = kDeclaration;
        out += "<userdata>\r\n";
        for (const auto& [name, field] : kUserElements)
            out += element(name, field == &UserRecord::strUserVersion ? LoadResString(119) : user_.*field);
        out += "</userdata>\r\n\r\n";
        writeText(paths_.userXml(), out);
    });
}

bool modUserData::checkVersion(const std::string& version) {
    return withHandler(errors_, "modUserData.checkVersion >", false,
                       [&] { return user_.strUserVersion == version; });
}

void modUserData::updateUserData() {
    withHandler(errors_, "modUserData.updateUserData >", [&] {
        inet_.UpdateUser();
        user_.strUserVersion = LoadResString(119);
        saveUserDataXML();
    });
}

// The type is escaped as well as the name: both come from the server's channel list.
void modUserData::saveSelectedChannelXML() {
    withHandler(errors_, "modUserData.saveSelectedChannelXML >", [&] {
        std::string out = kDeclaration;
        out += "<selected>\r\n";
        for (const int16_t number : channels_.intSelectedChannel) {
            std::string type;
            std::string name;
            const int16_t index = number > 0 ? channels_.GetChannelIndex(number) : int16_t{-1};
            if (index >= 0) {
                const clsBrismaChannel& channel = channels_.objChannel.at(static_cast<std::size_t>(index));
                type = channel.strChannelType;
                name = channel.strName;
            }
            out += "<item>\r\n";
            out += element("type", type);
            out += element("number", conv::ZeroPad(number, 3));
            out += element("name", name);
            out += "</item>\r\n";
        }
        out += "</selected>\r\n\r\n";
        writeText(paths_.selectedXml(), out);
    });
}

void modUserData::loadSelectedChannelXML() {
    withHandler(errors_, "modUserData.loadSelectedChannelXML >", [&] {
        const XmlDocument doc = XmlDocument::loadFile(paths_.selectedXml());
        const auto items = doc.getElementsByTagName("item");
        auto& slots = channels_.intSelectedChannel;
        for (std::size_t k = 0; k < items.size(); ++k) {
            if (k >= slots.size())
                raise(err::SubscriptOutOfRange);
            walkElements(items[k], [&](const XmlNode& child) {
                if (child.nodeName() == "number")
                    slots[k] = conv::CInt(child.text());
            });
        }
    });
}

// A list that did not load is not saved: an empty copy would never be fetched again.
void modUserData::loadPrefectureXML() {
    withHandler(errors_, "modUserData.loadPrefectureXML >", [&] {
        const std::string path = paths_.prefectureXml();
        if (fs::existFile(path))
            return;
        const XmlDocument doc = loadXmlFromUrl(http_, script_.prefecture);
        if (!doc.empty())
            doc.save(path);
    });
}

void modUserData::sizeLogLists(int16_t clicks, int16_t movies) {
    channels_.objClickLogList.init(clicks);
    channels_.objMovieLogList.init(movies);
}

void modUserData::setClickLog(const clsBrismaNews& news) {
    withHandler(errors_, "modUserData.setClickLog >", [&] {
        const std::string& type = news.strNewsType;
        if (type == "tbn" || type == "mov" || type == "pr")
            inet_.SendAdClickLog(news.strID, type);
        else
            inet_.SendClickLog(news.strID);
        if (type == "tbn")
            return;
        channels_.SetClick(conv::Left(news.strID, 3), news.strID, news.strNewsText, news.strNewsUrl);
        if (type == "mov") {
            channels_.objMovieLogList.InsertNews(news);
            saveMovieLog();
        } else {
            channels_.objClickLogList.InsertNews(news);
            saveClickLog();
        }
        channels_.SaveNewsListXML();
    });
}

void modUserData::saveClickLog() {
    withHandler(errors_, "modUserData.saveClickLog >",
                [&] { writeLog(channels_.objClickLogList, paths_.clickLogXml()); });
}

void modUserData::saveMovieLog() {
    withHandler(errors_, "modUserData.saveMovieLog >",
                [&] { writeLog(channels_.objMovieLogList, paths_.movieLogXml()); });
}

void modUserData::loadClickLog() {
    withHandler(errors_, "modUserData.loadClickLog >", [&] {
        readLog(channels_.objClickLogList, paths_.clickLogXml());
        saveClickLog();
    });
}

void modUserData::loadMovieLog() {
    withHandler(errors_, "modUserData.loadMovieLog >", [&] {
        readLog(channels_.objMovieLogList, paths_.movieLogXml());
        saveMovieLog();
    });
}

// Every position, empty ones included, so that reading the file back replaces the whole list.
// The id and the type are escaped too: they come from the feeds.
void modUserData::writeLog(clsBrismaNewsList& list, const std::string& path) {
    std::string out = kDeclaration;
    out += "<rdf:RDF xmlns=\"http://purl.org/rss/1.0/\" "
           "xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\""
           " xmlns:brs=\"" +
           escapeXML(serverBase_) + "\">\r\n";
    clsBrismaNews news(errors_);
    for (int16_t p = 0; p < list.intMax; ++p) {
        list.CopyTo(news, p);
        out += "<item>\r\n";
        out += element("brs:hlid", news.strID);
        out += element("brs:type", news.strNewsType);
        out += element("title", news.strNewsText);
        out += element("link", news.strNewsUrl);
        out += element("credit", news.strContName);
        out += "</item>\r\n";
        gate_.yieldOnce();
    }
    out += "</rdf:RDF>\r\n\r\n";
    writeText(path, out);
}

// From the last item to the first: inserting each at position 0 rebuilds the file's order.
void modUserData::readLog(clsBrismaNewsList& list, const std::string& path) {
    const XmlDocument doc = XmlDocument::loadFile(path);
    const auto items = doc.getElementsByTagName("item");
    for (auto item = items.rbegin(); item != items.rend(); ++item) {
        clsBrismaNews news(errors_);
        walkElements(*item, [&](const XmlNode& child) {
            const std::string name = child.nodeName();
            if (name == "brs:hlid")
                news.strID = child.text();
            else if (name == "title")
                news.strNewsText = child.text();
            else if (name == "link")
                news.strNewsUrl = child.text();
            else if (name == "credit")
                news.strContName = child.text();
            else if (name == "brs:type")
                news.strNewsType = child.text();
        });
        news.blnClicked = true;
        list.InsertNews(news);
        channels_.SetClick(conv::Left(news.strID, 3), news.strID, news.strNewsText, news.strNewsUrl);
    }
}

} // namespace brisma
