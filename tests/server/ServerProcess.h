#pragma once

#include <string>
#include <sys/types.h>
#include <utility>
#include <vector>

namespace brisma::test {

// What a shell command wrote on stdout, and its exit status.
std::pair<std::string, int> runCommand(const std::string& command);

// A server executable run for a test: started, its first line read, signalled, killed at the end.
class ServerProcess {
public:
    // Runs `argv` with `environment` ("KEY=value") added, stderr into the file `errorsTo` when
    // given, and waits for the first line on stdout (or on stderr with `lineOnStderr`).
    explicit ServerProcess(const std::vector<std::string>& argv, bool lineOnStderr = false,
                           const std::vector<std::string>& environment = {},
                           const std::string& errorsTo = {});
    ~ServerProcess();
    ServerProcess(const ServerProcess&) = delete;
    ServerProcess& operator=(const ServerProcess&) = delete;

    const std::string& firstLine() const { return firstLine_; }
    pid_t pid() const { return pid_; }
    void signal(int number) const;
    // SIGKILL and wait.
    void kill();
    // SIGTERM and wait; its exit status.
    int stop();

private:
    pid_t pid_ = -1;
    int pipe_ = -1;
    std::string firstLine_;
};

} // namespace brisma::test
