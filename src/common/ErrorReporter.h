#pragma once

#include <functional>
#include <string>

namespace brisma {

// The common error reporter. `ErrorEnd` shows and records nothing and returns at once; an
// observer (tests, BRISMA_DEBUG) may watch the reports.
class ErrorReporter {
public:
    using Observer = std::function<void(long number, const std::string& text)>;

    void ErrorEnd(long number, const std::string& text) const;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    Observer observer_;
};

// The handler convention of every procedure "with a handler": run `body`; when a run-time error
// reaches the boundary, report `label` + description and return `failValue`.
template <class R, class F> R withHandler(const ErrorReporter& errors, const char* label, R failValue, F&& body);

// Same for procedures without a result.
template <class F> void withHandler(const ErrorReporter& errors, const char* label, F&& body);

// Number and description of the exception in flight (BrismaError, std::exception, anything).
void currentError(long& number, std::string& description);

template <class R, class F> R withHandler(const ErrorReporter& errors, const char* label, R failValue, F&& body) {
    try {
        return body();
    } catch (...) {
        long number = 0;
        std::string description;
        currentError(number, description);
        errors.ErrorEnd(number, std::string(label) + description);
        return failValue;
    }
}

template <class F> void withHandler(const ErrorReporter& errors, const char* label, F&& body) {
    try {
        body();
    } catch (...) {
        long number = 0;
        std::string description;
        currentError(number, description);
        errors.ErrorEnd(number, std::string(label) + description);
    }
}

} // namespace brisma
