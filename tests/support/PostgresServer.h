#pragma once

#include <memory>
#include <string>
#include <sys/types.h>

namespace brisma::test {

// A private PostgreSQL 15 for one test process: a new cluster in a temporary folder, reachable only
// through a socket folder of its own (no TCP). Under root it runs as nobody, since initdb refuses
// root. Stopped and removed with the object.
class PostgresServer {
public:
    // None, with the reason in `why`, where PostgreSQL 15 is not installed or will not start.
    static std::unique_ptr<PostgresServer> start(std::string& why);
    ~PostgresServer();
    PostgresServer(const PostgresServer&) = delete;
    PostgresServer& operator=(const PostgresServer&) = delete;

    // Stops the server (fast shutdown: open connections are cut) and starts it again on its data.
    void restart();

    // Stops (SIGSTOP) or continues (SIGCONT) the postmaster and every process it started: the
    // server holds its connections open and answers nothing meanwhile.
    void pause() const;
    void resume() const;

    // Creates an empty database and answers its address for the server's `database` setting.
    std::string createDatabase(const std::string& name) const;

private:
    PostgresServer(std::string folder, int port) : folder_(std::move(folder)), port_(port) {}
    // Starts postgres on the cluster and waits until it answers; false after 60 s.
    bool run();
    void stop();
    void signalAll(int number) const;

    std::string folder_;
    int port_;
    pid_t pid_ = -1;
};

} // namespace brisma::test
