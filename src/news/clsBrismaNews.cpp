#include "news/clsBrismaNews.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "common/ErrorReporter.h"
#include "platform/xml/XmlDocument.h"

namespace brisma {

int32_t clsBrismaNews::CopyTo(clsBrismaNews& udtTmpNews) const {
    udtTmpNews.strID = strID;
    udtTmpNews.strDate = strDate;
    udtTmpNews.strTime = strTime;
    udtTmpNews.strContName = strContName;
    udtTmpNews.strContEmail = strContEmail;
    udtTmpNews.strContUrl = strContUrl;
    udtTmpNews.strNewsImportant = strNewsImportant;
    udtTmpNews.strNewsType = strNewsType;
    udtTmpNews.strNewsText = strNewsText;
    udtTmpNews.strNewsUrl = strNewsUrl;
    udtTmpNews.blnClicked = blnClicked;
    udtTmpNews.strSortId = strSortId;
    udtTmpNews.strMovieId = strMovieId;
    udtTmpNews.strViewURL = strViewURL;
    return 1;
}

int32_t clsBrismaNews::CopyFrom(const clsBrismaNews& udtTmpNews) {
    return withHandler(*errors_, "clsBrismaNews.CopyFrom >", int32_t{-1},
                       [&] { return udtTmpNews.CopyTo(*this); });
}

std::string clsBrismaNews::GetSortId() const {
    return withHandler(*errors_, "clsBrismaNews.GetSortId >", std::string(), [&] {
        std::string key;
        if (strID.empty())
            return key;
        // The id begins with its three-digit channel number, which moves to the end.
        if (strID.size() < 3)
            raise(err::InvalidArgument);
        key.reserve(strID.size() + 1);
        key += blnClicked ? '0' : '1';
        key.append(strID, 3, std::string::npos);
        key.append(strID, 0, 3);
        return key;
    });
}

int32_t clsBrismaNews::SetFromXML(const XmlNode& de) {
    if (const int32_t number = errorNumberOf(*errors_, "clsBrismaNews.SetFromXML >", [&] {
            strID = de.textOf("brs:hlid");
            strContName = de.textOf("credit");
            return 0;
        }))
        return number;
    const XmlNode type = de.firstElementByTagName("brs:type");
    strNewsType = type.isNull() ? "oth" : type.text();
    // A headline without text or address is typed as "other"; its error number goes back to the
    // caller unreported.
    if (const int32_t number = errorNumberOf([&] {
            strNewsText = de.textOf("title");
            strNewsUrl = de.textOf("link");
            return 0;
        })) {
        strNewsType = "oth";
        return number;
    }
    blnClicked = false;
    strSortId = GetSortId();
    return 0;
}

void clsBrismaNews::init() {
    strID.clear();
    strDate.clear();
    strTime.clear();
    strContName.clear();
    strContEmail.clear();
    strContUrl.clear();
    strNewsImportant.clear();
    strNewsType.clear();
    strNewsText.clear();
    strNewsUrl.clear();
    blnClicked = false;
    strMovieId.clear();
    strViewURL.clear();
}

int32_t clsBrismaNews::SetNews(const clsBrismaNews& udtTmpNews) {
    return SetData(udtTmpNews.strID, udtTmpNews.strDate, udtTmpNews.strTime, udtTmpNews.strContName,
                   udtTmpNews.strContEmail, udtTmpNews.strContUrl, udtTmpNews.strNewsImportant,
                   udtTmpNews.strNewsType, udtTmpNews.strNewsText, udtTmpNews.strNewsUrl,
                   udtTmpNews.blnClicked, udtTmpNews.strMovieId, udtTmpNews.strViewURL);
}

int32_t clsBrismaNews::SetData(const std::string& strTmpId, const std::string& strTmpDate,
                               const std::string& strTmpTime, const std::string& strTmpContName,
                               const std::string& strTmpContEmail, const std::string& strTmpContUrl,
                               const std::string& strTmpNewsImportant, const std::string& strTmpNewsType,
                               const std::string& strTmpNewsText, const std::string& strTmpNewsUrl,
                               bool blnTmpClicked, const std::string& strTmpMovieId,
                               const std::string& strTmpViewURL) {
    return errorNumberOf([&] {
        strID = strTmpId;
        strDate = strTmpDate;
        strTime = strTmpTime;
        strContName = strTmpContName;
        strContEmail = strTmpContEmail;
        strContUrl = strTmpContUrl;
        strNewsImportant = strTmpNewsImportant;
        strNewsType = strTmpNewsType;
        strNewsText = strTmpNewsText;
        strNewsUrl = strTmpNewsUrl;
        blnClicked = blnTmpClicked;
        strMovieId = strTmpMovieId;
        strViewURL = strTmpViewURL;
        strSortId = GetSortId();
        return 0;
    });
}

std::string clsBrismaNews::extMovieID() const {
    return conv::Right(strID, 8);
}

} // namespace brisma
