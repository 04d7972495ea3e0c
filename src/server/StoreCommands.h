#pragma once

#include <ostream>
#include <string>
#include <vector>

// The operator's commands on a configuration's store: "export" writes the reports as JSON lines,
// "forget" removes a user's profile and reports.
namespace brisma::server {

// "--config FILE [--since 24h]". Exit 0, or 1 with one line on `err`.
int runExportCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);
// "--config FILE USERID". Exit 0, or 1 with one line on `err` (also for an id nothing holds).
int runForgetCommand(const std::vector<std::string>& args, std::ostream& out, std::ostream& err);

} // namespace brisma::server
