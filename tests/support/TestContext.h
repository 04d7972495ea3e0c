#pragma once

#include "RecordingErrors.h"
#include "RecordingMessageBox.h"
#include "TempAppFolder.h"
#include "TestServer.h"
#include "platform/Services.h"

namespace brisma::test {

// The services for module tests: a fresh application folder with its three folders, a loopback
// server whose base is the server base, a fixed clock, recorded message boxes and a real HTTP
// client. The services are also reachable by name, as the modules take them.
struct TestContext {
    TestContext();

    TempAppFolder folder;
    TestServer server;
    RecordingMessageBox messages;
    FixedClock clock{DateTime{2026, 12, 8, 10, 20, 30}};
    Services services{{folder.path(), server.base(), messages, &clock, shortLimits()}};
    AppPaths& paths = services.paths;
    std::string& serverBase = services.serverBase;
    ScriptValues& script = services.script;
    ErrorReporter& errors = services.errors;
    EventGate& gate = services.gate;
    HttpClient& http = services.http;
    RecordingErrors recorded{errors};

    // Limits short enough that a hanging server fails a test in seconds.
    static HttpLimits shortLimits();
};

} // namespace brisma::test
