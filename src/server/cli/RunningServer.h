#pragma once

#include "server/config/ServerConfig.h"

#include <memory>
#include <optional>
#include <string>

// The running server. It owns its parts and starts them in the order they depend on each other:
// the store, the channels built from the stored copies, retention, the intake, the web server,
// then fetching. It stops them in the reverse order, so no part outlives what it uses.
namespace brisma::server {

class AdTally;
class ChannelBuilder;
class Clock;
class Database;
class Intake;
class ReportRetention;
class StoreHealth;
class Watchdog;
class WebServer;

class RunningServer {
public:
    // Serves the stored copies at once; throws std::exception when the store cannot be opened or
    // the address not listened on.
    RunningServer(ServerConfig config, const Clock& clock);
    ~RunningServer();
    RunningServer(const RunningServer&) = delete;
    RunningServer& operator=(const RunningServer&) = delete;

    // The address it listens at, as a client names it: "http://127.0.0.1:18080/".
    std::string address() const;
    // Starts fetching the sources, and the watchdog's beats when the service manager asks for them.
    void start();
    // Serves a configuration read again. Its channels and documents take over; a new listen
    // address, database or keep_days waits for the next start. Throws, keeping the configuration
    // in use, when the new channels cannot be built.
    void reload(ServerConfig next);
    void stop();

private:
    ServerConfig config_;
    const Clock& clock_;
    std::shared_ptr<Database> database_;
    std::shared_ptr<ChannelBuilder> channels_;
    std::unique_ptr<ReportRetention> retention_;
    std::shared_ptr<AdTally> tally_;
    std::unique_ptr<Intake> intake_;
    std::unique_ptr<StoreHealth> health_;
    std::unique_ptr<WebServer> web_;
    std::unique_ptr<Watchdog> watchdog_;
};

} // namespace brisma::server
