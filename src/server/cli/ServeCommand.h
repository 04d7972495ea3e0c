#pragma once

#include <iosfwd>

namespace brisma::server {

struct CommandLine;

// `brisma-server --config FILE [--check]`: serves until SIGTERM or SIGINT, reading the
// configuration again at SIGHUP (a bad one is refused and the one in use kept). The first line on
// `out` is the address it listens at. With --check it only validates the configuration.
int runServeCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
