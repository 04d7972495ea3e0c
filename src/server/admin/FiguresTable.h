#pragma once

#include "server/store/Figures.h"

#include <ostream>

// The operator's figures as plain text tables, for `brisma-server stats`.
namespace brisma::server {

void printFigures(std::ostream& out, const Figures& figures);

} // namespace brisma::server
