#include "ServerProcess.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <poll.h>
#include <stdexcept>
#include <sys/wait.h>
#include <unistd.h>

namespace brisma::test {

std::pair<std::string, int> runCommand(const std::string& command) {
    FILE* pipe = ::popen(command.c_str(), "r");
    std::string out;
    char chunk[65536];
    for (std::size_t n; (n = std::fread(chunk, 1, sizeof chunk, pipe)) > 0;)
        out.append(chunk, n);
    const int status = ::pclose(pipe);
    return {out, WEXITSTATUS(status)};
}

ServerProcess::ServerProcess(const std::vector<std::string>& argv, bool lineOnStderr,
                             const std::vector<std::string>& environment, const std::string& errorsTo) {
    int fds[2];
    if (::pipe(fds) != 0)
        throw std::runtime_error("pipe");
    pid_ = ::fork();
    if (pid_ == 0) {
        for (const std::string& setting : environment)
            ::putenv(const_cast<char*>(setting.c_str()));
        if (!errorsTo.empty())
            ::dup2(::open(errorsTo.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644), STDERR_FILENO);
        ::dup2(fds[1], lineOnStderr ? STDERR_FILENO : STDOUT_FILENO);
        ::close(fds[0]);
        ::close(fds[1]);
        std::vector<char*> args;
        for (const std::string& a : argv)
            args.push_back(const_cast<char*>(a.c_str()));
        args.push_back(nullptr);
        ::execv(args[0], args.data());
        ::_exit(127);
    }
    ::close(fds[1]);
    pipe_ = fds[0];
    pollfd p{pipe_, POLLIN, 0};
    char c = 0;
    while (::poll(&p, 1, 20'000) == 1 && ::read(pipe_, &c, 1) == 1 && c != '\n')
        firstLine_ += c;
}

ServerProcess::~ServerProcess() {
    kill();
    if (pipe_ >= 0)
        ::close(pipe_);
}

void ServerProcess::signal(int number) const {
    ::kill(pid_, number);
}

void ServerProcess::kill() {
    if (pid_ <= 0)
        return;
    ::kill(pid_, SIGKILL);
    ::waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

int ServerProcess::stop() {
    int status = 0;
    ::kill(pid_, SIGTERM);
    ::waitpid(pid_, &status, 0);
    pid_ = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace brisma::test
