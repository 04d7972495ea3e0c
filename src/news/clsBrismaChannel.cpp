#include "news/clsBrismaChannel.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "common/ErrorReporter.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/HttpClient.h"
#include "platform/http/XmlFromUrl.h"
#include "platform/xml/XmlDocument.h"

namespace brisma {

clsBrismaChannel::clsBrismaChannel(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate,
                                   HttpTransport& http, const ScriptValues& script)
    : paths_(paths), errors_(errors), gate_(gate), http_(http), script_(script), udtNewsList(errors, &gate) {}

std::string clsBrismaChannel::GetAdvUrl() const {
    if (!udtAdText)
        raise(err::ObjectNotSet);
    return udtAdText->strNewsUrl;
}

std::string clsBrismaChannel::GetSortId(int16_t intNum) const {
    return udtNewsList.GetSortId(intNum);
}

int32_t clsBrismaChannel::SetFromXML(const XmlNode& de) {
    return errorNumberOf(errors_, "clsBrismaChannel.SetFromXML >", [&] {
        const auto kind = de.firstAttributeValue();
        if (!kind)
            raise(err::ObjectNotSet);
        strChannelType = *kind;
        intChannel = conv::CInt(de.textOf("number"));
        strName = de.textOf("name-JP");
        strType = de.textOf("type-JP");
        strOwner = de.textOf("owner");
        intNewsNum = conv::CInt(de.textOf("count"));
        strHlid = de.textOf("hlid");
        strPassword = de.textOf("password");
        udtNewsList = clsBrismaNewsList(errors_, &gate_);
        udtNewsList.init(intNewsNum);
        blnRead = false;
        blnFav = false;
        return 0;
    });
}

int32_t clsBrismaChannel::InsertNewsXML(const XmlNode& de) {
    return udtNewsList.InsertNewsXML(de);
}

int32_t clsBrismaChannel::GetNewsBySortId(clsBrismaNews& udtTmpNews, const std::string& strTmpId) {
    return udtNewsList.GetNewsBySortId(udtTmpNews, strTmpId);
}

int32_t clsBrismaChannel::GetNewsById(clsBrismaNews& udtTmpNews, const std::string& strTmpId) {
    return udtNewsList.GetNewsById(udtTmpNews, strTmpId);
}

// The list's CopyTo reports its own failures and passes none on.
int32_t clsBrismaChannel::NewsCopyTo(clsBrismaNews& udtTmpNews, int16_t src) {
    return udtNewsList.CopyTo(udtTmpNews, src);
}

void clsBrismaChannel::SetClick(const std::string& cid, const std::string& ctext, const std::string& chref) {
    udtNewsList.SetClick(cid, ctext, chref);
}

void clsBrismaChannel::ReadAdTextXML() {
    XmlDocument doc;
    XmlNode item;
    const bool identified = withHandler(errors_, "clsBrismaChannel.ReadAdTextXML >", false, [&] {
        doc = loadXmlFromUrl(http_, script_.adtext + conv::ZeroPad(intChannel, 3) + ".xml");
        if (doc.empty())
            return false;
        const auto items = doc.getElementsByTagName("Item");
        clsBrismaNews& ad = udtAdText.emplace(errors_);
        if (items.empty())
            raise(err::ObjectNotSet);
        item = items.front();
        ad.strID = item.textOf("Id");
        ad.strContName = item.textOf("Name");
        ad.strNewsType = "pr";
        return true;
    });
    if (!identified)
        return;
    // An advertisement without text or address passes to the caller unreported.
    clsBrismaNews& ad = *udtAdText;
    ad.strNewsText = item.textOf("Text");
    ad.strNewsUrl = item.textOf("UrlClick");
    ad.strViewURL = item.textOf("UrlClick");
    ad.blnClicked = false;
    ad.strSortId = ad.GetSortId();
}

int32_t clsBrismaChannel::ReadBanner(int16_t ch) {
    return withHandler(errors_, "clsBrismaChannel.ReadBanner >", int32_t{-1}, [&] {
        const std::string folder = paths_.bannerFolder();
        if (!fs::existFolder(folder))
            fs::makeFolder(folder);
        const std::string number = conv::ZeroPad(ch, 3);
        const std::string body = http_.get(script_.banner + number + ".swf");
        // Replaced in one piece, so a failed write never leaves half a banner.
        fs::writeFileAtomic(folder + "/" + number + ".swf", body);
        return int32_t{1};
    });
}

} // namespace brisma
