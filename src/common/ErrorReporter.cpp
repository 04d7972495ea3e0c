#include "common/ErrorReporter.h"

#include "common/BrismaError.h"

#include <exception>
#include <new>

namespace brisma {

namespace {

bool normalPathInFlight() {
    if (!std::current_exception())
        return false;
    try {
        throw;
    } catch (const NormalPathError&) {
        return true;
    } catch (...) {
        return false;
    }
}

} // namespace

void ErrorReporter::ErrorEnd(long number, const std::string& text) const {
    if (observer_)
        observer_(number, text, normalPathInFlight() ? Kind::normalPath : Kind::fault);
}

void ErrorReporter::notice(const std::string& text) const {
    if (observer_)
        observer_(0, text, Kind::notice);
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

} // namespace brisma
