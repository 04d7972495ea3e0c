// brisma-server's reports and users, through the real executable over loopback and read back with
// its own `export`: answered only once durable (SIGKILL while 50 clients send), registrations
// unique, hostile requests stored nowhere, on SQLite and on a private PostgreSQL.
#include "Loopback.h"
#include "PostgresServer.h"
#include "ServerProcess.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <csignal>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <gtest/gtest.h>
#include <mutex>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <regex>
#include <set>
#include <sys/socket.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

namespace brisma::test {
namespace {

namespace fs = std::filesystem;

const std::string Stamp = "&date=20261209&time=110000";

std::string clickTarget(const std::string& user, const std::string& id) {
    return "/log/click?version=3.1.1&userid=" + user + "&channel=" + id.substr(0, 3) +
           "&type=desktop3&id=" + id + Stamp;
}

// The value of a string key of one export line; "" for null.
std::string field(const std::string& line, const std::string& key) {
    const std::string mark = "\"" + key + "\":\"";
    const std::size_t at = line.find(mark);
    return at == std::string::npos
               ? ""
               : line.substr(at + mark.size(), line.find('"', at + mark.size()) - at - mark.size());
}

const std::string Unlimited = "reports_per_minute = 1000000000\nregistrations_per_hour = 1000000000\n";

class IntakeTest : public ::testing::TestWithParam<bool> {
protected:
    void SetUp() override {
        folder_ = fs::temp_directory_path() / ("brisma-intake-" + std::to_string(::getpid()));
        fs::remove_all(folder_);
        fs::create_directories(folder_);
        if (GetParam()) {
            static std::string why;
            static const std::unique_ptr<PostgresServer> postgres = PostgresServer::start(why);
            if (!postgres)
                GTEST_SKIP() << "PostgreSQL skipped: " << why;
            postgres_ = postgres.get();
            static int databases = 0;
            database_ = postgres->createDatabase("intake" + std::to_string(++databases));
        }
        writeConfig();
        start();
    }

    // The test's configuration, with `more` lines for [server]. Without limits of their own, the
    // tests' many reports from one address are never refused.
    void writeConfig(const std::string& more = Unlimited) {
        std::ofstream(folder_ / "server.toml")
            << "[server]\nlisten = \"127.0.0.1:0\"\nbase = \"http://127.0.0.1:19999/\"\ndata = "
               "\"var\"\ncontent = \""
            << BRISMA_DEMO_CONTENT << "\"\ndatabase = \"" << database_ << "\"\nkeep_users = [\"DEMO0001\"]\n"
            << more << "\n[[channel]]\nnumber = 1\nname = \"a\"\ngenre = \"b\"\nowner = \"c\"\nsources = [\""
            << BRISMA_DEMO_CONTENT << "/../sources/general.xml\"]\n";
    }
    void TearDown() override {
        server_.reset();
        fs::remove_all(folder_);
    }

    void start(const std::vector<std::string>& environment = {}, const std::string& errorsTo = {}) {
        server_.reset();
        server_ = std::make_unique<ServerProcess>(
            std::vector<std::string>{BRISMA_SERVER_EXE, "--config", (folder_ / "server.toml").string()},
            false, environment, errorsTo);
        std::smatch m;
        ASSERT_TRUE(std::regex_match(server_->firstLine(), m, std::regex(R"(http://127\.0\.0\.1:(\d+)/)")))
            << server_->firstLine();
        port_ = std::stoi(m[1]);
    }

    std::vector<std::string> exported() {
        const auto [out, status] = runCommand(std::string(BRISMA_SERVER_EXE) + " export --config " +
                                              (folder_ / "server.toml").string());
        EXPECT_EQ(status, 0);
        std::vector<std::string> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(line);
        return lines;
    }

    fs::path folder_;
    std::string database_;               // empty: SQLite
    PostgresServer* postgres_ = nullptr; // with PostgreSQL
    std::unique_ptr<ServerProcess> server_;
    int port_ = 0;
};

// 50 clients on kept-alive connections send clicks until the server is killed with SIGKILL:
// every click answered 200 is in the export after a restart.
TEST_P(IntakeTest, EveryAnsweredReportOutlivesSigkill) {
    std::mutex mutex;
    std::set<std::string> answered;
    std::atomic<bool> stop{false};
    std::vector<std::thread> clients;
    for (int client = 0; client < 50; ++client)
        clients.emplace_back([&, client] {
            Loopback connection(port_);
            for (long n = 0; !stop; ++n) {
                char id[40];
                std::snprintf(id, sizeof id, "%03d%016ld", client, n);
                const auto response = connection.get(clickTarget("DEMO0001", id));
                if (!response)
                    return;
                if (response->status == 200) {
                    std::lock_guard lock(mutex);
                    answered.insert(id);
                }
            }
        });
    for (int waited = 0; waited < 600; ++waited) {
        {
            std::lock_guard lock(mutex);
            if (answered.size() >= 5000)
                break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    server_->kill();
    stop = true;
    for (std::thread& client : clients)
        client.join();
    ASSERT_GT(answered.size(), 0u);

    start();
    std::set<std::string> stored;
    for (const std::string& line : exported()) {
        EXPECT_EQ(field(line, "kind"), "click");
        EXPECT_EQ(field(line, "userid"), "DEMO0001");
        stored.insert(field(line, "id"));
    }
    std::size_t missing = 0;
    for (const std::string& id : answered)
        missing += stored.contains(id) ? 0 : 1;
    EXPECT_EQ(missing, 0u) << "of " << answered.size() << " answered, " << stored.size() << " stored";
}

// Registrations get ids of their own, the id alone as the body; an update needs a known id; a
// forgotten user's reports leave the export.
TEST_P(IntakeTest, UsersRegisterUpdateAndAreForgotten) {
    Loopback connection(port_);
    const std::string registration = "/user?com=regist&version=3.1.1&type=desktop3&email=a&b@example.jp&sex="
                                     "1&bday=19800101&prefecture=0&prid=13"
                                     "&arid=1&cls=&job=2&netenv=1&pcenv=1&carier=" +
                                     Stamp;
    std::set<std::string> ids;
    for (int n = 0; n < 3; ++n) {
        const auto answer = connection.get(registration);
        ASSERT_TRUE(answer);
        EXPECT_EQ(answer->status, 200);
        EXPECT_TRUE(std::regex_match(answer->body, std::regex("[A-Za-z0-9]{20}"))) << answer->body;
        ids.insert(answer->body);
    }
    EXPECT_EQ(ids.size(), 3u);
    const std::string user = *ids.begin();

    const auto update = [&](const std::string& id) {
        return connection
            .get("/user?com=update&version=3.1.1&type=desktop3&id=" + id + "&email=b@example.jp" + Stamp)
            .value()
            .status;
    };
    EXPECT_EQ(update(user), 200);
    EXPECT_EQ(update("DEMO0001"), 200);
    EXPECT_GE(update("NoSuchUser"), 400);
    EXPECT_LT(update("NoSuchUser"), 500);
    EXPECT_GE(update(""), 400);
    EXPECT_LT(update(""), 500);

    EXPECT_EQ(connection.get(clickTarget(user, "0052026120911000001")).value().status, 200);
    EXPECT_EQ(connection.get(clickTarget("DEMO0001", "0052026120911000002")).value().status, 200);
    ASSERT_EQ(exported().size(), 2u);
    const auto [said, status] = runCommand(std::string(BRISMA_SERVER_EXE) + " forget --config " +
                                           (folder_ / "server.toml").string() + " " + user);
    EXPECT_EQ(status, 0) << said;
    const std::vector<std::string> left = exported();
    ASSERT_EQ(left.size(), 1u);
    EXPECT_EQ(field(left[0], "userid"), "DEMO0001");
    EXPECT_EQ(runCommand(std::string(BRISMA_SERVER_EXE) + " forget --config " +
                         (folder_ / "server.toml").string() + " " + user + " 2>&1")
                  .second,
              1);
}

// /healthz answers while the process serves; /readyz only while the store answers its pings, so it
// turns 503 while every PostgreSQL process is stopped and 200 again once they continue.
TEST_P(IntakeTest, ReadinessFollowsTheStoreAndHealthTheProcess) {
    Loopback connection(port_);
    const auto answer = [&](const std::string& path) { return connection.get(path).value(); };
    const auto waitFor = [&](int status) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        Loopback::Response ready;
        do {
            ready = answer("/readyz");
            const Loopback::Response health = answer("/healthz");
            EXPECT_EQ(health.status, 200);
            EXPECT_EQ(health.body, "ok");
            if (ready.status != status)
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
        } while (ready.status != status && std::chrono::steady_clock::now() < deadline);
        return ready;
    };
    EXPECT_EQ(waitFor(200).body, "ready\n");
    if (!postgres_)
        return;
    postgres_->pause();
    const Loopback::Response stalled = waitFor(503);
    postgres_->resume();
    EXPECT_EQ(stalled.status, 503);
    EXPECT_TRUE(stalled.body.starts_with("the store has not answered for ")) << stalled.body;
    EXPECT_EQ(std::count(stalled.body.begin(), stalled.body.end(), '\n'), 1) << stalled.body;
    EXPECT_EQ(waitFor(200).status, 200);
    EXPECT_EQ(connection.get(clickTarget("DEMO0001", "0052026120911000001")).value().status, 200);
    EXPECT_EQ(exported().size(), 1u);
}

// Behind a trusted proxy each forwarded client has limits of its own, the rightmost untrusted hop
// naming it: beyond them 429 with an empty body and Retry-After, and nothing stored.
TEST_P(IntakeTest, LimitsCountEachClientBehindTrustedProxies) {
    writeConfig("registrations_per_hour = 2\nreports_per_minute = 3\n"
                "trusted_proxies = [\"127.0.0.1\", \"10.9.0.0/16\", \"2001:db8::/32\"]\n");
    start();
    Loopback connection(port_);
    const auto from = [&](const std::string& target, const std::string& forwarded) {
        EXPECT_TRUE(connection.send("GET " + target +
                                    " HTTP/1.1\r\nHost: x\r\nX-Forwarded-For: " + forwarded + "\r\n\r\n"));
        return connection.read().value();
    };
    const std::string registration =
        "/user?com=regist&version=3.1.1&type=desktop3&email=a@example.jp" + Stamp;
    // The client's own claim left of the proxies' counts for nothing; trusted hops are passed over.
    EXPECT_EQ(from(registration, "192.0.2.7").status, 200);
    EXPECT_EQ(from(registration, "198.51.100.1, 192.0.2.7, 10.9.3.4").status, 200);
    const Loopback::Response refused = from(registration, "203.0.113.9, 192.0.2.7");
    EXPECT_EQ(refused.status, 429);
    EXPECT_EQ(refused.body, "");
    const std::regex retry(R"(\r\nRetry-After: (\d+)(\r\n|$))", std::regex::icase);
    std::smatch wait;
    ASSERT_TRUE(std::regex_search(refused.head, wait, retry)) << refused.head;
    EXPECT_GE(std::stoi(wait[1]), 1);
    EXPECT_LE(std::stoi(wait[1]), 3600);
    EXPECT_EQ(from(registration, "192.0.2.8").status, 200);
    EXPECT_EQ(from(registration, "2001:db8::1, 2001:db9::5").status, 200);

    // Reports: three a minute for each client; the direct one (no header) is loopback's own.
    int stored = 0;
    for (const std::string client : {"192.0.2.7", "2001:db9::5", ""}) {
        for (int n = 0; n < 5; ++n) {
            char id[32];
            std::snprintf(id, sizeof id, "005202612091100%02d%02d", stored, n);
            const Loopback::Response answer = client.empty()
                                                  ? connection.get(clickTarget("DEMO0001", id)).value()
                                                  : from(clickTarget("DEMO0001", id), client);
            EXPECT_EQ(answer.status, n < 3 ? 200 : 429) << client << " " << n;
            EXPECT_EQ(answer.body, n < 3 ? "OK" : "") << client << " " << n;
        }
        stored += 3;
    }
    EXPECT_EQ(exported().size(), 9u);
}

// With log_format = "json" every stderr line is one object with time (RFC 3339 with its offset),
// level and msg, a configuration's fault included; the bound address stays stdout's first line.
TEST_P(IntakeTest, JsonLogLinesAreObjects) {
    writeConfig(Unlimited + "log_format = \"json\"\n");
    const fs::path errors = folder_ / "stderr";
    start({}, errors.string());
    const auto logged = [&] {
        std::ifstream in(errors);
        return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    };
    const auto waitFor = [&](const std::string& text) {
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
        while (logged().find(text) == std::string::npos && std::chrono::steady_clock::now() < deadline)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
    };
    server_->signal(SIGHUP);
    waitFor("read again");
    { std::ofstream(folder_ / "server.toml", std::ios::app) << "colour = 1\n"; }
    server_->signal(SIGHUP);
    waitFor("kept");
    // The HTTP library's own complaint about a head too big.
    Loopback(port_).get("/" + std::string(20000, 'a'));
    waitFor("414");
    EXPECT_EQ(server_->stop(), 0);

    const std::regex time(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\d(\.\d+)?[+-]\d\d:\d\d)");
    std::vector<std::string> messages;
    std::istringstream in(logged());
    for (std::string line; std::getline(in, line);) {
        const nlohmann::json object = nlohmann::json::parse(line, nullptr, false);
        ASSERT_TRUE(object.is_object()) << line;
        ASSERT_TRUE(object.contains("time") && object["time"].is_string()) << line;
        EXPECT_TRUE(std::regex_match(object["time"].get<std::string>(), time)) << line;
        ASSERT_TRUE(object.contains("level") && object["level"].is_string()) << line;
        const std::set<std::string> levels{"debug", "info", "warning", "error"};
        EXPECT_TRUE(levels.contains(object["level"].get<std::string>())) << line;
        ASSERT_TRUE(object.contains("msg") && object["msg"].is_string()) << line;
        messages.push_back(object["msg"]);
    }
    ASSERT_GE(messages.size(), 3u);
    EXPECT_TRUE(messages[0].starts_with("database ")) << messages[0];
    EXPECT_TRUE(
        std::ranges::any_of(messages, [](const std::string& m) { return m.ends_with(".toml read again"); }));
    EXPECT_TRUE(std::ranges::any_of(messages, [](const std::string& m) {
        return m.ends_with(": unknown key \"colour\" (the configuration in use is kept)");
    }));
    EXPECT_TRUE(std::ranges::any_of(messages, [](const std::string& m) { return m.find("414") != m.npos; }));
}

// A notify socket the test listens on, at a path or an abstract name ("@...").
class NotifySocket {
public:
    explicit NotifySocket(const std::string& name) : name_(name) {
        fd_ = ::socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        std::memcpy(address.sun_path, name.data(), name.size());
        if (name[0] == '@')
            address.sun_path[0] = '\0';
        const auto size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size());
        EXPECT_EQ(::bind(fd_, reinterpret_cast<const sockaddr*>(&address), size), 0);
    }
    ~NotifySocket() { ::close(fd_); }
    std::string setting() const { return "NOTIFY_SOCKET=" + name_; }
    // The next datagram; "" when none came within a minute.
    std::string next() const {
        pollfd p{fd_, POLLIN, 0};
        if (::poll(&p, 1, 60'000) != 1)
            return "";
        char buffer[512];
        const ssize_t n = ::recv(fd_, buffer, sizeof buffer, 0);
        return n > 0 ? std::string(buffer, static_cast<std::size_t>(n)) : "";
    }

private:
    std::string name_;
    int fd_ = -1;
};

// READY=1 once the server serves, WATCHDOG=1 every half of $WATCHDOG_USEC, on even while the
// database answers nothing, and STOPPING=1 at the end; without $WATCHDOG_USEC no beat at all.
TEST_P(IntakeTest, TheServiceManagerHearsReadinessBeatsAndTheEnd) {
    {
        const NotifySocket manager((folder_ / "notify").string());
        start({manager.setting(), "WATCHDOG_USEC=200000"});
        EXPECT_EQ(manager.next(), "READY=1");
        EXPECT_EQ(Loopback(port_).get("/healthz").value().status, 200) << "READY=1 came before serving";
        for (int beat = 0; beat < 3; ++beat)
            EXPECT_EQ(manager.next(), "WATCHDOG=1");
        if (postgres_) {
            postgres_->pause();
            // A report the stopped database keeps the writer waiting on.
            Loopback waiting(port_);
            EXPECT_TRUE(waiting.send("GET " + clickTarget("DEMO0001", "0052026120911000001") +
                                     " HTTP/1.1\r\nHost: x\r\n\r\n"));
            int beats = 0;
            while (beats < 10 && manager.next() == "WATCHDOG=1")
                ++beats;
            postgres_->resume();
            EXPECT_EQ(beats, 10) << "the beats stopped while the database answered nothing";
            EXPECT_EQ(waiting.read().value().status, 200);
        }
        server_->signal(SIGTERM);
        std::string said;
        while ((said = manager.next()) == "WATCHDOG=1") {
        }
        EXPECT_EQ(said, "STOPPING=1");
    }
    const NotifySocket manager("@brisma-notify-" + std::to_string(::getpid()));
    start({manager.setting()});
    EXPECT_EQ(manager.next(), "READY=1");
    server_->signal(SIGTERM);
    EXPECT_EQ(manager.next(), "STOPPING=1");
}

// Traversals, a 1 MiB query, 10 000 keys, invalid UTF-8, NUL bytes and a client sending a byte a
// second: refused or cut off, nothing stored, and the server answers a real report meanwhile.
TEST_P(IntakeTest, HostileRequestsAreStoredNowhere) {
    std::atomic<bool> slowCut{false};
    std::thread slow([&] {
        Loopback connection(port_);
        const std::string head = "GET " + clickTarget("DEMO0001", "0012026120911000001") + " HTTP/1.1\r\n";
        for (char c : head) {
            if (!connection.send(std::string(1, c)))
                break;
            std::this_thread::sleep_for(std::chrono::seconds(1));
            if (slowCut)
                break;
        }
        slowCut = !connection.read().has_value();
    });

    std::string manyKeys;
    for (int n = 0; n < 10000; ++n)
        manyKeys += "&k" + std::to_string(n) + "=1";
    const std::vector<std::string> hostile = {
        "/log/../../etc/passwd?id=1",
        "/log/%2e%2e/%2e%2e/etc/passwd?id=1",
        "/log/a/b?id=1",
        "/../../etc/passwd",
        "/modules/..%2f..%2f..%2fetc%2fpasswd",
        "/log/click?userid=U&id=1&q=" + std::string(1 << 20, 'x'),
        "/log/click?userid=U&id=1" + manyKeys,
        "/log/click?userid=%ff&id=1",
        "/log/click?userid=%c0%af&id=1",
        "/log/click?userid=\xff\xfe&id=1",
        "/log/click?userid=a%00b&id=1",
        "/user?com=regist&email=%00",
        "/user?com=regist&email=%ed%a0%80",
        "/log/click?userid=U&id=12x4",
        "/log/click?userid=U&channel=-1",
    };
    for (const std::string& target : hostile) {
        Loopback connection(port_);
        const auto answer = connection.get(target);
        if (answer) {
            EXPECT_GE(answer->status, 400) << target.substr(0, 80);
            if (target.starts_with("/user")) {
                EXPECT_EQ(answer->body, "") << "a registration's refusal must not be stored as an id";
            }
        }
    }
    // A NUL byte in the request line itself.
    {
        Loopback connection(port_);
        const auto answer = connection.get(std::string("/log/click?userid=a\0b&id=1", 26));
        if (answer) {
            EXPECT_GE(answer->status, 400);
        }
    }

    const auto report = [&](const std::string& id) {
        Loopback connection(port_);
        const auto answer = connection.get(clickTarget("DEMO0001", id));
        return answer ? answer->status : 0;
    };
    EXPECT_EQ(report("0012026120911000009"), 200);
    slow.join();
    EXPECT_TRUE(slowCut) << "the slow client was never cut off";
    EXPECT_EQ(report("0012026120911000010"), 200);

    const std::vector<std::string> lines = exported();
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(field(lines[0], "id"), "0012026120911000009");
    EXPECT_EQ(field(lines[1], "id"), "0012026120911000010");
}

// A backup taken while 8 clients send is a store of its own: a server on it exports a prefix of
// what the running one stored, every line as it was. PostgreSQL is copied by its own tools.
TEST_P(IntakeTest, ABackupTakenWhileReportsArriveIsAWholeStore) {
    const std::string command = std::string(BRISMA_SERVER_EXE) + " backup --config " +
                                (folder_ / "server.toml").string() + " " + (folder_ / "copy").string() +
                                " 2>&1";
    if (GetParam()) {
        const auto [said, status] = runCommand(command);
        EXPECT_EQ(status, 1);
        EXPECT_NE(said.find("pg_dump"), std::string::npos) << said;
        return;
    }
    std::atomic<bool> sending{true};
    std::atomic<int> answered{0};
    std::vector<std::thread> senders;
    for (int s = 0; s < 8; ++s)
        senders.emplace_back([&, s] {
            Loopback connection(port_);
            for (int n = 1; sending; ++n) {
                char id[32];
                std::snprintf(id, sizeof id, "00520261209110%01d%04d", s, n % 10000);
                if (connection.get(clickTarget("DEMO0001", id)).value().status == 200)
                    ++answered;
            }
        });
    while (answered < 200)
        std::this_thread::yield();
    const auto [said, status] = runCommand(command);
    sending = false;
    for (std::thread& t : senders)
        t.join();
    ASSERT_EQ(status, 0) << said;
    EXPECT_NE(runCommand(command).second, 0) << "a folder that holds a copy is never written over";

    const std::vector<std::string> original = exported();
    std::string text; // the same configuration on the copy
    {
        std::ifstream in(folder_ / "server.toml");
        text.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
    }
    text.replace(text.find("data = \"var\""), sizeof "data = \"var\"" - 1, "data = \"copy\"");
    std::ofstream(folder_ / "restored.toml") << text;
    const auto [restored, restoredStatus] = runCommand(std::string(BRISMA_SERVER_EXE) + " export --config " +
                                                       (folder_ / "restored.toml").string());
    ASSERT_EQ(restoredStatus, 0);
    std::vector<std::string> lines;
    std::istringstream in(restored);
    for (std::string line; std::getline(in, line);)
        lines.push_back(line);
    EXPECT_GE(lines.size(), 200u);
    ASSERT_LE(lines.size(), original.size());
    EXPECT_TRUE(std::equal(lines.begin(), lines.end(), original.begin()));
}

// The operator's commands on a data folder that cannot be made say so and end with 1.
TEST(StoreCommandsTest, AnUnmakeableDataFolderIsReportedByEveryCommand) {
    const fs::path folder = fs::temp_directory_path() / ("brisma-commands-" + std::to_string(::getpid()));
    fs::remove_all(folder);
    fs::create_directories(folder);
    std::ofstream(folder / "blocker") << "a file where the data folder's parent should be";
    std::ofstream(folder / "server.toml")
        << "[server]\nlisten = \"127.0.0.1:0\"\nbase = \"http://127.0.0.1:19999/\"\ndata = \"blocker/var\"\n"
        << "content = \"" << BRISMA_DEMO_CONTENT << "\"\n\n[[channel]]\nnumber = 1\nname = \"a\"\ngenre = "
        << "\"b\"\nowner = \"c\"\nsources = [\"" << BRISMA_DEMO_CONTENT << "/../sources/general.xml\"]\n";
    for (const std::string command : {"stats", "export", "forget"}) {
        const auto [said, status] = runCommand(std::string(BRISMA_SERVER_EXE) + " " + command + " --config " +
                                               (folder / "server.toml").string() +
                                               (command == "forget" ? " DEMO0001" : "") + " 2>&1");
        EXPECT_EQ(status, 1) << command << ": " << said;
        EXPECT_NE(said.find("data folder"), std::string::npos) << command << ": " << said;
    }
    fs::remove_all(folder);
}

INSTANTIATE_TEST_SUITE_P(Engines, IntakeTest, ::testing::Bool(),
                         [](const ::testing::TestParamInfo<bool>& info) {
                             return info.param ? "PostgreSQL" : "SQLite";
                         });

} // namespace
} // namespace brisma::test
