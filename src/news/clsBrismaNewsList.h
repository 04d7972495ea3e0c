#pragma once

#include "news/clsBrismaNews.h"

#include <cstdint>
#include <string>
#include <vector>

namespace brisma {

class ErrorReporter;
class EventGate;
class XmlNode;

// A fixed-capacity list of headlines, newest at position 0. An insertion shifts every entry one
// place back (the last falls off) by copying fields between the records the list owns; no
// record is allocated after init. Positions outside 0 .. intMax - 1 raise Subscript out of
// range (9).
class clsBrismaNewsList {
public:
    // `gate` lets pending events run after each step of a shift or read mark; null for a list
    // that has no window message loop to keep alive.
    clsBrismaNewsList(const ErrorReporter& errors, EventGate* gate);

    // Capacity and the number of positions every walk visits; the movie catalogue sets it to 0
    // to mark an empty list.
    int16_t intMax = 0;

    int32_t SetNews(int16_t intNum, const clsBrismaNews& strTmpNews);
    // intTmp new empty records; a count below 1 returns 9, intMax keeping the new value.
    int32_t init(int16_t intTmp);
    // Shift, then position 0 fills itself from the feed item; its result or the error number.
    int32_t InsertNewsXML(const XmlNode& de);
    // Shift, then position 0 copies `udtTmpNews`; 1, -1 or the error number.
    int32_t InsertNews(const clsBrismaNews& udtTmpNews);
    // First record whose current GetSortId equals strTmpId: it keeps the key in strSortId and is
    // copied into udtDestNews; 1, or 0 when none matches.
    int32_t GetNewsBySortId(clsBrismaNews& udtDestNews, const std::string& strTmpId);
    int32_t GetNewsById(clsBrismaNews& udtDestNews, const std::string& strTmpId);
    int16_t GetIndexById(const std::string& strTmpId) const;
    // The three copies report their failure and return the error number, else 0.
    int32_t CopyNews(int16_t src, int16_t dest);
    int32_t CopyFrom(const clsBrismaNews& udtTmpNews, int16_t dest);
    int32_t CopyTo(clsBrismaNews& udtTmpNews, int16_t src);
    // Computed afresh from the record, not its stored strSortId.
    std::string GetSortId(int16_t intNum) const;
    std::string GetId(int16_t intNum) const;
    std::string GetMovieId(int16_t intNum) const;
    // Closes the gap at intNum; the last position becomes an empty record. 0.
    int32_t DeleteNews(int16_t intNum);
    // Marks the first record with this text and address read; cid takes no part.
    void SetClick(const std::string& cid, const std::string& ctext, const std::string& chref);

private:
    clsBrismaNews& at(int16_t pos);
    const clsBrismaNews& at(int16_t pos) const;
    void shift();
    void yield();

    const ErrorReporter* errors_;
    EventGate* gate_;
    std::vector<clsBrismaNews> udtNews;
};

} // namespace brisma
