#pragma once

#include "common/BrismaError.h"

#include <functional>

namespace brisma::test {

// The number of the BrismaError that `f` raises, 0 when it raises none.
inline long errorNumberOf(const std::function<void()>& f) {
    try {
        f();
    } catch (const BrismaError& e) {
        return e.number();
    }
    return 0;
}

} // namespace brisma::test
