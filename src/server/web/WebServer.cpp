#include "server/web/WebServer.h"

#include "server/model/Log.h"
#include "server/web/ClientAddress.h"

#include <arpa/inet.h>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <microhttpd.h>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <random>
#include <stdexcept>
#include <strings.h>
#include <sys/socket.h>
#include <sys/time.h>
#include <unistd.h>

namespace brisma::server {

namespace {

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

IpAddress peerOf(MHD_Connection* connection) {
    const MHD_ConnectionInfo* info = MHD_get_connection_info(connection, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    IpAddress address{};
    if (!info || !info->client_addr)
        return address;
    if (info->client_addr->sa_family == AF_INET6) {
        std::memcpy(address.data(), &reinterpret_cast<const sockaddr_in6*>(info->client_addr)->sin6_addr, 16);
    } else if (info->client_addr->sa_family == AF_INET) {
        address[10] = address[11] = 0xff;
        std::memcpy(address.data() + 12, &reinterpret_cast<const sockaddr_in*>(info->client_addr)->sin_addr,
                    4);
    }
    return address;
}

// Every X-Forwarded-For header's value in order, joined by commas as one header would hold them.
std::string forwardedFor(MHD_Connection* connection) {
    std::string joined;
    MHD_get_connection_values(
        connection, MHD_HEADER_KIND,
        [](void* cls, MHD_ValueKind, const char* key, const char* value) {
            if (strcasecmp(key, "X-Forwarded-For") == 0) {
                auto& all = *static_cast<std::string*>(cls);
                all += (all.empty() ? "" : ",") + std::string(value ? value : "");
            }
            return MHD_YES;
        },
        &joined);
    return joined;
}

Answer emptyAnswer(unsigned status) {
    return {status, nullptr, {}, "text/plain"};
}

} // namespace

// One request, from its request line to its end: MHD keeps the pointer for the request's life.
struct WebServer::Exchange {
    std::string target;      // as it arrived, undecoded, up to a NUL byte
    std::uintptr_t line = 0; // where MHD holds it, for the check below
    bool nulInLine = false;
    bool headArrived = false;
    bool suspended = false;
    std::optional<Answer> later; // the answer that came while the connection was routed
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
        std::optional<Answer> a;
        if (exchange->nulInLine)
            a = emptyAnswer(MHD_HTTP_BAD_REQUEST);
        else if (exchange->later) // resumed
            a = std::move(exchange->later);
        else if (a = self->route(connection, method, url, *exchange); !a)
            return MHD_YES; // suspended until the answer comes
        // The body stays alive with the response: a copy of its owner rides along.
        auto* keep = new std::shared_ptr<const void>(std::move(a->keep));
        MHD_Response* response = MHD_create_response_from_buffer_with_free_callback_cls(
            a->body.size(), const_cast<char*>(a->body.data()),
            [](void* p) { delete static_cast<std::shared_ptr<const void>*>(p); }, keep);
        MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, a->type);
        if (a->noStore)
            MHD_add_response_header(response, MHD_HTTP_HEADER_CACHE_CONTROL, "no-store");
        if (a->retryAfter.count() > 0)
            MHD_add_response_header(response, MHD_HTTP_HEADER_RETRY_AFTER,
                                    std::to_string(a->retryAfter.count()).c_str());
        if (a->status == MHD_HTTP_METHOD_NOT_ALLOWED)
            MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, "GET");
        const MHD_Result queued = MHD_queue_response(connection, a->status, response);
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

    // The library's own complaints, through the server's log as they read.
    static void libraryLine(void*, const char* format, va_list values) {
        char line[1024];
        std::vsnprintf(line, sizeof line, format, values);
        std::string_view text(line);
        while (text.ends_with('\n'))
            text.remove_suffix(1);
        Log::writeBare(Log::Warning, text);
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

WebServer::WebServer(const std::string& host, int port, ServedSite site, Limits limits, Intake& intake,
                     const StoreHealth& health, std::vector<AddressRange> trustedProxies)
    : host_(host), limits_(limits), trustedProxies_(std::move(trustedProxies)),
      routes_(std::move(site), intake, health) {
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

    daemon_ =
        MHD_start_daemon(MHD_USE_INTERNAL_POLLING_THREAD | MHD_USE_EPOLL | MHD_USE_ERROR_LOG |
                             MHD_ALLOW_SUSPEND_RESUME | (v6 ? MHD_USE_IPv6 : 0),
                         static_cast<std::uint16_t>(port), nullptr, nullptr, &Callbacks::request, this,
                         // First, or the library's complaints about the options bypass it.
                         MHD_OPTION_EXTERNAL_LOGGER, &Callbacks::libraryLine, nullptr, MHD_OPTION_SOCK_ADDR,
                         reinterpret_cast<sockaddr*>(&address), MHD_OPTION_THREAD_POOL_SIZE, limits_.threads,
                         MHD_OPTION_CONNECTION_LIMIT, limits_.connections, MHD_OPTION_PER_IP_CONNECTION_LIMIT,
                         limits_.connectionsPerAddress, MHD_OPTION_CONNECTION_MEMORY_LIMIT, limits_.headBytes,
                         MHD_OPTION_CONNECTION_TIMEOUT, static_cast<unsigned>(limits_.idle.count()),
                         MHD_OPTION_NOTIFY_CONNECTION, &Callbacks::connection, this,
                         MHD_OPTION_NOTIFY_COMPLETED, &Callbacks::completed, this,
                         MHD_OPTION_URI_LOG_CALLBACK, &Callbacks::requestLine, this, MHD_OPTION_END);
    if (!daemon_)
        throw std::runtime_error("cannot listen on " + host + ":" + std::to_string(port));
    port_ = MHD_get_daemon_info(daemon_, MHD_DAEMON_INFO_BIND_PORT)->port;
    watcher_ = std::jthread([this](std::stop_token stop) { watchHeads(std::move(stop)); });
}

WebServer::~WebServer() {
    {
        std::unique_lock lock(routedMutex_);
        closed_ = true;
        drained_.wait(lock, [this] { return routed_ == 0; });
    }
    watcher_.request_stop();
    watcher_.join();
    MHD_stop_daemon(daemon_);
}

bool WebServer::answers(std::chrono::milliseconds within) const {
    const std::string host = host_.empty() || host_ == "0.0.0.0" ? "127.0.0.1"
                             : host_ == "::"                     ? "::1"
                                                                 : host_;
    addrinfo hints{};
    hints.ai_flags = AI_NUMERICSERV;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(host.c_str(), std::to_string(port_).c_str(), &hints, &found) != 0 || !found)
        return false;
    const int fd = ::socket(found->ai_family, SOCK_STREAM | SOCK_CLOEXEC, 0);
    bool ok = false;
    if (fd >= 0) {
        const timeval limit{static_cast<time_t>(within.count() / 1000),
                            static_cast<suseconds_t>(within.count() % 1000 * 1000)};
        setsockopt(fd, SOL_SOCKET, SO_RCVTIMEO, &limit, sizeof limit);
        setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
        static constexpr std::string_view ask =
            "GET /healthz HTTP/1.1\r\nHost: self\r\nConnection: close\r\n\r\n";
        char head[16] = {};
        std::size_t got = 0;
        if (::connect(fd, found->ai_addr, found->ai_addrlen) == 0 &&
            ::send(fd, ask.data(), ask.size(), MSG_NOSIGNAL) == static_cast<ssize_t>(ask.size())) {
            for (ssize_t n; got < 12 && (n = ::recv(fd, head + got, 12 - got, 0)) > 0;)
                got += static_cast<std::size_t>(n);
        }
        ok = got == 12 && std::string_view(head, 12) == "HTTP/1.1 200";
        ::close(fd);
    }
    freeaddrinfo(found);
    return ok;
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

std::optional<Answer> WebServer::route(MHD_Connection* connection, const char* method, const char* path,
                                       Exchange& exchange) {
    {
        std::lock_guard lock(routedMutex_);
        if (closed_)
            return emptyAnswer(MHD_HTTP_SERVICE_UNAVAILABLE);
        ++routed_; // counted before an answer may come, so the destructor waits for it
    }
    const WebRequest request{
        method,
        path,
        exchange.target,
        {valueOf(connection, MHD_HEADER_KIND, MHD_HTTP_HEADER_AUTHORIZATION), fromLoopback(connection),
         MHD_lookup_connection_value(connection, MHD_HEADER_KIND, "X-Forwarded-For") != nullptr},
        valueOf(connection, MHD_GET_ARGUMENT_KIND, "day"),
        clientAddress(peerOf(connection), forwardedFor(connection), trustedProxies_)};
    std::optional<Answer> now = routes_.route(request, [this, connection, &exchange](Answer later) {
        std::lock_guard lock(routedMutex_);
        exchange.later = std::move(later);
        if (exchange.suspended)
            MHD_resume_connection(connection);
        if (--routed_ == 0)
            drained_.notify_all();
    });
    std::lock_guard lock(routedMutex_);
    if (now) {
        if (--routed_ == 0)
            drained_.notify_all();
        return now;
    }
    if (exchange.later) // it came before routing returned
        return std::move(exchange.later);
    MHD_suspend_connection(connection);
    exchange.suspended = true;
    return std::nullopt;
}

} // namespace brisma::server
