#pragma once

#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/ErrorReporter.h"
#include "common/MessageBox.h"
#include "common/ScriptValues.h"
#include "platform/events/EventGate.h"
#include "platform/http/HttpClient.h"

#include <string>

namespace brisma {

struct ServicesConfig {
    std::string appFolder;
    std::string serverBase;
    MessageBoxService& messages;
    const Clock* clock = nullptr; // null: the system clock
    HttpLimits httpLimits;
};

// The services the modules are built with, assembled in one place for the application, the
// tests, the fuzz targets and the benchmarks. Each module is handed only those it uses.
class Services {
    SystemClock systemClock_;

public:
    explicit Services(ServicesConfig config);
    Services(const Services&) = delete;
    Services& operator=(const Services&) = delete;

    AppPaths paths;
    std::string serverBase;
    // Empty until the server script has been read.
    ScriptValues script;
    ErrorReporter errors;
    EventGate gate;
    HttpClient http;
    MessageBoxService& messages;
    const Clock& clock;
};

} // namespace brisma
