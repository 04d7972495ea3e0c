#pragma once

#include "RecordingErrors.h"
#include "RecordingMessageBox.h"
#include "TempAppFolder.h"
#include "TestServer.h"
#include "common/AppContext.h"
#include "platform/http/HttpClient.h"
#include "platform/ui/EventGate.h"

namespace brisma::test {

// A whole AppContext for module tests: a fresh application folder with its three folders, a
// loopback server whose base is the server base, a fixed clock and a real HTTP client.
struct TestContext {
    TestContext();

    TempAppFolder folder;
    TestServer server;
    AppPaths paths{folder.path()};
    std::string serverBase = server.base();
    ScriptValues script;
    ErrorReporter errors;
    RecordingErrors recorded{errors};
    FixedClock clock{DateTime{2026, 12, 8, 10, 20, 30}};
    EventGate gate;
    HttpLimits limits = shortLimits();
    HttpClient http{&gate, limits};
    RecordingMessageBox messages;
    AppContext ctx{paths, serverBase, script, errors, clock, http, gate, messages};

    // Limits short enough that a hanging server fails a test in seconds.
    static HttpLimits shortLimits();
};

} // namespace brisma::test
