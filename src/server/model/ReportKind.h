#pragma once

#include <string_view>

// What a report below /log/ tells, by its name there; every other name is a module's own log.
namespace brisma::server {

enum class ReportKind { Click, AdClick, AdView, View, Update, Log };

// As stored and exported: "click", "adclick", "adview", "view", "update", "log".
std::string_view kindName(ReportKind kind);

} // namespace brisma::server
