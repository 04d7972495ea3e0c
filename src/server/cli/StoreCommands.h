#pragma once

#include <iosfwd>

// The operator's commands on a configuration's store: "export" writes the reports as JSON lines,
// "forget" removes a user's profile and reports.
namespace brisma::server {

struct CommandLine;

// `export --config FILE [--since 24h]`.
int runExportCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
// `forget --config FILE USERID`; fails, too, for an id nothing holds.
int runForgetCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
