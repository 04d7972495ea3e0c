#include "server/cli/SourcesCommand.h"

#include "server/admin/SourceList.h"
#include "server/cli/CommandLine.h"
#include "server/cli/OpenDatabase.h"
#include "server/store/StoreError.h"

#include <algorithm>
#include <array>
#include <nlohmann/json.hpp>
#include <ostream>

namespace brisma::server {
namespace {

nlohmann::json timeOrNull(std::int64_t ms) {
    return ms > 0 ? nlohmann::json(utcTime(ms)) : nlohmann::json(nullptr);
}

std::string timeOrDash(std::int64_t ms) {
    return ms > 0 ? utcTime(ms) : "-";
}

void printTable(std::ostream& out, const std::vector<SourceRow>& rows) {
    using Line = std::array<std::string, 8>;
    std::vector<Line> lines{{"state", "failures", "last_fetch", "last_success", "next_fetch", "channels",
                             "address", "last_error"}};
    for (const SourceRow& row : rows) {
        std::string channels;
        for (const int number : row.channels)
            channels += (channels.empty() ? "" : ",") + std::to_string(number);
        lines.push_back({healthName(row.health), std::to_string(row.failures), timeOrDash(row.lastFetchMs),
                         timeOrDash(row.lastSuccessMs), timeOrDash(row.nextFetchMs), channels, row.address,
                         row.lastError.empty() ? "-" : row.lastError});
    }
    Line::size_type columns = std::tuple_size_v<Line>;
    std::array<std::size_t, std::tuple_size_v<Line>> widths{};
    for (const Line& line : lines)
        for (std::size_t c = 0; c < columns; ++c)
            widths[c] = std::max(widths[c], line[c].size());
    for (const Line& line : lines) {
        std::string text;
        for (std::size_t c = 0; c < columns; ++c)
            text += c + 1 == columns ? line[c] : line[c] + std::string(widths[c] - line[c].size() + 2, ' ');
        out << text << "\n";
    }
}

} // namespace

int runSourcesCommand(const CommandLine& line, std::ostream& out, std::ostream& err) {
    try {
        const ServerConfig config = loadConfig(line.config);
        const auto database = openDatabase(config);
        const std::vector<SourceRow> rows = readSourceRows(*database, config.channelsOfSources());
        if (!line.json) {
            printTable(out, rows);
            return Done;
        }
        for (const SourceRow& row : rows) {
            const nlohmann::ordered_json object{{"address", row.address},
                                                {"channels", row.channels},
                                                {"state", healthName(row.health)},
                                                {"failures", row.failures},
                                                {"last_error", row.lastError.empty()
                                                                   ? nlohmann::json(nullptr)
                                                                   : nlohmann::json(row.lastError)},
                                                {"last_fetch", timeOrNull(row.lastFetchMs)},
                                                {"last_success", timeOrNull(row.lastSuccessMs)},
                                                {"next_fetch", timeOrNull(row.nextFetchMs)}};
            out << object.dump() << "\n";
        }
    } catch (const ConfigError& e) {
        err << e.what() << "\n";
        return Failed;
    } catch (const StoreError& e) {
        err << "brisma-server sources: " << e.what() << "\n";
        return Failed;
    }
    return Done;
}

} // namespace brisma::server
