#include "TestServer.h"

#include <cctype>
#include <chrono>
#include <httplib.h>

namespace brisma::test {

TestServer::TestServer(std::string host, int threads)
    : server_(std::make_unique<httplib::Server>()), host_(std::move(host)) {
    server_->new_task_queue = [threads] { return new httplib::ThreadPool(static_cast<size_t>(threads)); };
    server_->set_keep_alive_max_count(1);
    server_->Get(R"(.*)", [this](const httplib::Request& req, httplib::Response& res) {
        Response r;
        bool found = false;
        {
            std::lock_guard lock(mutex_);
            targets_.push_back(req.target);
            auto& kept = requestHeaders_.emplace_back();
            for (const auto& [name, value] : req.headers) {
                std::string lower = name;
                for (char& c : lower)
                    c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
                kept.emplace(lower, value);
            }
            changed_.notify_all();
            auto it = routes_.find(req.path);
            if (it != routes_.end()) {
                r = it->second;
                found = true;
            }
        }
        if (!found) {
            res.status = 404;
            res.set_content("<html><body>404 Not Found</body></html>", "text/html");
            return;
        }
        if (r.hold) {
            std::unique_lock lock(mutex_);
            changed_.wait(lock, [this] { return released_ || stopping_; });
            if (!released_)
                return;
        }
        if (r.delayMs > 0 || r.hang) {
            std::unique_lock lock(mutex_);
            const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(r.delayMs);
            changed_.wait_until(lock, r.hang ? std::chrono::steady_clock::time_point::max() : until,
                                [this] { return stopping_; });
            if (r.hang)
                return;
        }
        res.status = r.status;
        if (!r.location.empty())
            res.set_header("Location", r.location);
        for (const auto& [name, value] : r.headers)
            res.set_header(name, value);
        if (r.endless) {
            res.set_chunked_content_provider(r.contentType, [this](size_t, httplib::DataSink& sink) {
                static const std::string block(65536, 'x');
                {
                    std::lock_guard lock(mutex_);
                    if (stopping_)
                        return false;
                }
                return sink.write(block.data(), block.size());
            });
        } else if (r.truncate) {
            const std::string body = r.body;
            res.set_content_provider(body.size() + 1000, r.contentType,
                                     [body](size_t offset, size_t, httplib::DataSink& sink) {
                                         if (offset < body.size())
                                             sink.write(body.data() + offset, body.size() - offset);
                                         return false; // close before the announced length
                                     });
        } else {
            res.set_content(r.body, r.contentType);
        }
    });
    port_ = server_->bind_to_any_port(host_);
    thread_ = std::thread([this] { server_->listen_after_bind(); });
    while (!server_->is_running())
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

TestServer::~TestServer() {
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
        changed_.notify_all();
    }
    server_->stop();
    if (thread_.joinable())
        thread_.join();
}

std::string TestServer::base() const {
    return "http://" + host_ + ":" + std::to_string(port_) + "/";
}

void TestServer::route(const std::string& path, Response response) {
    std::lock_guard lock(mutex_);
    routes_[path] = std::move(response);
}

void TestServer::route(const std::string& path, std::string body) {
    Response r;
    r.body = std::move(body);
    route(path, std::move(r));
}

std::vector<std::string> TestServer::targets() const {
    std::lock_guard lock(mutex_);
    return targets_;
}

std::string TestServer::requestHeader(std::size_t index, const std::string& name) const {
    std::string lower = name;
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    std::lock_guard lock(mutex_);
    if (index >= requestHeaders_.size())
        return {};
    const auto it = requestHeaders_[index].find(lower);
    return it == requestHeaders_[index].end() ? std::string() : it->second;
}

void TestServer::release() {
    std::lock_guard lock(mutex_);
    released_ = true;
    changed_.notify_all();
}

void TestServer::clearRequests() {
    std::lock_guard lock(mutex_);
    targets_.clear();
    requestHeaders_.clear();
}

bool TestServer::waitForRequests(std::size_t count, int timeoutMs) const {
    std::unique_lock lock(mutex_);
    return changed_.wait_for(lock, std::chrono::milliseconds(timeoutMs),
                             [&] { return targets_.size() >= count; });
}

} // namespace brisma::test
