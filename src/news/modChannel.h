#pragma once

#include "common/AppPaths.h"
#include "common/ErrorReporter.h"
#include "common/MessageBox.h"
#include "common/ScriptValues.h"
#include "news/clsBrismaChannel.h"
#include "news/clsBrismaNews.h"
#include "news/clsBrismaNewsList.h"

#include <array>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace brisma {

class EventGate;
class HttpTransport;
class modInet;
class MovieHeadlines;
class NewsHost;

// Sort keys are decimals of twenty digits: unread keys exceed 64 bits.
__extension__ typedef unsigned __int128 SortKey;

// The channel registry, the selected channels' feeds and the merged headline list with its
// favourites and read marks.
class modChannel {
public:
    modChannel(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, HttpTransport& http,
               const ScriptValues& script, const std::string& serverBase, MessageBoxService& messages,
               modInet& inet, NewsHost& host, MovieHeadlines& movies);

    // The registry in the order of the channel list, positions 0 .. intChannelNum - 1.
    std::vector<clsBrismaChannel> objChannel;
    int16_t intChannelNum = 0;
    // Channel numbers the user selected, by slot; 0 or less is an empty slot.
    std::array<int16_t, 8> intSelectedChannel{};
    // The click log (news901) and movie log (news902) lists; sized and filled by the user data.
    clsBrismaNewsList objClickLogList;
    clsBrismaNewsList objMovieLogList;
    // The merged list, highest key first; replaced on every rebuild, none before the first.
    std::shared_ptr<clsBrismaNewsList> objNewsList;

    // Module start: no channel, two new empty log lists.
    void SortNewsCopyTo();
    // Loads the channel list (keeping channel.xml) and builds the registry; 0 or the error number.
    int32_t SetChannelListFromXML();
    bool ChannelExist(int16_t ch);
    // Position of the first entry with that number, -1 when none.
    int16_t GetChannelIndex(int16_t ch);
    // Reads the channel's feed (keeping newsN.xml) into its list: -1 for an unknown channel,
    // else the last insertion's result; 0 after a failure.
    int32_t ReadNewsXML(int16_t ch);
    // One channel of the refresh cycle: update report, feed, advertisement text, banner.
    bool UpdateChannel(int16_t ch);
    // Rebuilds after a change of selection; 1, or -1 when nothing is selected or on failure.
    int16_t ChangeChannel();

    void SetFav(int16_t ch);
    // Rebuilds objNewsList from the favourite channels and the movie headlines, and its file.
    void SortIdWithMovie();
    // Sorts arr[lo .. hi] ascending.
    void SortId(std::vector<SortKey>& arr, int32_t lo, int32_t hi);
    // Headlines of the favourite channels other than 901.
    int16_t GetFavNewsNum();
    // Writes news998.xml from objNewsList. No handler.
    void SaveNewsListXML();
    // Marks a clicked headline read in its source list and in the merged list.
    void SetClick(const std::string& strChannel, const std::string& cid, const std::string& ctext,
                  const std::string& chref);

private:
    clsBrismaChannel& channelAt(int16_t index);

    // Twenty-digit keys of the last rebuild, by merged position.
    std::vector<std::string> strSortKey;
    const AppPaths& paths_;
    const ErrorReporter& errors_;
    EventGate& gate_;
    HttpTransport& http_;
    const ScriptValues& script_;
    const std::string& serverBase_;
    MessageBoxService& messages_;
    modInet& inet_;
    NewsHost& host_;
    MovieHeadlines& movies_;
};

} // namespace brisma
