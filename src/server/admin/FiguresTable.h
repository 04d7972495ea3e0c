#pragma once

#include "server/store/Figures.h"

#include <cstdio>
#include <ostream>
#include <string>

// The operator's figures as plain text tables, for `brisma-server stats` and `ads`.
namespace brisma::server {

// One line of a text table, as printf formats it.
std::string tableRow(const char* format, auto... values) {
    char line[512];
    std::snprintf(line, sizeof line, format, values...);
    return line;
}

void printFigures(std::ostream& out, const Figures& figures);

} // namespace brisma::server
