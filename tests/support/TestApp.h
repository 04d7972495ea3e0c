#pragma once

#include "RecordingErrors.h"
#include "RecordingFlashPlayer.h"
#include "RecordingMessageBox.h"
#include "RecordingTrayIcon.h"
#include "TempAppFolder.h"
#include "TestServer.h"
#include "shell/Application.h"

#include <memory>
#include <string>
#include <vector>

namespace brisma::test {

// The whole application on a temporary folder against a loopback server, with recording
// players and message boxes and a fixed clock. EndApp records instead of ending the process.
class TestApp {
public:
    // `folder` and `server` may be shared between two applications (second instance).
    // `qmlPlayers`: the real QML players instead of the recording ones.
    TestApp(TempAppFolder& folder, TestServer& server, bool qmlPlayers = false);
    ~TestApp();

    Application& app() { return *app_; }
    bool start() { return app_->start(); }
    bool ended() const { return app_->ended(); }

    RecordingPlayerFactory players;
    RecordingTrayFactory trays;
    RecordingMessageBox messages;
    FixedClock clock{DateTime{2026, 12, 8, 10, 20, 30}};
    std::unique_ptr<RecordingErrors> errors;

private:
    std::unique_ptr<Application> app_;
};

// A server script (Shift_JIS) naming every address below the server's base ("<base>logclick",
// ...); `extraEntries` (UTF-8) is added inside the root.
std::string scriptXml(const std::string& base, const std::string& extraEntries = {});

// `bytes` with every "{BASE}" replaced by `base`.
std::string withBase(std::string bytes, const std::string& base);

// Routes the populated server of data/normal: eight channels with feeds, advertisement texts
// and banners, the prefecture list, the movie catalogue, and a script with the bar banner entry
// and `extraEntries`.
void serveNormal(TestServer& server, const std::string& extraEntries = {});

// Writes a registered user's profile of `version` into the folder.
void writeProfile(TempAppFolder& folder, const std::string& version, const std::string& userId = "U001");

// Targets the server saw, split into reports ("/log..." and "/user...") and the rest, each in order.
std::vector<std::string> reportTargets(const TestServer& server);
std::vector<std::string> downloadTargets(const TestServer& server);

} // namespace brisma::test
