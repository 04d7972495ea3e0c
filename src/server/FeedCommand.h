#pragma once

#include <iosfwd>
#include <string>
#include <vector>

namespace brisma::server {

// `brisma-server feed [--json] SOURCE`, given the arguments after "feed": reads one source (a
// file or an http(s) address) without configuration or store and prints it, as JSON or as the
// channel feed the server would serve. Repair notices go to `err`. Returns the exit status: 0
// when a feed was read, else 1 after one line on `err`.
int runFeedCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace brisma::server
