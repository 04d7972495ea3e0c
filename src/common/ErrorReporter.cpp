#include "common/ErrorReporter.h"

#include "common/BrismaError.h"

#include <new>

namespace brisma {

void ErrorReporter::ErrorEnd(long number, const std::string& text) const {
    if (observer_)
        observer_(number, text);
}

void currentError(long& number, std::string& description) {
    try {
        throw;
    } catch (const BrismaError& e) {
        number = e.number();
        description = e.what();
    } catch (const std::bad_alloc&) {
        number = err::OutOfMemory;
        description = errorDescription(number);
    } catch (const std::out_of_range&) {
        number = err::SubscriptOutOfRange;
        description = errorDescription(number);
    } catch (const std::exception& e) {
        number = err::InvalidArgument;
        description = e.what();
    } catch (...) {
        number = err::InvalidArgument;
        description = errorDescription(number);
    }
}

int32_t caughtNumber() {
    long number = 0;
    std::string description;
    currentError(number, description);
    return static_cast<int32_t>(number);
}

int32_t reportCaught(const ErrorReporter& errors, const char* label) {
    long number = 0;
    std::string description;
    currentError(number, description);
    errors.ErrorEnd(number, std::string(label) + description);
    return static_cast<int32_t>(number);
}

} // namespace brisma
