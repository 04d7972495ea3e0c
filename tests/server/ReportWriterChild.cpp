// Sends reports from 16 threads to the store of `database` (a setting; "" for SQLite in `folder`)
// and prints the id of every report whose answer came back, until it is killed.
#include "server/intake/ReportRequest.h"
#include "server/store/Database.h"
#include "server/store/ReportTable.h"

#include <QCoreApplication>
#include <chrono>
#include <mutex>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

int main(int argc, char** argv) {
    QCoreApplication app(argc, argv);
    if (argc != 3)
        return 2;
    using namespace brisma::server;
    Database database(DatabaseAddress::fromSetting(argv[1], argv[2]));
    ReportTable reports(database);
    std::mutex out;
    std::vector<std::thread> senders;
    for (int sender = 0; sender < 16; ++sender)
        senders.emplace_back([&, sender] {
            for (long n = 0;; ++n) {
                const std::string id = std::to_string(sender * 1'000'000'000L + n);
                const Request request =
                    readRequest("/log/click?version=3.1.1&userid=U1&channel=005&type=desktop3&id=" + id +
                                "&date=20261208&time=102030");
                const auto now = std::chrono::system_clock::now().time_since_epoch();
                reports
                    .add(request.kind, request.query,
                         std::chrono::duration_cast<std::chrono::milliseconds>(now).count())
                    .get();
                const std::string line = id + "\n";
                std::lock_guard lock(out);
                if (::write(1, line.data(), line.size()) != static_cast<ssize_t>(line.size()))
                    std::_Exit(3);
            }
        });
    for (std::thread& sender : senders)
        sender.join();
}
