#include "ProcessRun.h"
#include "TempAppFolder.h"
#include "TestApp.h"
#include "TestServer.h"
#include "platform/fs/FileSystem.h"
#include "shell/DesktopEntry.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <unistd.h>
#include <vector>

namespace brisma::test {
namespace {

using Env = std::map<std::string, std::optional<std::string>>;

// The environment of a session without any display; `changes` set (or, with no value, remove)
// variables on top.
QProcessEnvironment environment(const Env& changes) {
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM", "XDG_CONFIG_HOME"})
        env.remove(QString::fromLatin1(name));
    for (const auto& [name, value] : changes) {
        if (value)
            env.insert(QString::fromStdString(name), QString::fromStdString(*value));
        else
            env.remove(QString::fromStdString(name));
    }
    return env;
}

Outcome runBrisma(const QStringList& args, const Env& changes) {
    return runProcess(QStringLiteral(BRISMA_EXE), args, environment(changes));
}

struct NoDisplayCase {
    const char* name;
    Env env;
    std::string named; // how the line names the variables
};

class NoDisplay : public ::testing::TestWithParam<NoDisplayCase> {};

// No X server answers at this display number.
const std::string kDeadDisplay = ":4711";

TEST_P(NoDisplay, SaysSoInOneLineAndExitsWithoutTouchingAnything) {
    ASSERT_FALSE(std::filesystem::exists("/tmp/.X11-unix/X4711"));
    TempAppFolder scratch;
    Env env = GetParam().env;
    env["BRISMA_HOME"] = scratch.path() + "/home";
    env["XDG_RUNTIME_DIR"] = scratch.path();
    const Outcome run = runBrisma({}, env);
    EXPECT_FALSE(run.crashed);
    EXPECT_EQ(run.code, 1);
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(run.err, "brisma: no display can be opened (" + GetParam().named +
                           "): start it in a desktop session, or with QT_QPA_PLATFORM=offscreen to run "
                           "without a screen\n");
    EXPECT_FALSE(std::filesystem::exists(scratch.path() + "/home")) << "nothing was created";
}

INSTANTIATE_TEST_SUITE_P(
    Cli, NoDisplay,
    ::testing::Values(
        NoDisplayCase{"nothing", {}, "DISPLAY unset, QT_QPA_PLATFORM unset"},
        NoDisplayCase{"deadServer", {{"DISPLAY", kDeadDisplay}}, "DISPLAY=\":4711\", QT_QPA_PLATFORM unset"},
        NoDisplayCase{"deadServerOnXcb",
                      {{"DISPLAY", kDeadDisplay}, {"QT_QPA_PLATFORM", "xcb"}},
                      "DISPLAY=\":4711\", QT_QPA_PLATFORM=\"xcb\""},
        NoDisplayCase{
            "xcbWithoutDisplay", {{"QT_QPA_PLATFORM", "xcb"}}, "DISPLAY unset, QT_QPA_PLATFORM=\"xcb\""},
        NoDisplayCase{"noWaylandCompositor",
                      {{"WAYLAND_DISPLAY", "wayland-none"}, {"QT_QPA_PLATFORM", "wayland;xcb"}},
                      "DISPLAY unset, WAYLAND_DISPLAY=\"wayland-none\", QT_QPA_PLATFORM=\"wayland;xcb\""}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(Cli, OptionsRunWithoutADisplay) {
    const Outcome help = runBrisma({QStringLiteral("--help")}, {});
    EXPECT_EQ(help.code, 0);
    EXPECT_NE(help.out.find("\n  --autostart on "), std::string::npos) << help.out;
    EXPECT_EQ(help.err, "");

    const Outcome version = runBrisma({QStringLiteral("--version")}, {});
    EXPECT_EQ(version.code, 0);
    EXPECT_EQ(version.out, "3.1.1\n");

    for (const QStringList& bad : {QStringList{QStringLiteral("--autostart")},
                                   QStringList{QStringLiteral("--autostart"), QStringLiteral("yes")},
                                   QStringList{QStringLiteral("--autostart=")}}) {
        const Outcome run = runBrisma(bad, {});
        EXPECT_FALSE(run.crashed);
        EXPECT_EQ(run.code, 2) << bad.join(u' ').toStdString();
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err.rfind("brisma: --autostart takes on or off\nUsage: brisma ", 0), 0u) << run.err;
    }
}

TEST(Cli, AutostartOnWritesTheEntryAndOffRemovesIt) {
    TempAppFolder home;
    const std::string folder = home.path() + "/config/autostart";
    const std::string entry = folder + "/brisma.desktop";
    const Env env{{"HOME", home.path()}, {"XDG_CONFIG_HOME", home.path() + "/config"}};

    // Twice: the second replaces the first.
    for (int i = 0; i < 2; ++i) {
        const Outcome on = runBrisma({QStringLiteral("--autostart"), QStringLiteral("on")}, env);
        EXPECT_EQ(on.code, 0);
        EXPECT_EQ(on.out, "brisma: wrote " + entry + ": Brisma starts at login\n");
    }
    std::string expected = readTestData(BRISMA_TEST_DATA, "autostart.desktop");
    expected.replace(expected.find("@EXEC@"), 6, std::filesystem::canonical(BRISMA_EXE).string());
    EXPECT_EQ(fs::readFile(entry), expected);
    EXPECT_EQ(fs::listFolder(folder, false), std::vector<std::string>{"brisma.desktop"})
        << "no temporary left";

    const Outcome off = runBrisma({QStringLiteral("--autostart=off")}, env);
    EXPECT_EQ(off.code, 0);
    EXPECT_EQ(off.out, "brisma: removed " + entry + ": Brisma no longer starts at login\n");
    EXPECT_FALSE(std::filesystem::exists(entry));
    const Outcome again = runBrisma({QStringLiteral("--autostart"), QStringLiteral("off")}, env);
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, "brisma: " + entry + " does not exist: Brisma does not start at login\n");

    // Without XDG_CONFIG_HOME (or with a relative one) the folder is below ~/.config.
    const Outcome fallback =
        runBrisma({QStringLiteral("--autostart=on")}, {{"HOME", home.path()}, {"XDG_CONFIG_HOME", "rel"}});
    EXPECT_EQ(fallback.code, 0);
    EXPECT_EQ(fs::readFile(home.path() + "/.config/autostart/brisma.desktop"), expected);
}

TEST(Cli, TheFirstStartSaysWhichFolderAndServerOnce) {
    TempAppFolder scratch;
    TestServer server;
    const std::string folder = scratch.path() + "/new/brisma";
    const Env env{
        {"BRISMA_HOME", folder}, {"BRISMA_SERVER", server.base()}, {"QT_QPA_PLATFORM", "offscreen"}};
    const std::string line = "brisma: first start: created the application folder " + folder +
                             "; the server is " + server.base() + "\n";

    // The first run goes on to start up; the line is all this test wants from it.
    QProcess first;
    first.setProcessEnvironment(environment(env));
    first.setReadChannel(QProcess::StandardError);
    first.start(QStringLiteral(BRISMA_EXE), {});
    std::string err;
    while (err.find(line) == std::string::npos && first.waitForReadyRead(30000))
        err += first.readAllStandardError().toStdString();
    first.kill();
    first.waitForFinished();
    err += first.readAllStandardError().toStdString();
    const auto at = err.find(line);
    ASSERT_NE(at, std::string::npos) << err;
    EXPECT_TRUE(at == 0 || err[at - 1] == '\n') << "a line of its own";
    EXPECT_EQ(err.find("first start", at + line.size()), std::string::npos) << "said once";
    ASSERT_TRUE(std::filesystem::is_directory(folder));

    // The second finds the folder; held by the test as by a running instance, it ends at once.
    fs::FileLock running;
    ASSERT_TRUE(running.lock(folder, false));
    const Outcome second = runBrisma({}, env);
    EXPECT_FALSE(second.crashed);
    EXPECT_EQ(second.code, 0);
    EXPECT_EQ(second.err.find("first start"), std::string::npos) << second.err;
}

// A logout while start-up still waits for the server ends the client once start-up returns.
// While the script is on its way, and while the client waits to ask for it again.
TEST(Cli, ATerminationDuringStartUpEndsTheClient) {
    for (const int status : {200, 503}) {
        TempAppFolder folder;
        TestServer server;
        serveNormal(server);
        TestServer::Response script;
        script.body = scriptXml(server.base());
        script.status = status;
        script.delayMs = status == 200 ? 2000 : 0;
        server.route("/scripts_desktop3.xml", script);
        QProcess client;
        client.setProcessEnvironment(environment({{"BRISMA_HOME", folder.path()},
                                                  {"BRISMA_SERVER", server.base()},
                                                  {"BRISMA_SCRIPT_RETRY_MS", "300"},
                                                  {"QT_QPA_PLATFORM", "offscreen"}}));
        client.start(QStringLiteral(BRISMA_EXE), {});
        ASSERT_TRUE(server.waitForRequests(status == 200 ? 1 : 2, 30000));
        client.terminate();
        const bool ended = client.waitForFinished(20000);
        if (!ended) {
            client.kill();
            client.waitForFinished();
        }
        EXPECT_TRUE(ended) << "still running after the signal";
        EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(client.exitCode(), 0);
    }
}

// A logout while a download is held open by the server: the client gives it up and ends at once,
// with nothing further asked of the server; during start-up (the channel registry held) and
// after it (a channel change from the list panel, its feed held).
TEST(Cli, ATerminationEndsTheClientWhileTheServerHoldsADownload) {
    for (const bool started : {false, true}) {
        TempAppFolder folder;
        writeProfile(folder, "3.1.1");
        TestServer server;
        const std::string held = started ? "/feeds/33.xml" : "/channel.xml";
        // The list panel's commands run once start-up is over.
        const std::string list = "import QtQuick\nItem {\n    Component.onCompleted: {\n"
                                 "        flash.fscommand(\"log\", \"" +
                                 server.base() +
                                 "running\")\n"
                                 "        flash.fscommand(\"channel:chset\", \"33-\")\n    }\n}\n";
        server.route("/m/listflash", list);
        serveNormal(server, "<Directory><Name>listflash</Name><Argument>False</Argument><Url>" +
                                server.base() + "m/listflash</Url><Version>1</Version></Directory>");
        TestServer::Response hang;
        hang.hang = true;
        server.route(held, hang);
        QProcess client;
        client.setProcessEnvironment(environment({{"BRISMA_HOME", folder.path()},
                                                  {"BRISMA_SERVER", server.base()},
                                                  {"QT_QPA_PLATFORM", "offscreen"}}));
        client.start(QStringLiteral(BRISMA_EXE), {});
        ASSERT_TRUE(client.waitForStarted());
        const auto asked = [&](const std::string& target) {
            const auto targets = server.targets();
            return std::any_of(targets.begin(), targets.end(),
                               [&](const std::string& t) { return t.rfind(target, 0) == 0; });
        };
        // The report that start-up is over goes out beside the download that follows it.
        const auto there = [&] { return asked(held) && (!started || asked("/running")); };
        for (int i = 0; i < 300 && client.state() == QProcess::Running && !there(); ++i)
            client.waitForFinished(100);
        ASSERT_TRUE(there()) << ::testing::PrintToString(server.targets());
        client.terminate();
        // A guard against a hang, not a measure: the client ends well within it.
        const bool ended = client.waitForFinished(10000);
        if (!ended) {
            client.kill();
            client.waitForFinished();
        }
        EXPECT_TRUE(ended) << held << ": still running after the signal";
        EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(client.exitCode(), 0);
        // The panel's report may overtake the download it comes before.
        std::vector<std::string> downloads = downloadTargets(server);
        std::erase_if(downloads, [](const std::string& t) { return t.rfind("/running", 0) == 0; });
        EXPECT_EQ(downloads.back(), held) << "nothing downloaded after the signal";
    }
}

// Without XDG_RUNTIME_DIR the channel of a second start lives in the temporary folder's
// brisma-<uid>; one that another user made first is refused, and the client says so once.
TEST(Cli, AChannelFolderOfAnotherUserIsRefusedAndSaidOnce) {
    TempAppFolder scratch;
    const std::string channels = scratch.path() + "/brisma-" + std::to_string(::getuid());
    std::filesystem::create_directory(channels);
    // As root the folder goes to another user; otherwise it is opened to others, refused alike.
    if (::chown(channels.c_str(), 65534, 65534) != 0)
        std::filesystem::permissions(channels, std::filesystem::perms::all);
    TempAppFolder folder;
    writeProfile(folder, "3.1.1");
    TestServer server;
    serveNormal(server);
    QProcess client;
    client.setProcessEnvironment(environment({{"BRISMA_HOME", folder.path()},
                                              {"BRISMA_SERVER", server.base()},
                                              {"QT_QPA_PLATFORM", "offscreen"},
                                              {"XDG_RUNTIME_DIR", std::nullopt},
                                              {"TMPDIR", scratch.path()}}));
    client.setReadChannel(QProcess::StandardError);
    client.start(QStringLiteral(BRISMA_EXE), {});
    ASSERT_TRUE(client.waitForStarted());
    const std::string line = "brisma: " + channels +
                             " is not a folder of this user's that only this user may enter; a second start "
                             "cannot bring this one into view (set XDG_RUNTIME_DIR, or remove that folder)\n";
    std::string err;
    while (err.find(line) == std::string::npos && client.waitForReadyRead(30000))
        err += client.readAllStandardError().toStdString();
    client.terminate();
    if (!client.waitForFinished(10000))
        client.kill();
    client.waitForFinished();
    err += client.readAllStandardError().toStdString();
    const auto at = err.find(line);
    ASSERT_NE(at, std::string::npos) << err;
    EXPECT_EQ(err.find(line, at + 1), std::string::npos) << "said once";
    EXPECT_EQ(client.exitCode(), 0);
    EXPECT_TRUE(std::filesystem::is_empty(channels)) << "nothing was put there";
}

// A banner address of 60 000 characters on a closed port: each banner's download fails, and
// the lines that say so are cut short; the client starts and ends as usual.
TEST(Cli, AnErrorAboutAVeryLongAddressIsLoggedShort) {
    TempAppFolder folder;
    writeProfile(folder, "3.1.1");
    TestServer server;
    serveNormal(server);
    std::string closed;
    {
        TestServer gone;
        closed = gone.base();
    }
    std::string script = scriptXml(
        server.base(),
        "<Directory><Name>ticker_banner</Name><Argument>False</Argument><Url>" + server.base() +
            "ticker_banner.bmp</Url><Version>-1</Version><TBId/><TBText/><TBHref/><TBView/></Directory>");
    const std::string banner = server.base() + "banner/";
    script.replace(script.find(banner), banner.size(), closed + std::string(60000, 'b') + "/");
    server.route("/scripts_desktop3.xml", script);

    QProcess client;
    client.setProcessEnvironment(environment({{"BRISMA_HOME", folder.path()},
                                              {"BRISMA_SERVER", server.base()},
                                              {"QT_QPA_PLATFORM", "offscreen"}}));
    client.setReadChannel(QProcess::StandardError);
    client.start(QStringLiteral(BRISMA_EXE), {});
    ASSERT_TRUE(client.waitForStarted());
    const std::string said = "brisma.errors: error -2146697211: clsBrismaChannel.ReadBanner >";
    std::string err;
    while (err.find(said) == std::string::npos && client.waitForReadyRead(30000))
        err += client.readAllStandardError().toStdString();
    // Start-up goes on to the movie catalogue.
    const auto catalogue = [&] {
        const auto targets = server.targets();
        return std::find(targets.begin(), targets.end(), "/movie//movie.xml") != targets.end();
    };
    for (int i = 0; i < 300 && client.state() == QProcess::Running && !catalogue(); ++i)
        client.waitForFinished(100);
    EXPECT_TRUE(catalogue());
    client.terminate();
    const bool ended = client.waitForFinished(20000);
    if (!ended)
        client.kill();
    client.waitForFinished();
    err += client.readAllStandardError().toStdString();
    EXPECT_EQ(client.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(client.exitCode(), 0);
    ASSERT_NE(err.find(said), std::string::npos) << err.substr(0, 2000);
    std::istringstream lines(err);
    for (std::string line; std::getline(lines, line);)
        EXPECT_LE(line.size(), 1100u) << line.substr(0, 200);
}

TEST(DesktopEntry, ExecQuotesWhatTheEntrySyntaxReserves) {
    const std::pair<std::string, std::string> cases[] = {
        {"/usr/local/bin/brisma", "/usr/local/bin/brisma"},
        {"/opt/my apps/brisma", "\"/opt/my apps/brisma\""},
        {"/opt/100%/brisma", "/opt/100%%/brisma"},
        {"/opt/$x\"y/brisma", "\"/opt/\\\\$x\\\\\"y/brisma\""},
        {"/opt/a\\b/brisma", "\"/opt/a\\\\\\\\b/brisma\""},
    };
    for (const auto& [path, exec] : cases)
        EXPECT_EQ(DesktopExecArgument(path), exec) << path;
}

} // namespace
} // namespace brisma::test
