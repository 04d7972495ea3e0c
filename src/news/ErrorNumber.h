#pragma once

#include <cstdint>

namespace brisma {

class ErrorReporter;

// For operations that return the error number instead of a fixed failure value. Call only
// inside a catch block: the number of the error in flight.
int32_t caughtNumber();
// The same after reporting `label` + description to the error reporter.
int32_t reportCaught(const ErrorReporter& errors, const char* label);

} // namespace brisma
