#include "common/BrismaError.h"

namespace brisma {

BrismaError::BrismaError(long number, const std::string& description)
    : std::runtime_error(description), number_(number) {}

BrismaError::BrismaError(long number) : BrismaError(number, errorDescription(number)) {}

std::string errorDescription(long number) {
    switch (number) {
    case err::InvalidArgument:
        return "Invalid procedure call or argument";
    case err::Overflow:
        return "Overflow";
    case err::OutOfMemory:
        return "Out of memory";
    case err::SubscriptOutOfRange:
        return "Subscript out of range";
    case err::TypeMismatch:
        return "Type mismatch";
    case err::BadFileName:
        return "Bad file name or number";
    case err::FileNotFound:
        return "File not found";
    case err::InputPastEndOfFile:
        return "Input past end of file";
    case err::PermissionDenied:
        return "Permission denied";
    case err::PathFileAccess:
        return "Path/File access error";
    case err::ObjectNotSet:
        return "Object variable or With block variable not set";
    case err::NetworkFailure:
        return "The system cannot locate the resource specified.";
    default:
        return "Application-defined or object-defined error";
    }
}

void raise(long number) {
    throw BrismaError(number);
}

void raise(long number, const std::string& what) {
    throw BrismaError(number, errorDescription(number) + ": " + what);
}

void raiseOnNormalPath(long number) {
    throw NormalPathError(number);
}

} // namespace brisma
