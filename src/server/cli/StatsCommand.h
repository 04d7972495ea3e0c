#pragma once

#include <iosfwd>

namespace brisma::server {

struct CommandLine;

// `brisma-server stats --config FILE [--since 24h]`: the operator's figures of the period ending
// now, as tables.
int runStatsCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
