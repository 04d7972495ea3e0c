#pragma once

#include "common/AppPaths.h"
#include "common/ErrorReporter.h"
#include "common/ScriptValues.h"
#include "common/UserRecord.h"

#include <cstdint>
#include <string>
#include <string_view>

namespace brisma {

class EventGate;
class HttpTransport;
class clsBrismaNews;
class clsBrismaNewsList;
class modChannel;
class modInet;

// The user's files: the profile (user.xml), the selected channels (selected.xml), the
// prefecture list (prefecture.xml) and the click and movie logs (news901.xml, news902.xml).
// Every file is built in memory and replaced in one atomic write.
class modUserData {
public:
    modUserData(const AppPaths& paths, const ErrorReporter& errors, EventGate& gate, HttpTransport& http,
                const ScriptValues& script, const std::string& serverBase, UserRecord& user,
                modChannel& channels, modInet& inet);

    bool existUserXML();
    void loadUserDataXML();
    void saveUserDataXML();
    // True when the stored version equals `version` exactly.
    bool checkVersion(const std::string& version);
    // Reports the profile, records the running version and rewrites the profile.
    void updateUserData();
    static std::string escapeXML(std::string_view text);

    void saveSelectedChannelXML();
    void loadSelectedChannelXML();
    // Fetches the server's prefecture list once, when there is no copy yet.
    void loadPrefectureXML();

    // Sizes the click and movie log lists to that many empty positions.
    void sizeLogLists(int16_t clicks, int16_t movies);
    // Reports an opened headline, marks it read and logs it (the bar banner is only reported).
    void setClickLog(const clsBrismaNews& news);
    void saveClickLog();
    void saveMovieLog();
    // Read a log into its list, replay its read marks and rewrite the file.
    void loadClickLog();
    void loadMovieLog();

private:
    void writeLog(clsBrismaNewsList& list, const std::string& path);
    void readLog(clsBrismaNewsList& list, const std::string& path);

    const AppPaths& paths_;
    const ErrorReporter& errors_;
    EventGate& gate_;
    HttpTransport& http_;
    const ScriptValues& script_;
    const std::string& serverBase_;
    UserRecord& user_;
    modChannel& channels_;
    modInet& inet_;
};

} // namespace brisma
