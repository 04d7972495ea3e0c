#pragma once

// What the bar benchmarks share: heap counting, a whole application with the bar open on a
// merged list of long headlines, and timing helpers.
#include "TestApp.h"

#include <chrono>
#include <string>
#include <vector>

namespace brisma {
class frmTicker;
}

namespace brisma::bench {

// Every malloc, calloc, realloc and operator new of the process since it started.
long heapAllocations();

// Ten slots of headlines as long as real ones, on a bar as wide as the screen.
void fillMergedList(Application& app, int count);

// The value at `fraction` (0.5 median, 1.0 worst) of `values`, which it sorts.
double percentile(std::vector<double>& values, double fraction);

inline double microsecondsSince(std::chrono::steady_clock::time_point start) {
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count();
}

// Which drawing path the bar took, and on which platform.
std::string drawingPath(const frmTicker& bar);

} // namespace brisma::bench
