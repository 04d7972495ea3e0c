#pragma once

#include <iosfwd>

namespace brisma::server {

struct CommandLine;

// `brisma-server ads --config FILE [--since 7d] [--json]`: one row per campaign and Japan day of
// the period ending now (every booked campaign on every day, and whatever else was counted), as a
// table or one JSON object a line.
int runAdsCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
