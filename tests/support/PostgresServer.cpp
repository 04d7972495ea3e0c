#include "PostgresServer.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

namespace brisma::test {
namespace {

const std::string kBin = "/usr/lib/postgresql/15/bin/";
constexpr uid_t kNobody = 65534;

// Starts `argv` with its output in `log`, as nobody when this process is root.
pid_t launch(std::vector<std::string> argv, const std::string& log) {
    if (::getuid() == 0)
        argv.insert(argv.begin(), {"/usr/bin/setpriv", "--reuid=65534", "--regid=65534", "--clear-groups",
                                   "--pdeathsig=INT"});
    std::vector<char*> args;
    for (std::string& arg : argv)
        args.push_back(arg.data());
    args.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid == 0) {
        ::prctl(PR_SET_PDEATHSIG, SIGINT); // no server outlives a crashed test
        const int out = ::open(log.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
        ::dup2(out, 1);
        ::dup2(out, 2);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    return pid;
}

bool succeeds(std::vector<std::string> argv, const std::string& log) {
    const pid_t pid = launch(std::move(argv), log);
    if (pid < 0)
        return false;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

std::unique_ptr<PostgresServer> PostgresServer::start(std::string& why) {
    if (::access((kBin + "postgres").c_str(), X_OK) != 0 || ::access((kBin + "initdb").c_str(), X_OK) != 0) {
        why = "PostgreSQL 15 is not installed (" + kBin + ")";
        return nullptr;
    }
    std::string folder = (std::filesystem::temp_directory_path() / "brisma-pg-XXXXXX").string();
    if (::mkdtemp(folder.data()) == nullptr) {
        why = "no temporary folder";
        return nullptr;
    }
    // The socket's port only names its file in the private folder; kept in the tests' range.
    std::unique_ptr<PostgresServer> server(new PostgresServer(folder, 20000 + ::getpid() % 1000));
    std::filesystem::create_directory(folder + "/socket");
    if (::getuid() == 0)
        for (const std::string& path : {folder, folder + "/socket"})
            if (::chown(path.c_str(), kNobody, kNobody) != 0) {
                why = "cannot hand the temporary folder to nobody";
                return nullptr;
            }
    const std::string log = folder + "/log";
    if (!succeeds({kBin + "initdb", "-D", folder + "/data", "-U", "brisma", "--auth=trust", "-E", "UTF8",
                   "--no-sync", "--no-instructions"},
                  log)) {
        why = "initdb failed; see " + log;
        return nullptr;
    }
    if (!server->run()) {
        why = "postgres did not start; see " + log;
        return nullptr;
    }
    return server;
}

bool PostgresServer::run() {
    const std::string socket = folder_ + "/socket";
    pid_ = launch({kBin + "postgres", "-D", folder_ + "/data", "-k", socket, "-p", std::to_string(port_),
                   "-c", "listen_addresses="},
                  folder_ + "/log");
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (!succeeds({kBin + "pg_isready", "-q", "-h", socket, "-p", std::to_string(port_)}, "/dev/null")) {
        // A server that ended (a port taken, a broken folder) is not waited for.
        int status = 0;
        if (pid_ < 0 || ::waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            return false;
        }
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    return true;
}

void PostgresServer::stop() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGINT); // fast shutdown
    int status = 0;
    while (::waitpid(pid_, &status, 0) < 0 && errno == EINTR) {
    }
    pid_ = -1;
}

void PostgresServer::restart() {
    stop();
    if (!run())
        throw std::runtime_error("postgres did not start again; see " + folder_ + "/log");
}

PostgresServer::~PostgresServer() {
    stop();
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
}

void PostgresServer::signalAll(int number) const {
    ::kill(pid_, number); // first, so that a stopped postmaster starts no new child
    for (const auto& entry : std::filesystem::directory_iterator("/proc")) {
        const std::string name = entry.path().filename().string();
        if (name.find_first_not_of("0123456789") != std::string::npos)
            continue;
        // /proc/PID/stat: "pid (command) state ppid ...", the command possibly holding spaces.
        std::ifstream in(entry.path() / "stat");
        std::string stat((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
        const std::size_t end = stat.rfind(')');
        if (end == std::string::npos)
            continue;
        char state = 0;
        pid_t parent = 0;
        if (std::sscanf(stat.c_str() + end + 1, " %c %d", &state, &parent) == 2 && parent == pid_)
            ::kill(std::stoi(name), number);
    }
}

void PostgresServer::pause() const {
    signalAll(SIGSTOP);
}

void PostgresServer::resume() const {
    signalAll(SIGCONT);
}

std::string PostgresServer::createDatabase(const std::string& name) const {
    const std::string socket = folder_ + "/socket";
    if (!succeeds({kBin + "createdb", "-h", socket, "-p", std::to_string(port_), "-U", "brisma", name},
                  folder_ + "/log"))
        throw std::runtime_error("createdb " + name + " failed; see " + folder_ + "/log");
    return "postgresql:///" + name + "?host=" + socket + "&port=" + std::to_string(port_) + "&user=brisma";
}

} // namespace brisma::test
