#include "news/clsBrismaNewsList.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "platform/events/EventGate.h"

namespace brisma {

clsBrismaNewsList::clsBrismaNewsList(const ErrorReporter& errors, EventGate* gate)
    : errors_(&errors), gate_(gate) {}

clsBrismaNews& clsBrismaNewsList::at(int16_t pos) {
    // intMax is public and may be set below (or, by mistake, above) the records held.
    if (pos < 0 || pos >= intMax || static_cast<std::size_t>(pos) >= udtNews.size())
        raise(err::SubscriptOutOfRange);
    return udtNews[static_cast<std::size_t>(pos)];
}

const clsBrismaNews& clsBrismaNewsList::at(int16_t pos) const {
    return const_cast<clsBrismaNewsList*>(this)->at(pos);
}

void clsBrismaNewsList::yield() {
    if (gate_)
        gate_->yieldOnce();
}

// Back to front, so every record moves one place without a spare; the bar keeps scrolling.
void clsBrismaNewsList::shift() {
    for (int i = 1; i <= intMax - 1; ++i) {
        CopyNews(static_cast<int16_t>(intMax - i - 1), static_cast<int16_t>(intMax - i));
        yield();
    }
}

int32_t clsBrismaNewsList::SetNews(int16_t intNum, const clsBrismaNews& strTmpNews) {
    return at(intNum).SetNews(strTmpNews);
}

int32_t clsBrismaNewsList::init(int16_t intTmp) {
    return errorNumberOf([&] {
        intMax = intTmp;
        if (intTmp <= 0)
            raise(err::SubscriptOutOfRange);
        udtNews.assign(static_cast<std::size_t>(intTmp), clsBrismaNews(*errors_));
        return 0;
    });
}

int32_t clsBrismaNewsList::InsertNewsXML(const XmlNode& de) {
    return errorNumberOf([&] {
        shift();
        return at(0).SetFromXML(de);
    });
}

int32_t clsBrismaNewsList::InsertNews(const clsBrismaNews& udtTmpNews) {
    return errorNumberOf([&] {
        shift();
        return at(0).CopyFrom(udtTmpNews);
    });
}

int32_t clsBrismaNewsList::GetNewsBySortId(clsBrismaNews& udtDestNews, const std::string& strTmpId) {
    for (int16_t p = 0; p < intMax; ++p) {
        clsBrismaNews& news = at(p);
        if (news.GetSortId() == strTmpId) {
            news.strSortId = strTmpId;
            news.CopyTo(udtDestNews);
            return 1;
        }
    }
    return 0;
}

int32_t clsBrismaNewsList::GetNewsById(clsBrismaNews& udtDestNews, const std::string& strTmpId) {
    const int16_t p = GetIndexById(strTmpId);
    if (p < 0)
        return 0;
    at(p).CopyTo(udtDestNews);
    return 1;
}

int16_t clsBrismaNewsList::GetIndexById(const std::string& strTmpId) const {
    for (int16_t p = 0; p < intMax; ++p)
        if (at(p).strID == strTmpId)
            return p;
    return -1;
}

int32_t clsBrismaNewsList::CopyNews(int16_t src, int16_t dest) {
    return errorNumberOf(*errors_, "clsBrismaNewsList.CopyNews >", [&] {
        at(src).CopyTo(at(dest));
        return 0;
    });
}

int32_t clsBrismaNewsList::CopyFrom(const clsBrismaNews& udtTmpNews, int16_t dest) {
    return errorNumberOf(*errors_, "clsBrismaNewsList.CopyFrom >", [&] {
        udtTmpNews.CopyTo(at(dest));
        return 0;
    });
}

int32_t clsBrismaNewsList::CopyTo(clsBrismaNews& udtTmpNews, int16_t src) {
    return errorNumberOf(*errors_, "clsBrismaNewsList.CopyTo >", [&] {
        at(src).CopyTo(udtTmpNews);
        return 0;
    });
}

std::string clsBrismaNewsList::GetSortId(int16_t intNum) const {
    return at(intNum).GetSortId();
}

std::string clsBrismaNewsList::GetId(int16_t intNum) const {
    return at(intNum).strID;
}

std::string clsBrismaNewsList::GetMovieId(int16_t intNum) const {
    return at(intNum).strMovieId;
}

int32_t clsBrismaNewsList::DeleteNews(int16_t intNum) {
    at(intNum);
    for (int i = intNum; i <= intMax - 2; ++i)
        CopyNews(static_cast<int16_t>(i + 1), static_cast<int16_t>(i));
    at(static_cast<int16_t>(intMax - 1)).init();
    return 0;
}

void clsBrismaNewsList::SetClick(const std::string& /*cid*/, const std::string& ctext,
                                 const std::string& chref) {
    for (int16_t p = 0; p < intMax; ++p) {
        clsBrismaNews& news = at(p);
        if (news.strNewsText == ctext && news.strNewsUrl == chref) {
            news.blnClicked = true;
            return;
        }
        yield();
    }
}

} // namespace brisma
