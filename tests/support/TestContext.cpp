#include "TestContext.h"

#include <filesystem>

namespace brisma::test {

TestContext::TestContext() {
    for (const char* sub : {"/flash", "/flash/xml", "/flash/banner"})
        std::filesystem::create_directories(folder.path() + sub);
}

HttpLimits TestContext::shortLimits() {
    HttpLimits l;
    l.connectTimeoutMs = 2000;
    l.totalTimeoutMs = 5000;
    l.stallTimeoutMs = 3000;
    return l;
}

} // namespace brisma::test
