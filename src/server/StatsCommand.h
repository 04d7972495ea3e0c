#pragma once

#include <ostream>
#include <string>
#include <vector>

namespace brisma::server {

// `brisma-server stats --config FILE [--since 24h]`: the operator's figures of the period ending
// now, as tables. Answers the exit status.
int runStatsCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace brisma::server
