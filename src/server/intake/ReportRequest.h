#pragma once

#include "server/model/Query.h"
#include "server/model/ReportKind.h"

#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// A request as the client builds it: values go into the query unescaped, so an `&` inside an
// e-mail address splits it. What arrived is kept key by key, in order, duplicates included.
namespace brisma::server {

enum class Route {
    Report,        // under /log/
    Registration,  // /user?com=regist
    ProfileUpdate, // /user?com=update
    Other,         // anything else: documents, or a /user request with another com
};

struct Request {
    Route route = Route::Other;
    ReportKind kind = ReportKind::Log; // for Route::Report
    std::string path;                  // percent-decoded
    Query query;                       // keys and values percent-decoded; `+` stays `+`
};

// Answered with 400 and stored nowhere. The text names the rule, never the request's data.
class RequestRefused : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads a request target ("/log/click?version=..."). Refuses a target over 8 KiB, a control
// character or invalid UTF-8 after decoding, and, in a report, non-digits in id, channel, date or
// time. Nothing else is refused: a `%` without two hex digits stays as it is.
Request readRequest(std::string_view target);

} // namespace brisma::server
