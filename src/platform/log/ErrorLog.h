#pragma once

#include "common/ErrorReporter.h"

#include <QLoggingCategory>
#include <chrono>
#include <functional>
#include <map>
#include <string>

namespace brisma {

// Where reported errors and deliberately dropped failures leave their trace: warnings for
// reported errors, on by default; debug lines for dropped failures, shown only with
// BRISMA_DEBUG=1.
Q_DECLARE_LOGGING_CATEGORY(lcErrors)

// `text` with every address that has a scheme ("...://...") cut at its first "?" or "#" up to
// the next white space: report addresses carry the user's id, e-mail address and birth date in
// their queries. The texts of failed requests are cut where they are made; this is the net.
std::string withoutQueries(const std::string& text);

// Sets the category from BRISMA_DEBUG: "1" everything, every time; "0" nothing; otherwise
// warnings only. Returns true for "1".
bool configureErrorLog(const char* debugSetting);

// A failure that is handled by giving up on purpose, named by `because`; a trace for debugging.
void logDropped(const char* because, const std::string& detail);

// The observer of the error reporter: each fault and notice as a warning, a text that repeats at
// most once a minute unless `everyTime`; an error met on a normal path as a debug line. A text
// (and a dropped failure's detail) longer than 1000 bytes is cut there.
class ErrorLog {
public:
    using Now = std::function<std::chrono::steady_clock::time_point()>;
    explicit ErrorLog(bool everyTime, Now now = std::chrono::steady_clock::now);
    void operator()(long number, const std::string& text,
                    ErrorReporter::Kind kind = ErrorReporter::Kind::fault);

private:
    bool everyTime_;
    Now now_;
    // When each text was last said. Errors are reported on the GUI thread only.
    std::map<std::string, std::chrono::steady_clock::time_point> lastSaid_;
};

} // namespace brisma
