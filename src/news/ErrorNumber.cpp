#include "news/ErrorNumber.h"

#include "common/ErrorReporter.h"

#include <string>

namespace brisma {

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
