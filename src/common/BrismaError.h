#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

namespace brisma {

// The system's run-time error numbers; the error texts that the server or the tests see depend
// on them.
namespace err {
constexpr long InvalidArgument = 5;
constexpr long Overflow = 6;
constexpr long OutOfMemory = 7;
constexpr long SubscriptOutOfRange = 9;
constexpr long TypeMismatch = 13;
constexpr long BadFileName = 52;
constexpr long FileNotFound = 53;
constexpr long InputPastEndOfFile = 62;
constexpr long PermissionDenied = 70;
constexpr long PathFileAccess = 75;
constexpr long ObjectNotSet = 91;
// Transport failures keep a number of their own, negative, as the server and the texts know it.
constexpr long NetworkFailure = -2146697211; // resource could not be located / reached
} // namespace err

// The one exception type of the system: a number and its description.
class BrismaError : public std::runtime_error {
public:
    BrismaError(long number, const std::string& description);
    explicit BrismaError(long number);
    long number() const { return number_; }

private:
    long number_;
};

// An error met on a normal path: a file not written yet, an empty catalogue. Handled and reported
// like any other; the error log says it only when debugging.
class NormalPathError : public BrismaError {
public:
    using BrismaError::BrismaError;
};

// The standard description of one of the numbers above ("Overflow", "Type mismatch", ...).
std::string errorDescription(long number);

// Raises the error `number` with its standard description.
[[noreturn]] void raise(long number);
// The same, its description followed by ": " and `what` (the file, name or value refused).
[[noreturn]] void raise(long number, const std::string& what);
// Raises the error `number` as met on a normal path.
[[noreturn]] void raiseOnNormalPath(long number);

} // namespace brisma
