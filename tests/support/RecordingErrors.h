#pragma once

#include "common/ErrorReporter.h"

#include <string>
#include <vector>

namespace brisma::test {

// Installs itself as the observer of `errors` and keeps every report, the notices apart.
struct RecordingErrors {
    struct Report {
        long number;
        std::string text;
        ErrorReporter::Kind kind;
    };

    explicit RecordingErrors(ErrorReporter& errors) {
        errors.setObserver([this](long n, const std::string& t, ErrorReporter::Kind kind) {
            if (kind == ErrorReporter::Kind::notice)
                notices.push_back(t);
            else
                reports.push_back({n, t, kind});
        });
    }
    // True when some report's text begins with `label`.
    bool has(const std::string& label) const {
        for (const auto& r : reports)
            if (r.text.rfind(label, 0) == 0)
                return true;
        return false;
    }
    std::vector<Report> reports;
    std::vector<std::string> notices;
};

} // namespace brisma::test
