#include "server/model/ReportKind.h"

namespace brisma::server {

std::string_view kindName(ReportKind kind) {
    switch (kind) {
    case ReportKind::Click:
        return "click";
    case ReportKind::AdClick:
        return "adclick";
    case ReportKind::AdView:
        return "adview";
    case ReportKind::View:
        return "view";
    case ReportKind::Update:
        return "update";
    case ReportKind::Log:
        break;
    }
    return "log";
}

} // namespace brisma::server
