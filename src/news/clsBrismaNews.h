#pragma once

#include <cstdint>
#include <string>

namespace brisma {

class ErrorReporter;
class XmlNode;

// The record of one headline: feed item, advertisement text, bar banner, movie headline, log
// entry or merged-list entry. Records are held by reference and copied field by field, so a
// copy into a record whose strings have enough capacity allocates nothing.
class clsBrismaNews {
public:
    explicit clsBrismaNews(const ErrorReporter& errors) : errors_(&errors) {}

    // The fourteen fields, in their declared order (every copy walks them in this order).
    std::string strID;
    std::string strDate;
    std::string strTime;
    std::string strContName;
    std::string strContEmail;
    std::string strContUrl;
    std::string strNewsImportant;
    std::string strNewsType;
    std::string strNewsText;
    std::string strNewsUrl;
    bool blnClicked = false;
    std::string strSortId;
    std::string strMovieId;
    std::string strViewURL;

    // All fourteen fields into `udtTmpNews`; 1. No handler.
    int32_t CopyTo(clsBrismaNews& udtTmpNews) const;
    // All fourteen fields from `udtTmpNews`; 1, or -1 after a reported failure.
    int32_t CopyFrom(const clsBrismaNews& udtTmpNews);
    // Read flag ("1" unread, "0" read), the id without its channel number, the channel number;
    // empty for an empty id, and empty (reported) for an id of one or two characters.
    std::string GetSortId() const;
    // Fills the record from one feed "item" element; 0, or the error number.
    int32_t SetFromXML(const XmlNode& de);
    // Empties every text field but strSortId and clears blnClicked.
    void init();
    // Every field but strSortId from `udtTmpNews`, then strSortId recomputed; 0 or the error number.
    int32_t SetNews(const clsBrismaNews& udtTmpNews);
    int32_t SetData(const std::string& strTmpId, const std::string& strTmpDate, const std::string& strTmpTime,
                    const std::string& strTmpContName, const std::string& strTmpContEmail,
                    const std::string& strTmpContUrl, const std::string& strTmpNewsImportant,
                    const std::string& strTmpNewsType, const std::string& strTmpNewsText,
                    const std::string& strTmpNewsUrl, bool blnTmpClicked, const std::string& strTmpMovieId,
                    const std::string& strTmpViewURL);
    // The last eight characters of strID: the movie id of a movie headline.
    std::string extMovieID() const;

private:
    const ErrorReporter* errors_;
};

} // namespace brisma
