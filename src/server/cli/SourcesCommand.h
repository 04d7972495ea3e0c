#pragma once

#include <iosfwd>

namespace brisma::server {

struct CommandLine;

// `brisma-server sources --config FILE [--json]`: how each source fares, failing ones first, as
// every server process on the database left it; one aligned table, or one JSON object per line.
int runSourcesCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
