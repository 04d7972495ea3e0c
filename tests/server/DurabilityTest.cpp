#include "StoreTestSupport.h"
#include "server/store/ReportTable.h"

#include <csignal>
#include <set>
#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace brisma::server::test {
namespace {

using DurabilityTest = StoreTest;

// A process that stores reports is killed with SIGKILL while 16 threads send: every report it
// answered is in the database afterwards.
TEST_P(DurabilityTest, EveryAnsweredReportOutlivesSigkill) {
    database.reset(); // the child process is the only writer
    int pipeEnds[2];
    ASSERT_EQ(::pipe(pipeEnds), 0);
    const std::string folderPath = folder.path().toStdString();
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(pipeEnds[1], 1);
        ::close(pipeEnds[0]);
        ::execl(BRISMA_REPORT_WRITER, BRISMA_REPORT_WRITER, setting.c_str(), folderPath.c_str(), nullptr);
        ::_exit(127);
    }
    ::close(pipeEnds[1]);

    std::string answered;
    char buffer[65536];
    const auto lines = [&] { return std::count(answered.begin(), answered.end(), '\n'); };
    while (lines() < 3000) {
        const ssize_t got = ::read(pipeEnds[0], buffer, sizeof buffer);
        ASSERT_GT(got, 0) << "the writer ended early";
        answered.append(buffer, static_cast<std::size_t>(got));
    }
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status));
    // Answers printed before the kill count too.
    for (ssize_t got; (got = ::read(pipeEnds[0], buffer, sizeof buffer)) > 0;)
        answered.append(buffer, static_cast<std::size_t>(got));
    ::close(pipeEnds[0]);
    answered.erase(answered.rfind('\n') + 1); // a line cut by the kill was not answered whole

    reopen();
    std::ostringstream out;
    ReportTable(*database).exportLines(out, 0);
    std::set<std::string> stored;
    std::istringstream rows(out.str());
    for (std::string line; std::getline(rows, line);) {
        const std::size_t at = line.find(R"("id":")") + 6;
        stored.insert(line.substr(at, line.find('"', at) - at));
    }
    std::istringstream ids(answered);
    std::size_t missing = 0;
    for (std::string id; std::getline(ids, id);)
        missing += stored.contains(id) ? 0 : 1;
    EXPECT_EQ(missing, 0u) << "of " << lines() << " answered, " << stored.size() << " stored";
}

INSTANTIATE_TEST_SUITE_P(Engines, DurabilityTest, ::testing::Bool(), engineName);

} // namespace
} // namespace brisma::server::test
