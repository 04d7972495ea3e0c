#include "server/cli/AdsCommand.h"

#include "server/admin/FiguresTable.h"
#include "server/cli/CommandLine.h"
#include "server/cli/OpenDatabase.h"
#include "server/model/Clock.h"
#include "server/model/JapanTime.h"
#include "server/store/AdCounts.h"
#include "server/store/StoreError.h"

#include <cstdio>
#include <map>
#include <nlohmann/json.hpp>
#include <ostream>

namespace brisma::server {

int runAdsCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    const std::chrono::seconds since = line.since.value_or(std::chrono::hours(24 * 7));
    try {
        const ServerConfig config = loadConfig(line.config);
        const auto database = openDatabase(config);
        const std::int64_t now = Clock::system().nowMs();
        const std::int64_t firstDay =
            japan::dayOf(now - std::chrono::duration_cast<std::chrono::milliseconds>(since).count());
        const std::int64_t lastDay = japan::dayOf(now);
        std::map<std::pair<std::string, int>, AdFigures> counted;
        std::vector<std::string> campaigns;
        for (const Campaign& c : config.campaigns)
            campaigns.push_back(c.id);
        for (const AdDayFigures& f :
             AdCounts::read(*database, japan::dateOf(firstDay), japan::dateOf(lastDay))) {
            if (std::find(campaigns.begin(), campaigns.end(), f.campaign) == campaigns.end())
                campaigns.push_back(f.campaign); // no longer booked, or "" for clicks on no campaign
            counted[{f.campaign, f.day}] = f.figures;
        }
        if (!line.json)
            out << tableRow("%-24s  %-8s  %11s  %7s  %8s  %12s  %6s  %5s  %10s\n", "campaign", "day",
                            "impressions", "clicks", "billable", "unknown_user", "repeat", "ended",
                            "unknown_ad");
        for (const std::string& campaign : campaigns)
            for (std::int64_t day = firstDay; day <= lastDay; ++day) {
                const int date = japan::dateOf(day);
                const AdFigures f = counted[{campaign, date}];
                if (line.json) {
                    nlohmann::ordered_json object{{"campaign", campaign},
                                                  {"day", std::to_string(date)},
                                                  {"impressions", f.impressions},
                                                  {"clicks", f.clicks},
                                                  {"billable", f.billable},
                                                  {"unbilled",
                                                   {{"unknown_user", f.unknownUser},
                                                    {"repeat", f.repeat},
                                                    {"ended", f.ended},
                                                    {"unknown_ad", f.unknownAd}}}};
                    out << object.dump() << "\n";
                } else {
                    out << tableRow("%-24s  %-8d  %11lld  %7lld  %8lld  %12lld  %6lld  %5lld  %10lld\n",
                                    campaign.empty() ? "(no campaign)" : campaign.c_str(), date,
                                    static_cast<long long>(f.impressions), static_cast<long long>(f.clicks),
                                    static_cast<long long>(f.billable), static_cast<long long>(f.unknownUser),
                                    static_cast<long long>(f.repeat), static_cast<long long>(f.ended),
                                    static_cast<long long>(f.unknownAd));
                }
            }
        if (!line.json)
            out << "(a movie's impressions are its plays; a banner's, the views its clients report)\n";
    } catch (const ConfigError& e) {
        err << e.what() << "\n";
        return Failed;
    } catch (const StoreError& e) {
        err << "brisma-server ads: " << e.what() << "\n";
        return Failed;
    }
    return Done;
}

} // namespace brisma::server
