#pragma once

#include "server/model/AddressRange.h"
#include "server/web/Routes.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <stop_token>
#include <string>
#include <thread>
#include <vector>

struct MHD_Daemon;
struct MHD_Connection;

// The documents over HTTP, on libmicrohttpd: its threads wait on epoll, so a connection holds
// a little memory and no thread, and a slow client costs no worker. A report or user request is
// suspended while the intake stores it and resumed with its answer, and so is a request for the
// operator's page while the page is built: a connection waiting for the disk holds no thread.
// Which part answers is Routes' matter.
namespace brisma::server {

class WebServer {
public:
    struct Limits {
        unsigned connections = 2048;
        unsigned connectionsPerAddress = 256;  // a reverse proxy in front is one address
        std::size_t headBytes = 16 * 1024;     // request line and headers together
        std::chrono::seconds headDeadline{10}; // the whole head, however slowly it trickles in
        std::chrono::seconds idle{30};
        unsigned threads = 2;
    };

    // Listens at once; raises std::runtime_error when it cannot. `intake` and `health` outlive the
    // server.
    WebServer(const std::string& host, int port, ServedSite site, Limits limits, Intake& intake,
              const StoreHealth& health, std::vector<AddressRange> trustedProxies);
    // Answers the suspended requests first.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    int port() const { return port_; }
    // Whether the serving threads answer /healthz within `within`, asked over a connection of
    // its own (to loopback when listening on every address).
    bool answers(std::chrono::milliseconds within) const;
    void replace(ServedSite site) { routes_.replace(std::move(site)); }

private:
    struct Exchange;
    // The answer now; none when the connection is suspended until it comes.
    std::optional<Answer> route(MHD_Connection* connection, const char* method, const char* path,
                                Exchange& exchange);
    // The daemon's callbacks, which reach the members below.
    struct Callbacks;
    friend struct Callbacks;
    void watchHeads(std::stop_token stop);

    std::string host_;
    Limits limits_;
    std::vector<AddressRange> trustedProxies_;
    Routes routes_;
    // Requests routed and not yet answered: the daemon stops only once there are none, since a
    // suspended connection must not outlive it and each answer reaches this object.
    std::mutex routedMutex_;
    std::condition_variable drained_;
    unsigned routed_ = 0;
    bool closed_ = false;

    // Connections whose request head has not yet arrived whole: socket and deadline.
    std::mutex headsMutex_;
    std::map<MHD_Connection*, std::pair<int, std::chrono::steady_clock::time_point>> heads_;
    std::condition_variable_any stopWatch_;
    std::jthread watcher_;

    MHD_Daemon* daemon_ = nullptr;
    int port_ = 0;
};

} // namespace brisma::server
