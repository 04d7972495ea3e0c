#pragma once

#include "common/AppPaths.h"
#include "common/Clock.h"
#include "common/ErrorReporter.h"
#include "common/MessageBox.h"
#include "common/ScriptValues.h"

#include <string>

namespace brisma {

class HttpClient;
class EventGate;

// What every module of the system is given: the application folder, the server base address,
// the server script values, the error reporter, the clock, HTTP, the event gate and message
// boxes. The application object owns all of them.
struct AppContext {
    const AppPaths& paths;
    const std::string& serverBase;
    const ScriptValues& script;
    const ErrorReporter& errors;
    const Clock& clock;
    HttpClient& http;
    EventGate& gate;
    MessageBoxService& messages;
};

} // namespace brisma
