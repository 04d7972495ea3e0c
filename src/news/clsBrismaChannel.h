#pragma once

#include "common/AppPaths.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "news/clsBrismaNews.h"
#include "news/clsBrismaNewsList.h"

#include <cstdint>
#include <optional>
#include <string>

namespace brisma {

class EventGate;
class HttpTransport;
class XmlNode;

// One channel of the server's channel list: its names and feed address, its recent headlines
// and its advertisement text. It fetches its own advertisement text and banner movie.
class clsBrismaChannel {
public:
    clsBrismaChannel(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, HttpTransport& http,
                     const ScriptValues& script);

    std::string strChannelType;
    int16_t intChannel = 0;
    std::string strName;
    std::string strType;
    std::string strOwner;
    // First the capacity the channel list announces, then the item count of the latest feed.
    int16_t intNewsNum = 0;
    std::string strHlid;
    std::string strPassword;
    bool blnRead = false;
    bool blnFav = false;
    // None before the first advertisement text was read.
    std::optional<clsBrismaNews> udtAdText;

    // strNewsUrl of the advertisement text; Object not set (91) when there is none.
    std::string GetAdvUrl() const;
    std::string GetSortId(int16_t intNum) const;
    // Fills the channel from one "channel" entry; 0, or the error number after a report.
    int32_t SetFromXML(const XmlNode& de);
    int32_t InsertNewsXML(const XmlNode& de);
    int32_t GetNewsBySortId(clsBrismaNews& udtTmpNews, const std::string& strTmpId);
    int32_t GetNewsById(clsBrismaNews& udtTmpNews, const std::string& strTmpId);
    // The list's copy: 0, or the number of the failure it reported.
    int32_t NewsCopyTo(clsBrismaNews& udtTmpNews, int16_t src);
    void SetClick(const std::string& cid, const std::string& ctext, const std::string& chref);
    // Loads adtext + NNN.xml. An item without "Text" or "UrlClick" raises to the caller.
    void ReadAdTextXML();
    // Fetches banner + NNN.swf into the banner folder; 1, or -1 after a report.
    int32_t ReadBanner(int16_t ch);

    // Capacity of the headline list ("count" of the entry).
    int16_t newsCapacity() const { return udtNewsList.intMax; }

private:
    const AppPaths& paths_;
    const ErrorReporter& errors_;
    EventGate& gate_;
    HttpTransport& http_;
    const ScriptValues& script_;
    clsBrismaNewsList udtNewsList;
};

} // namespace brisma
