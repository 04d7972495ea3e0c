#pragma once

#include <iosfwd>

namespace brisma::server {

struct CommandLine;

// `backup --config FILE DEST`: a consistent copy of the SQLite store in the folder DEST, taken
// while the server runs.
int runBackupCommand(const CommandLine& line, std::ostream& out, std::ostream& err);

} // namespace brisma::server
