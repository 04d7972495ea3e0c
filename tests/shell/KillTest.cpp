// Kills the real client at random moments of a first start (registration and channel choice)
// and of a normal start (a click and a channel change sent by the list module), then checks
// that every file the client owns is whole and that the next start runs and ends cleanly.
//
//   brisma_kill_test --brisma build/src/brisma [--preload slow_writes.so] [--trials 200] [--seed 1]
//
// With --preload the client's writes are slowed down (see SlowWrites.cpp), so that kills
// land inside them.
#include "FailingWriter.h"
#include "TempAppFolder.h"
#include "TestApp.h"
#include "TestServer.h"
#include "platform/fs/FileSystem.h"
#include "platform/text/Cp932.h"
#include "platform/xml/XmlDocument.h"

#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <random>
#include <set>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brisma::test {
namespace {

namespace fsys = std::filesystem;
using Clock = std::chrono::steady_clock;
using Files = std::map<std::string, std::string>; // relative path -> bytes

constexpr int kQuietMs = 600;
constexpr int kStartLimitMs = 60000;
constexpr int kExitLimitMs = 15000;

const std::string kEmptyModule = "import QtQuick\nItem {}\n";

std::string module(const std::string& body) {
    return "import QtQuick\nItem {\n    Component.onCompleted: {\n" + body + "    }\n}\n";
}

std::string command(const std::string& name, const std::string& args) {
    return "        flash.fscommand(\"" + name + "\", \"" + args + "\")\n";
}

// The registration panel registers and closes; the channel panel then chooses two channels.
const std::string kStartModule =
    module(command("start:email", "k@example.com") + command("start:prid", "13") + command("start:done", "") +
           command("start:close", ""));
const std::string kChannelModule = module(command("channel:chset", "3-12-"));
// The list panel reports "running" (its commands run once the start is over), then, once
// channels are chosen, clicks a headline and changes the channels.
std::string listModule(const std::string& base) {
    return module(command("log", base + "running") +
                  "        if (flash.readXml(\"flash/xml/selected.xml\") === null)\n            return\n" +
                  command("list:click:new", "") + command("list:click:id", "0122026127801200002") +
                  command("list:click:text", "headline") +
                  command("list:click:url", "https://example.com/12/2") +
                  command("list:click:credit", "news") + command("list:click:type", "ent") +
                  command("list:click:done", "") + command("channel:chset", "2-12-"));
}

const char* const kModuleEntries[] = {"startflash2", "channelflash2", "listflash",  "boxflash",
                                      "userflash",   "jumpflash",     "splashflash"};

std::string moduleBody(const std::string& entry, const std::string& base) {
    if (entry == "startflash2")
        return kStartModule;
    if (entry == "channelflash2")
        return kChannelModule;
    if (entry == "listflash")
        return listModule(base);
    return kEmptyModule;
}

// Serves the populated server with the modules above and the descriptions of the movies a
// populated folder holds; returns every body it serves.
std::set<std::string> serve(TestServer& server) {
    std::string entries;
    std::set<std::string> bodies = {"BM kill test"};
    for (const std::string entry : kModuleEntries) {
        entries += "<Directory><Name>" + entry + "</Name><Argument>False</Argument><Url>" + server.base() +
                   "m/" + entry + "</Url><Version>1</Version></Directory>";
        server.route("/m/" + entry, moduleBody(entry, server.base()));
        bodies.insert(moduleBody(entry, server.base()));
    }
    serveNormal(server, entries);
    server.route("/ticker_banner.bmp", "BM kill test");
    server.route("/user", "U777");
    server.route("/running", "OK");
    const fsys::path data = BRISMA_NORMAL_START_DATA;
    for (const char* part : {"serve", "cache"})
        for (const auto& e : fsys::recursive_directory_iterator(data / part))
            if (e.is_regular_file()) {
                const std::string rel = fsys::relative(e.path(), data / part).string();
                const std::string body = withBase(readTestData((data / part).string(), rel), server.base());
                bodies.insert(body);
                if (std::string(part) == "cache" && rel.rfind("movie/", 0) == 0)
                    server.route("/" + rel, body);
            }
    return bodies;
}

class Client {
public:
    static inline std::string preload;

    // The client's output goes to `log` (a sanitizer's report among it).
    Client(const std::string& exe, const std::string& home, const std::string& server,
           const std::string& log) {
        pid_ = ::fork();
        if (pid_ == 0) {
            if (!preload.empty()) {
                ::setenv("LD_PRELOAD", preload.c_str(), 1);
                // A sanitizer runtime then no longer comes first; that is harmless here.
                const char* options = std::getenv("ASAN_OPTIONS");
                const std::string all = std::string(options ? options : "") + ":verify_asan_link_order=0";
                ::setenv("ASAN_OPTIONS", all.c_str(), 1);
            }
            ::setenv("BRISMA_HOME", home.c_str(), 1);
            ::setenv("BRISMA_SERVER", server.c_str(), 1);
            ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
            ::unsetenv("BRISMA_DEBUG");
            if (std::FILE* out = std::fopen(log.c_str(), "w")) {
                ::dup2(::fileno(out), 1);
                ::dup2(::fileno(out), 2);
            }
            ::execl(exe.c_str(), exe.c_str(), static_cast<char*>(nullptr));
            ::_exit(127);
        }
    }
    ~Client() {
        if (pid_ > 0 && !exited_) {
            ::kill(pid_, SIGKILL);
            ::waitpid(pid_, nullptr, 0);
        }
    }
    void kill() {
        ::kill(pid_, SIGKILL);
        ::waitpid(pid_, nullptr, 0);
        exited_ = true;
    }
    bool alive() {
        if (exited_)
            return false;
        if (::waitpid(pid_, &status_, WNOHANG) == pid_)
            exited_ = true;
        return !exited_;
    }
    // SIGTERM, then the exit status within the limit (-1: it did not end).
    int terminate() {
        ::kill(pid_, SIGTERM);
        const auto end = Clock::now() + std::chrono::milliseconds(kExitLimitMs);
        while (alive() && Clock::now() < end)
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        if (!exited_)
            return -1;
        return WIFEXITED(status_) ? WEXITSTATUS(status_) : 128 + WTERMSIG(status_);
    }

private:
    pid_t pid_ = -1;
    int status_ = 0;
    bool exited_ = false;
};

bool saw(const TestServer& server, const std::string& prefix) {
    for (const auto& t : server.targets())
        if (t.rfind(prefix, 0) == 0)
            return true;
    return false;
}

// Waits until the start is over (the list panel's report), the client has fetched the movie
// catalogue and the server has been quiet for a while: whatever the panels sent is done too. Returns the
// milliseconds until the last request, or -1 when the client ended or did not get there.
long runUntilQuiet(Client& client, TestServer& server) {
    const auto began = Clock::now();
    auto lastChange = began;
    std::size_t seen = 0;
    bool catalogue = false;
    bool running = false;
    while (Clock::now() - began < std::chrono::milliseconds(kStartLimitMs)) {
        if (!client.alive())
            return -1;
        const auto targets = server.targets();
        if (targets.size() != seen) {
            seen = targets.size();
            lastChange = Clock::now();
            for (const auto& t : targets) {
                catalogue |= t == "/movie//movie.xml";
                running |= t.rfind("/running", 0) == 0;
            }
        } else if (catalogue && running && Clock::now() - lastChange > std::chrono::milliseconds(kQuietMs)) {
            return std::chrono::duration_cast<std::chrono::milliseconds>(lastChange - began).count();
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

struct Checker {
    std::map<std::string, std::set<std::string>> versions; // non-XML files: every whole version
    std::set<std::string> served;
    long filesChecked = 0;
    long leftovers = 0;
    std::vector<std::string> failures;

    void learn(const Files& files) {
        for (const auto& [path, bytes] : files)
            versions[path].insert(bytes);
    }

    // Every file the client owns parses (XML) or is one of its whole versions; temporary files
    // are allowed only where `leftoversAllowed`.
    void check(const std::string& home, const std::string& trial, bool leftoversAllowed) {
        for (const auto& [path, bytes] : folderFiles(home)) {
            ++filesChecked;
            const std::string name = fsys::path(path).filename().string();
            if (fs::isTemporaryName(name)) {
                ++leftovers;
                if (!leftoversAllowed)
                    failures.push_back(trial + ": leftover " + path);
            } else if (name.ends_with(".xml")) {
                if (XmlDocument::loadFile(home + "/" + path).empty())
                    failures.push_back(trial + ": does not parse: " + path);
            } else if (!versions[path].contains(bytes) && !served.contains(bytes)) {
                failures.push_back(trial + ": not a whole version: " + path + " (" +
                                   std::to_string(bytes.size()) + " bytes)");
            }
        }
    }
};

void copyFolder(const std::string& from, const std::string& to) {
    fsys::copy(from, to, fsys::copy_options::recursive | fsys::copy_options::overwrite_existing);
}

int run(const std::string& exe, int trials, unsigned seed) {
    TestServer server;
    TempAppFolder logs;
    const std::string log = logs.file("/client.log");
    Checker checker;
    checker.served = serve(server);
    std::mt19937 rng(seed);

    // The populated folder is what a first start leaves behind.
    TempAppFolder populated;
    long firstStartMs = 0;
    {
        Client client(exe, populated.path(), server.base(), log);
        firstStartMs = runUntilQuiet(client, server);
        if (firstStartMs < 0 || client.terminate() != 0 || !saw(server, "/user?com=regist")) {
            std::fprintf(stderr, "kill test: the first start on an empty folder did not run\n");
            return 2;
        }
    }
    const Files populatedFiles = folderFiles(populated.path());
    checker.learn(populatedFiles);
    long normalStartMs = 0;
    {
        TempAppFolder home;
        copyFolder(populated.path(), home.path());
        server.clearRequests();
        Client client(exe, home.path(), server.base(), log);
        normalStartMs = runUntilQuiet(client, server);
        // The list module's click is reported and its channel change fetches channel 2's feed.
        if (normalStartMs < 0 || client.terminate() != 0 || !saw(server, "/logclick?") ||
            !saw(server, "/feeds/2.xml")) {
            std::fprintf(stderr, "kill test: the normal start did not run\n");
            return 2;
        }
        checker.learn(folderFiles(home.path()));
    }

    for (int i = 0; i < trials; ++i) {
        const bool first = i % 2 == 0;
        const long span = (first ? firstStartMs : normalStartMs) + 200;
        const long killAtMs = std::uniform_int_distribution<long>(0, span)(rng);
        const std::string trial = "trial " + std::to_string(i + 1) + " (" + (first ? "first" : "normal") +
                                  " start, killed at " + std::to_string(killAtMs) + " ms)";
        TempAppFolder home;
        if (!first)
            copyFolder(populated.path(), home.path());
        server.clearRequests();
        {
            Client client(exe, home.path(), server.base(), log);
            std::this_thread::sleep_for(std::chrono::milliseconds(killAtMs));
            client.kill();
        }
        checker.check(home.path(), trial, true);
        server.clearRequests();
        Client next(exe, home.path(), server.base(), log);
        if (runUntilQuiet(next, server) < 0)
            checker.failures.push_back(trial + ": the next start did not run:\n" + fs::readFile(log));
        else if (const int status = next.terminate(); status != 0)
            checker.failures.push_back(trial + ": the next start ended with " + std::to_string(status) +
                                       ":\n" + fs::readFile(log));
        checker.check(home.path(), trial + ", next start", false);
    }
    std::printf("kill test: seed %u, trials %d (first start %ld ms, normal start %ld ms), files checked %ld, "
                "temporary files left by kills %ld, failures %zu\n",
                seed, trials, firstStartMs, normalStartMs, checker.filesChecked, checker.leftovers,
                checker.failures.size());
    for (const auto& f : checker.failures)
        std::printf("  %s\n", f.c_str());
    return checker.failures.empty() ? 0 : 1;
}

} // namespace
} // namespace brisma::test

int main(int argc, char** argv) {
    std::string exe;
    int trials = 200;
    unsigned seed = 1;
    for (int i = 1; i + 1 < argc; i += 2) {
        if (std::strcmp(argv[i], "--brisma") == 0)
            exe = argv[i + 1];
        else if (std::strcmp(argv[i], "--preload") == 0)
            brisma::test::Client::preload = argv[i + 1];
        else if (std::strcmp(argv[i], "--trials") == 0)
            trials = std::atoi(argv[i + 1]);
        else if (std::strcmp(argv[i], "--seed") == 0)
            seed = static_cast<unsigned>(std::strtoul(argv[i + 1], nullptr, 10));
    }
    if (exe.empty()) {
        std::fprintf(stderr,
                     "usage: brisma_kill_test --brisma PATH [--preload LIB] [--trials N] [--seed S]\n");
        return 2;
    }
    brisma::text::installShiftJisAliases();
    return brisma::test::run(exe, trials, seed);
}
