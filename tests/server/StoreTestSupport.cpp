#include "StoreTestSupport.h"

#include <chrono>

namespace brisma::server::test {

std::int64_t japanMs(int year, unsigned month, unsigned day, int hour, int minute, int second) {
    using namespace std::chrono;
    const sys_days date =
        year_month_day{std::chrono::year{year}, std::chrono::month{month}, std::chrono::day{day}};
    return duration_cast<milliseconds>(date.time_since_epoch() + hours{hour - 9} + minutes{minute} +
                                       seconds{second})
        .count();
}

void StoreTest::SetUp() {
    ASSERT_TRUE(folder.isValid());
    if (GetParam()) {
        static std::string why;
        static const std::unique_ptr<brisma::test::PostgresServer> server =
            brisma::test::PostgresServer::start(why);
        if (!server)
            GTEST_SKIP() << "PostgreSQL skipped: " << why;
        postgres = server.get();
        static int databases = 0;
        setting = server->createDatabase("store" + std::to_string(++databases));
    }
    reopen();
}

void StoreTest::reopen() {
    database.reset();
    database = std::make_unique<Database>(DatabaseAddress::fromSetting(setting, folder.path().toStdString()));
}

std::string engineName(const ::testing::TestParamInfo<bool>& info) {
    return info.param ? "PostgreSQL" : "SQLite";
}

} // namespace brisma::server::test
