#pragma once

#include <iosfwd>

// The feed list in and out as OPML: "opml" writes the configuration's channels, "opml-import"
// prints channel tables for an OPML file.
namespace brisma::server {

struct CommandLine;

// `opml --config FILE`.
int runOpmlCommand(const CommandLine& line, std::ostream& out, std::ostream& err);
// `opml-import FILE [--first-number N]`; what it leaves out goes to `err`, a line each.
int runOpmlImportCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
