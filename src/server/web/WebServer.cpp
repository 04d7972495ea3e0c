#include "server/web/WebServer.h"

#include "server/model/Clock.h"

#include <arpa/inet.h>
#include <cstring>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <stdexcept>
#include <sys/socket.h>

namespace brisma::server {

struct WebServer::Answer {
    unsigned status = MHD_HTTP_OK;
    std::shared_ptr<const std::string> body;
    std::string type;
    bool noStore = false; // chosen for this request
};

namespace {

std::shared_ptr<const std::string> text(const std::string& s) {
    return std::make_shared<const std::string>(s);
}

std::string valueOf(MHD_Connection* connection, MHD_ValueKind kind, const char* key) {
    const char* value = MHD_lookup_connection_value(connection, kind, key);
    return value ? value : "";
}

bool fromLoopback(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    if (!info || !info->client_addr)
        return false;
    if (info->client_addr->sa_family == AF_INET)
        return (ntohl(reinterpret_cast<const sockaddr_in*>(info->client_addr)->sin_addr.s_addr) >> 24) == 127;
    if (info->client_addr->sa_family == AF_INET6) {
        const in6_addr& a = reinterpret_cast<const sockaddr_in6*>(info->client_addr)->sin6_addr;
        return IN6_IS_ADDR_LOOPBACK(&a) || (IN6_IS_ADDR_V4MAPPED(&a) && a.s6_addr[12] == 127);
    }
    return false;
}

AdminAnswer adminAnswerOf(MHD_Connection* connection, const AdminSite& site) {
    const AdminRequest request{
        valueOf(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION), fromLoopback(connection),
        MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-For") != nullptr};
    return adminAnswer(site, request, valueOf(connection, MHD_GET_ARGUMENT_KIND, "day"), site.clock->nowMs());
}

} // namespace

// One request, from its request line to its end: MHD keeps the pointer for the request's life.
struct WebServer::Exchange {
    std::string target;      // as it arrived, undecoded, up to a NUL byte
    std::uintptr_t line = 0; // where MHD holds it, for the check below
    bool nulInLine = false;
    bool headArrived = false;
    bool suspended = false;
    std::optional<Intake::Reply> reply; // the intake's, once known
};

struct WebServer::Callbacks {
    static MHD_Result request(void* cls, MHD_Connection* connection, const char* url, const char* method,
                              const char* version, const char*, std::size_t* uploadSize, void** state) {
        auto* self = static_cast<WebServer*>(cls);
        auto* exchange = static_cast<Exchange*>(*state);
        if (!exchange->headArrived) { // the deadline no longer applies
            exchange->headArrived = true;
            // MHD reads the request line in place and hands out C strings: the version follows the
            // target, so a gap between them is a NUL byte that cut the target short.
            const std::uintptr_t gap = reinterpret_cast<std::uintptr_t>(version) - exchange->line;
            exchange->nulInLine = gap > exchange->target.size() + 1 && gap < self->limits_.headBytes;
            std::lock_guard lock(self->headsMutex_);
            self->heads_.erase(connection);
            // An answer queued before the request is read whole would close the connection: the
            // next call comes once it is.
            return MHD_YES;
        }
        if (*uploadSize != 0) { // a body, which nothing here reads: taken and dropped
            *uploadSize = 0;
            return MHD_YES;
        }
        Answer a;
        if (exchange->nulInLine) {
            a = {MHD_HTTP_BAD_REQUEST, text(""), "text/plain"};
        } else if (exchange->reply) {
            a = {exchange->reply->status, text(exchange->reply->body), "text/plain"};
        } else if (std::strcmp(method, MHD_HTTP_METHOD_GET) == 0 && self->takeIn(connection, *exchange)) {
            if (exchange->suspended)
                return MHD_YES; // until the intake answers
            a = {exchange->reply->status, text(exchange->reply->body), "text/plain"};
        } else {
            a = self->answer(connection, method, url);
        }
        // The body stays alive with the response: a copy of the pointer rides along.
        auto* keep = new std::shared_ptr<const std::string>(a.body);
        MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
            a.body->size(), const_cast<char*>(a.body->data()),
            [](void* p) { delete static_cast<std::shared_ptr<const std::string>*>(p); }, keep);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, a.type.c_str());
        if (a.noStore)
            MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        if (a.status == MHD_HTTP_METHOD_NOT_ALLOWED)
            MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET");
        const MHD_Result queued = MHD_queue_response(connection, a.status, response);
        MHD_destroy_response(response);
        return queued;
    }

    // A new connection, and each answered request of a kept-alive one, waits for a head.
    static void connection(void* cls, MHD_Connection* connection, void**,
                           MHD_ConnectionNotificationCode code) {
        auto* self = static_cast<WebServer*>(cls);
        std::lock_guard lock(self->headsMutex_);
        if (code == MHD_CONNECTION_NOTIFY_STARTED) {
            const MHD_ConnectionInfo* info =
                MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
            self->heads_[connection] = {info->connect_fd,
                                        std::chrono::steady_clock::now() + self->limits_.headDeadline};
        } else {
            self->heads_.erase(connection);
        }
    }

    // The request line, before it is decoded: the intake reads the target as the client built it.
    static void* requestLine(void*, const char* uri, MHD_Connection*) {
        auto* exchange = new Exchange;
        exchange->target = uri;
        exchange->line = reinterpret_cast<std::uintptr_t>(uri);
        return exchange;
    }

    static void completed(void* cls, MHD_Connection* connection, void** state,
                          MHD_RequestTerminationCode code) {
        auto* self = static_cast<WebServer*>(cls);
        delete static_cast<Exchange*>(*state);
        *state = nullptr;
        if (code != MHD_REQUEST_TERMINATED_COMPLETED_OK)
            return;
        const MHD_ConnectionInfo* info =
            MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CONNECTION_FD);
        std::lock_guard lock(self->headsMutex_);
        self->heads_[connection] = {info->connect_fd,
                                    std::chrono::steady_clock::now() + self->limits_.headDeadline};
    }
};

WebServer::WebServer(const std::string& host, int port, ServedSite site, Limits limits, Intake& intake)
    : limits_(limits), site_(std::move(site)), intake_(intake) {
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICSERV | AI_PASSIVE;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port).c_str(), &hints, &found) != 0 || !found)
        throw std::runtime_error("cannot resolve the listen address " + host);
    sockaddr_storage address{};
    std::memcpy(&address, found->ai_addr, found->ai_addrlen);
    const bool v6 = found->ai_family == AF_INET6;
    freeaddrinfo(found);

    daemon_ = MHD_start_daemon(
        MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG | MHD_ALLOW_SUSPEND_RESUME |
            (v6 ? MHD_USE_IPv6 : 0),
        static_cast<std::uint16_t>(port), nullptr, nullptr, &Callbacks::request, this, MHD_OPTION_SOCK_ADDR,
        reinterpret_cast<sockaddr*>(&address), MHD_OPTION_THREAD_POOL_SIZE, limits_.threads,
        MHD_OPTION_CONNECTION_LIMIT, limits_.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
        limits_.connectionsPerAddress, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.headBytes,
        MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(limits_.idle.count()),
        MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::connection, this, MHD_OPTION_NOTIFY_COMPLETED,
        &Callbacks::completed, this, MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::requestLine, this,
        MHD_OPTION_END);
    if (!daemon_)
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
    port_ = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT)->port;
    watcher_ = std::jthread([this](std::stop_token stop) { watchHeads(std::move(stop)); });
}

WebServer::~WebServer() {
    {
        std::unique_lock lock(intakeMutex_);
        intakeClosed_ = true;
        intakeDrained_.wait(lock, [this] { return withIntake_ == 0; });
    }
    watcher_.request_stop();
    watcher_.join();
    MHD_stop_daemon(daemon_);
}

void WebServer::replace(ServedSite site) {
    std::lock_guard lock(siteMutex_);
    site_ = std::move(site);
}

// A head past its deadline ends its connection: the daemon sees the socket shut and closes it.
void WebServer::watchHeads(std::stop_token stop) {
    std::unique_lock lock(headsMutex_);
    while (!stop.stop_requested()) {
        stopWatch_.wait_for(lock, stop, std::chrono::milliseconds(500), [] { return false; });
        const auto now = std::chrono::steady_clock::now();
        for (auto it = heads_.begin(); it != heads_.end();) {
            if (it->second.second <= now) {
                shutdown(it->second.first, SHUT_RDWR);
                it = heads_.erase(it);
            } else {
                ++it;
            }
        }
    }
}

bool WebServer::takeIn(MHD_Connection* connection, Exchange& exchange) {
    {
        std::lock_guard lock(intakeMutex_);
        if (intakeClosed_) {
            exchange.reply = Intake::Reply{MHD_HTTP_SERVICE_UNAVAILABLE, {}};
            return true;
        }
        ++withIntake_; // counted before the intake may have it, so the destructor waits for it
    }
    const bool taken = intake_.take(exchange.target, [this, connection, &exchange](Intake::Reply reply) {
        std::lock_guard lock(intakeMutex_);
        exchange.reply = std::move(reply);
        if (exchange.suspended)
            MHD_resume_connection(connection);
        if (--withIntake_ == 0)
            intakeDrained_.notify_all();
    });
    std::lock_guard lock(intakeMutex_);
    if (!taken) {
        if (--withIntake_ == 0)
            intakeDrained_.notify_all();
        return false;
    }
    if (!exchange.reply) {
        MHD_suspend_connection(connection);
        exchange.suspended = true;
    }
    return true;
}

WebServer::Answer WebServer::answer(MHD_Connection* connection, const std::string& method,
                                    const std::string& path) const {
    if (method != MHD_HTTP_METHOD_GET)
        return {MHD_HTTP_METHOD_NOT_ALLOWED, text("405 Method Not Allowed: only GET\n"), "text/plain"};
    ServedSite site;
    {
        std::lock_guard lock(siteMutex_);
        site = site_;
    }
    if (path == "/admin/" || path == "/admin") {
        const AdminAnswer a = adminAnswerOf(connection, site.admin);
        return {a.status, text(a.body), a.status == 200 ? "text/html; charset=utf-8" : "text/plain"};
    }
    if (site.ads) {
        thread_local std::mt19937_64 random{std::random_device{}()};
        if (auto ad = site.ads->find(path, site.admin.clock->nowMs(), random))
            return ad->bytes ? Answer{MHD_HTTP_OK, std::move(ad->bytes), ad->type, true}
                             : Answer{MHD_HTTP_NOT_FOUND, text("404 Not Found\n"), "text/plain"};
    }
    // The channel list and the feeds are always generated, whatever content holds at their paths.
    const bool generated = path == site.channelListPath || path.starts_with("/feeds/");
    if (generated) {
        if (auto document = site.shelf->get(path == site.channelListPath ? Shelf::ChannelList : path))
            return {MHD_HTTP_OK, std::move(document), "text/xml"};
    } else if (auto document = site.content->find(path)) {
        return {MHD_HTTP_OK, text(document->bytes), document->type};
    }
    return {MHD_HTTP_NOT_FOUND, text("404 Not Found\n"), "text/plain"};
}

} // namespace brisma::server
