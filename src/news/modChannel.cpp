#include "news/modChannel.h"

#include "common/BrismaError.h"
#include "common/Conversions.h"
#include "common/ErrorReporter.h"
#include "common/EscapeXml.h"
#include "news/MovieHeadlines.h"
#include "news/NewsHost.h"
#include "platform/fs/FileSystem.h"
#include "platform/http/XmlFromUrl.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"
#include "report/modInet.h"

#include <algorithm>
#include <cstddef>
#include <limits>

namespace brisma {
namespace {

// Sort keys are decimals of at most 96 bits; a larger key overflows: 2^96 - 1 is the largest.
const SortKey kMaxDecimal = (SortKey{1} << 96) - 1;

SortKey toDecimal(const std::string& key) {
    if (key.empty())
        raise(err::TypeMismatch);
    SortKey value = 0;
    for (const char c : key) {
        if (c < '0' || c > '9')
            raise(err::TypeMismatch);
        const auto digit = static_cast<unsigned>(c - '0');
        if (value > (kMaxDecimal - digit) / 10)
            raise(err::Overflow);
        value = value * 10 + digit;
    }
    return value;
}

// Twenty digits at least, leading zeros restoring the "0" of a read headline.
std::string renderKey(SortKey value) {
    std::string digits;
    do {
        digits.push_back(static_cast<char>('0' + static_cast<int>(value % 10)));
        value /= 10;
    } while (value != 0);
    if (digits.size() < 20)
        digits.append(20 - digits.size(), '0');
    std::reverse(digits.begin(), digits.end());
    return digits;
}

int16_t toInt16(long value) {
    if (value < std::numeric_limits<int16_t>::min() || value > std::numeric_limits<int16_t>::max())
        raise(err::Overflow);
    return static_cast<int16_t>(value);
}

// An empty document, or one that holds no item and is no RSS document (a server's error page),
// is no feed: the channel keeps its headlines and its copy.
bool isFeed(const XmlDocument& doc, const std::vector<XmlNode>& items) {
    return !doc.empty() && (!items.empty() || doc.documentElement().nodeName() == "rdf:RDF");
}

const char* boolText(bool value) {
    return value ? "True" : "False";
}

} // namespace

modChannel::modChannel(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate,
                       HttpTransport& http, const ScriptValues& script, const std::string& serverBase,
                       MessageBoxService& messages, modInet& inet, NewsHost& host, MovieHeadlines& movies)
    : objClickLogList(errors, &gate), objMovieLogList(errors, &gate), paths_(paths), errors_(errors),
      gate_(gate), http_(http), script_(script), serverBase_(serverBase), messages_(messages), inet_(inet),
      host_(host), movies_(movies) {}

clsBrismaChannel& modChannel::channelAt(int16_t index) {
    if (index < 0 || static_cast<std::size_t>(index) >= objChannel.size())
        raise(err::SubscriptOutOfRange);
    return objChannel[static_cast<std::size_t>(index)];
}

void modChannel::SortNewsCopyTo() {
    withHandler(errors_, "modChannel.SortNewsCopyTo >", [&] {
        intChannelNum = 0;
        objChannel.clear();
        objClickLogList = clsBrismaNewsList(errors_, &gate_);
        objMovieLogList = clsBrismaNewsList(errors_, &gate_);
    });
}

int32_t modChannel::SetChannelListFromXML() {
    return errorNumberOf(errors_, "modChannel.SetChannelListFromXML >", [&] {
        const XmlDocument doc = loadXmlFromUrl(http_, script_.channel);
        const auto entries = doc.getElementsByTagName("channel");
        // A document without entries (nothing loaded, an error page) keeps the last good copy.
        // A copy that cannot be written (a full disk) is reported; the list just loaded is
        // still the registry, or the client could not run at all.
        int32_t copyFailure = 0;
        if (!entries.empty())
            copyFailure = errorNumberOf(errors_, "modChannel.SetChannelListFromXML >", [&] {
                doc.save(paths_.channelXml());
                return 0;
            });
        intChannelNum = toInt16(static_cast<long>(entries.size()));
        if (intChannelNum == 0)
            raise(err::SubscriptOutOfRange);
        objChannel.clear();
        objChannel.reserve(entries.size());
        for (std::size_t i = 0; i < entries.size(); ++i)
            objChannel.emplace_back(paths_, errors_, gate_, http_, script_);
        for (std::size_t i = 0; i < entries.size(); ++i)
            objChannel[i].SetFromXML(entries[i]);
        return copyFailure;
    });
}

bool modChannel::ChannelExist(int16_t ch) {
    return withHandler(errors_, "modChannel.ChannelExist >", false, [&] {
        for (int16_t i = 0; i < intChannelNum; ++i)
            if (channelAt(i).intChannel == ch)
                return true;
        return false;
    });
}

int16_t modChannel::GetChannelIndex(int16_t ch) {
    int16_t index = -1;
    onRunTimeError(
        [&] {
            for (int16_t i = 0; i < intChannelNum && index < 0; ++i)
                if (channelAt(i).intChannel == ch)
                    index = i;
        },
        [&](long number, const std::string&) {
            messages_.show(std::to_string(number) + "@ChannelExist");
            index = -1;
        });
    return index;
}

int32_t modChannel::ReadNewsXML(int16_t ch) {
    return withHandler(errors_, "modChannel.ReadNewsXML >", int32_t{0}, [&] {
        if (!ChannelExist(ch))
            return int32_t{-1};
        clsBrismaChannel& channel = channelAt(GetChannelIndex(ch));
        inet_.SendUpdateLog("open", ch);
        const XmlDocument doc = loadXmlFromUrl(http_, channel.strHlid);
        const auto items = doc.getElementsByTagName("item");
        if (!isFeed(doc, items)) {
            // The one line a user needs when a channel shows nothing; its address without the query.
            const std::string& url = channel.strHlid;
            errors_.notice("channel " + std::to_string(ch) + " (" + channel.strName +
                           "): its feed cannot be read: " + url.substr(0, url.find_first_of("?#")));
            return int32_t{0};
        }
        doc.save(paths_.newsXml(ch));
        // The merge takes intNewsNum positions: never more than the list holds.
        const long capacity = std::max<long>(channel.newsCapacity(), 0);
        channel.intNewsNum = toInt16(std::min(static_cast<long>(items.size()), capacity));
        int32_t result = 0;
        for (const XmlNode& item : items)
            result = channel.InsertNewsXML(item);
        return result;
    });
}

bool modChannel::UpdateChannel(int16_t ch) {
    return withHandler(errors_, "modChannel.UpdateChannel >", false, [&] {
        if (!ChannelExist(ch))
            return false;
        inet_.SendUpdateLog(host_.tickerOpen() ? "open" : "close", ch);
        const int32_t read = ReadNewsXML(ch);
        clsBrismaChannel& channel = channelAt(GetChannelIndex(ch));
        channel.ReadAdTextXML();
        channel.ReadBanner(ch);
        return read != 0;
    });
}

int16_t modChannel::ChangeChannel() {
    return withHandler(errors_, "modChannel.ChangeChannel >", int16_t{-1}, [&] {
        long sum = 0;
        for (const int16_t number : intSelectedChannel)
            sum = toInt16(sum + number);
        if (sum == 0)
            return int16_t{-1};
        for (int16_t i = 0; i < intChannelNum; ++i)
            channelAt(i).blnFav = false;
        for (const int16_t number : intSelectedChannel) {
            if (number <= 0)
                continue;
            SetFav(number);
            ReadNewsXML(number);
            const int16_t index = GetChannelIndex(number);
            if (index >= 0) {
                channelAt(index).ReadAdTextXML();
                channelAt(index).ReadBanner(number);
            }
        }
        host_.saveSelectedChannels();
        host_.restartListMovie();
        SortIdWithMovie();
        return int16_t{1};
    });
}

void modChannel::SetFav(int16_t ch) {
    withHandler(errors_, "modChannel.SetFav >", [&] {
        const int16_t index = GetChannelIndex(ch);
        if (index >= 0)
            channelAt(index).blnFav = true;
    });
}

void modChannel::SortIdWithMovie() {
    withHandler(errors_, "modChannel.SortIdWithMovie >", [&] {
        clsBrismaNewsList& movieList = movies_.movieList();
        const int16_t n = toInt16(long{GetFavNewsNum()} + movieList.intMax);
        if (n <= 0)
            raise(err::SubscriptOutOfRange);
        strSortKey.assign(static_cast<std::size_t>(n), std::string());
        std::vector<SortKey> values(static_cast<std::size_t>(n));
        std::size_t c = 0;
        const auto store = [&](std::string key) {
            if (c >= values.size())
                raise(err::SubscriptOutOfRange);
            strSortKey[c] = std::move(key);
            values[c] = toDecimal(strSortKey[c]);
            ++c;
        };

        for (int16_t i = 0; i < intChannelNum; ++i) {
            const clsBrismaChannel& channel = channelAt(i);
            if (!channel.blnFav || (channel.strChannelType != "news" && channel.strChannelType != "info"))
                continue;
            for (int16_t p = 0; p < channel.intNewsNum; ++p) {
                std::string key = channel.GetSortId(p);
                if (!key.empty())
                    store(std::move(key));
            }
        }
        for (int16_t p = 0; p < movieList.intMax; ++p)
            if (movies_.existMovieID(movieList.GetMovieId(p)))
                store(movieList.GetSortId(p));

        SortId(values, 0, static_cast<int32_t>(c) - 1);

        auto merged = std::make_shared<clsBrismaNewsList>(errors_, &gate_);
        merged->init(static_cast<int16_t>(c));
        objNewsList = merged;
        for (std::size_t k = 0; k < c; ++k) {
            const std::string key = renderKey(values[c - 1 - k]);
            strSortKey[k] = key;
            const std::string source = conv::Right(key, 3);
            // A key not found in its source, or naming no registry channel, gives an empty item.
            clsBrismaNews news(errors_);
            if (source == "903") {
                movieList.GetNewsBySortId(news, key);
            } else {
                const int16_t index = GetChannelIndex(conv::CInt(source));
                if (index >= 0)
                    channelAt(index).GetNewsBySortId(news, key);
            }
            merged->CopyFrom(news, static_cast<int16_t>(k));
        }
        SaveNewsListXML();
    });
}

void modChannel::SortId(std::vector<SortKey>& arr, int32_t lo, int32_t hi) {
    withHandler(errors_, "modChannel.SortId >", [&] {
        if (lo >= hi)
            return;
        if (lo < 0 || static_cast<std::size_t>(hi) >= arr.size())
            raise(err::SubscriptOutOfRange);
        // Equal keys are equal numbers: their order cannot show.
        std::sort(arr.begin() + lo, arr.begin() + hi + 1);
    });
}

int16_t modChannel::GetFavNewsNum() {
    int16_t sum = 0;
    for (int16_t i = 0; i < intChannelNum; ++i) {
        const clsBrismaChannel& channel = channelAt(i);
        if (channel.blnFav && channel.intChannel != 901)
            sum = toInt16(long{sum} + channel.intNewsNum);
    }
    return sum;
}

void modChannel::SaveNewsListXML() {
    const std::shared_ptr<clsBrismaNewsList> list = objNewsList;
    if (!list)
        raise(err::ObjectNotSet);
    std::string out = "<?xml version=\"1.0\" encoding=\"Shift_JIS\"?>\r\n"
                      "<rdf:RDF xmlns=\"http://purl.org/rss/1.0/\""
                      " xmlns:rdf=\"http://www.w3.org/1999/02/22-rdf-syntax-ns#\" xmlns:brs=\"";
    out += escapeXML(serverBase_);
    out += "\">\r\n";
    clsBrismaNews news(errors_);
    for (int16_t p = 0; p < list->intMax; ++p) {
        list->CopyTo(news, p);
        out += "<item>\r\n";
        out += "<brs:hlid>" + escapeXML(news.strID) + "</brs:hlid>\r\n";
        out += std::string("<brs:click>") + boolText(news.blnClicked) + "</brs:click>\r\n";
        out += "<brs:type>" + escapeXML(news.strNewsType) + "</brs:type>\r\n";
        out += "<title>" + escapeXML(news.strNewsText) + "</title>\r\n";
        out += "<link>" + escapeXML(news.strNewsUrl) + "</link>\r\n";
        out += "<credit>" + escapeXML(news.strContName) + "</credit>\r\n";
        out += "</item>\r\n";
    }
    out += "</rdf:RDF>\r\n";
    fs::writeFileAtomic(paths_.mergedNewsXml(), text::toCp932Xml(out));
}

void modChannel::SetClick(const std::string& strChannel, const std::string& cid, const std::string& ctext,
                          const std::string& chref) {
    withHandler(errors_, "modChannel.SetClick >", [&] {
        if (strChannel.empty())
            return;
        if (strChannel == "903") {
            movies_.movieList().SetClick(cid, ctext, chref);
        } else {
            const int16_t index = GetChannelIndex(conv::CInt(strChannel));
            if (index >= 0)
                channelAt(index).SetClick(cid, ctext, chref);
        }
        // Held while the walk yields, in case a rebuild replaces the merged list meanwhile.
        if (const std::shared_ptr<clsBrismaNewsList> merged = objNewsList)
            merged->SetClick(cid, ctext, chref);
    });
}

} // namespace brisma
