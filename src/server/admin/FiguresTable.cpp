#include "server/admin/FiguresTable.h"

#include <cstdio>
#include <string>

namespace brisma::server {

void printFigures(std::ostream& out, const Figures& figures) {
    out << tableRow("%-8s  %-7s  %10s  %10s\n", "day", "channel", "clicks", "views");
    for (const DayFigures& day : figures.days)
        for (const auto& [channel, counts] : day.channels)
            out << tableRow("%-8d  %-7s  %10lld  %10lld\n", day.day, channel.empty() ? "-" : channel.c_str(),
                            static_cast<long long>(counts.clicks), static_cast<long long>(counts.views));
    out << "\n"
        << tableRow("%-8s  %12s  %13s  %8s  %8s\n", "day", "active users", "registrations", "opens",
                    "closes");
    for (const DayFigures& day : figures.days)
        out << tableRow("%-8d  %12lld  %13lld  %8lld  %8lld\n", day.day,
                        static_cast<long long>(day.activeUsers), static_cast<long long>(day.registrations),
                        static_cast<long long>(day.opens), static_cast<long long>(day.closes));
    out << "\n" << tableRow("%6s  %-19s  %s\n", "clicks", "headline", "title");
    for (const HeadlineClicks& headline : figures.top)
        out << tableRow("%6lld  %-19s  ", static_cast<long long>(headline.clicks), headline.id.c_str())
            << headline.title.value_or("-") << "\n";
}

} // namespace brisma::server
