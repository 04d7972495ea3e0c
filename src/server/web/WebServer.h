#pragma once

#include "server/admin/AdminRoute.h"
#include "server/ads/AdBook.h"
#include "server/content/StaticContent.h"
#include "server/intake/Intake.h"
#include "server/sources/Shelf.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <memory>
#include <mutex>
#include <stop_token>
#include <string>
#include <thread>

struct MHD_Daemon;
struct MHD_Connection;

// The documents over HTTP, on libmicrohttpd: its threads wait on epoll, so a connection holds
// a little memory and no thread, and a slow client costs no worker. A report or user request is
// suspended while the intake stores it and resumed with its answer, so a connection waiting for a
// commit holds no thread either.
namespace brisma::server {

// What is served; replaced whole when the configuration is read again.
struct ServedSite {
    std::shared_ptr<const Shelf> shelf; // generated documents
    std::shared_ptr<const StaticContent> content;
    std::string channelListPath; // where the script says the channel list is
    AdminSite admin;
    std::shared_ptr<const AdBook> ads; // the booked campaigns' documents, chosen per request
};

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

    // Listens at once; raises std::runtime_error when it cannot. `intake` outlives the server.
    WebServer(const std::string& host, int port, ServedSite site, Limits limits, Intake& intake);
    // Answers the requests waiting for the intake first.
    ~WebServer();
    WebServer(const WebServer&) = delete;
    WebServer& operator=(const WebServer&) = delete;

    int port() const { return port_; }
    void replace(ServedSite site);

private:
    struct Answer;
    struct Exchange;
    Answer answer(MHD_Connection* connection, const std::string& method, const std::string& path) const;
    // True when the intake took the request: it is answered now or once resumed.
    bool takeIn(MHD_Connection* connection, Exchange& exchange);
    // The daemon's callbacks, which reach the members below.
    struct Callbacks;
    friend struct Callbacks;
    void watchHeads(std::stop_token stop);

    Limits limits_;
    mutable std::mutex siteMutex_;
    ServedSite site_;
    Intake& intake_;
    // Requests given to the intake and not yet answered by it: the daemon stops only once there
    // are none, since a suspended connection must not outlive it and each answer reaches this object.
    std::mutex intakeMutex_;
    std::condition_variable intakeDrained_;
    unsigned withIntake_ = 0;
    bool intakeClosed_ = false;

    // Connections whose request head has not yet arrived whole: socket and deadline.
    std::mutex headsMutex_;
    std::map<MHD_Connection*, std::pair<int, std::chrono::steady_clock::time_point>> heads_;
    std::condition_variable_any stopWatch_;
    std::jthread watcher_;

    MHD_Daemon* daemon_ = nullptr;
    int port_ = 0;
};

} // namespace brisma::server
