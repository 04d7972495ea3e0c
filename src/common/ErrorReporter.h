#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace brisma {

// The common error reporter. `ErrorEnd` shows and records nothing and returns at once; an
// observer (the error log, tests) may watch the reports.
class ErrorReporter {
public:
    // What a report is to its observer: a fault; an error met on a normal path (a new folder, an
    // empty catalogue), which is no fault; or a notice, a fault that no procedure reports as an
    // error (a channel whose feed cannot be read).
    enum class Kind { fault, normalPath, notice };
    using Observer = std::function<void(long number, const std::string& text, Kind kind)>;

    // Called by a handler while its error is in flight: one raised on a normal path is reported
    // as such, every other as a fault.
    void ErrorEnd(long number, const std::string& text) const;
    void notice(const std::string& text) const;
    void setObserver(Observer observer) { observer_ = std::move(observer); }

private:
    Observer observer_;
};

// Thrown by EndApp where the process cannot end at once (tests), and by a download once the
// client is terminating: it passes every handler and stops the procedure in progress.
struct ApplicationEnded {};

// Number and description of the exception in flight (BrismaError, std::exception, anything).
void currentError(long& number, std::string& description);

// Runs `body`; a run-time error that reaches here goes to `handler(number, description)` and the
// call returns normally. ApplicationEnded passes through.
template <class F, class H> void onRunTimeError(F&& body, H&& handler) {
    try {
        body();
    } catch (const ApplicationEnded&) {
        throw;
    } catch (...) {
        long number = 0;
        std::string description;
        currentError(number, description);
        handler(number, description);
    }
}

// The convention of every procedure "with a handler": report `label` + description and return
// `failValue`.
template <class R, class F>
R withHandler(const ErrorReporter& errors, const char* label, R failValue, F&& body) {
    R result = failValue;
    onRunTimeError([&] { result = body(); },
                   [&](long number, const std::string& description) {
                       errors.ErrorEnd(number, std::string(label) + description);
                       result = failValue;
                   });
    return result;
}

template <class F> void withHandler(const ErrorReporter& errors, const char* label, F&& body) {
    onRunTimeError(body, [&](long number, const std::string& description) {
        errors.ErrorEnd(number, std::string(label) + description);
    });
}

// Handlers that report their bare name instead of label and description.
template <class F> void withNamedHandler(const ErrorReporter& errors, const char* name, F&& body) {
    onRunTimeError(body, [&](long number, const std::string&) { errors.ErrorEnd(number, name); });
}

// For procedures that return the error number rather than a fixed failure value: `body`'s
// result, or the number of the run-time error that reaches here.
template <class F> int32_t errorNumberOf(F&& body) {
    int32_t result = 0;
    onRunTimeError([&] { result = body(); },
                   [&](long number, const std::string&) { result = static_cast<int32_t>(number); });
    return result;
}

// The same, reporting `label` + description.
template <class F> int32_t errorNumberOf(const ErrorReporter& errors, const char* label, F&& body) {
    int32_t result = 0;
    onRunTimeError([&] { result = body(); },
                   [&](long number, const std::string& description) {
                       errors.ErrorEnd(number, std::string(label) + description);
                       result = static_cast<int32_t>(number);
                   });
    return result;
}

} // namespace brisma
