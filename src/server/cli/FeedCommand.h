#pragma once

#include <iosfwd>

namespace brisma::server {

struct CommandLine;

// `brisma-server feed [--json] SOURCE`: reads one source (a file or an http(s) address) without
// configuration or store and prints it, as JSON or as the channel feed the server would serve.
// Repair notices go to `err`. Fails, after one line on `err`, when no feed was read.
int runFeedCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
