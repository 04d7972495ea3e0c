#include "platform/http/HttpClient.h"

#include "common/BrismaError.h"
#include "common/ErrorReporter.h"
#include "platform/events/EventGate.h"
#include "platform/log/ErrorLog.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkProxyFactory>
#include <QNetworkReply>
#include <QRegularExpression>
#include <QThread>
#include <QTimer>
#include <QUrl>
#include <algorithm>
#include <atomic>
#include <cctype>
#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <deque>
#include <exception>
#include <functional>
#include <mutex>
#include <optional>
#include <thread>

namespace brisma {
namespace {

// How long a closing client lets queued reports finish before it abandons them.
constexpr auto StopGrace = std::chrono::seconds(2);
// A terminated client ends within 2 s of the signal: queued reports get this much of it.
constexpr auto TerminationGrace = std::chrono::milliseconds(1500);
// How often a transfer that may be abandoned looks whether it is.
constexpr int CancelPollMs = 100;
// What Qt holds of an answer before it is read: an answer without end cannot grow it.
constexpr qint64 ReadBufferBytes = 1024 * 1024;

// The address is cut at its first "?" or "#", whatever else it holds: queries carry the user's
// id, e-mail address and birth date, and error texts reach the log.
[[noreturn]] void fail(const std::string& what, const std::string& url) {
    throw BrismaError(err::NetworkFailure,
                      withoutQueries(what) + ": " + url.substr(0, url.find_first_of("?#")));
}

// Only http and https, with a host, are fetched, redirects included: anything else could
// read local files or reach other services.
bool isWebAddress(const QUrl& url) {
    return url.isValid() && (url.scheme() == u"http" || url.scheme() == u"https") && !url.host().isEmpty();
}

std::string environment(std::initializer_list<const char*> names) {
    for (const char* name : names)
        if (const char* value = std::getenv(name); value && *value)
            return value;
    return {};
}

// Whether the address `host` is the entry's address or, with "/bits", in its range; as curl
// matches, "/0" or no bits asks for the address itself.
bool inRange(const QHostAddress& host, QString entry) {
    int bits = 0;
    if (const auto slash = entry.indexOf(u'/'); slash >= 0) {
        bool ok = false;
        bits = entry.mid(slash + 1).toInt(&ok);
        if (!ok || bits < 0)
            return false;
        entry.truncate(slash);
    }
    if (entry.startsWith(u'[') && entry.endsWith(u']'))
        entry = entry.mid(1, entry.size() - 2);
    const QHostAddress network(entry);
    if (network.isNull() || network.protocol() != host.protocol())
        return false;
    const int width = host.protocol() == QAbstractSocket::IPv4Protocol ? 32 : 128;
    if (bits > width)
        return false;
    return bits == 0 || bits == width ? host.isEqual(network, QHostAddress::StrictConversion)
                                      : host.isInSubnet(network, bits);
}

// no_proxy lists hosts, each also covering its subdomains, and addresses with or without a range
// ("127.0.0.0/8", "::1"), which only an address host matches; separated by commas or blanks.
// "*" covers every host.
bool bypassesProxy(const QString& host) {
    const QString list = QString::fromStdString(environment({"no_proxy", "NO_PROXY"}));
    const QHostAddress address(host);
    for (QString entry : list.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        if (entry == u"*")
            return true;
        if (!address.isNull()) {
            if (inRange(address, entry))
                return true;
            continue;
        }
        if (entry.startsWith(u'.'))
            entry.remove(0, 1);
        if (host.compare(entry, Qt::CaseInsensitive) == 0 || host.endsWith(u'.' + entry, Qt::CaseInsensitive))
            return true;
    }
    return false;
}

// The proxy the usual variables name for `url`: http_proxy (lower case only, since HTTP_PROXY
// can be set by a request's header in CGI environments) for http, https_proxy or HTTPS_PROXY for
// https, else all_proxy or ALL_PROXY. "socks5://" names a SOCKS proxy; any other or no scheme an
// HTTP one.
QNetworkProxy proxyFor(const QUrl& url) {
    const std::string named = url.scheme() == u"https"
                                  ? environment({"https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY"})
                                  : environment({"http_proxy", "all_proxy", "ALL_PROXY"});
    if (named.empty() || bypassesProxy(url.host()))
        return QNetworkProxy(QNetworkProxy::NoProxy);
    QString text = QString::fromStdString(named);
    if (!text.contains(u"://"))
        text.prepend(u"http://");
    const QUrl proxy(text, QUrl::TolerantMode);
    const bool socks = proxy.scheme().startsWith(u"socks5");
    return QNetworkProxy(socks ? QNetworkProxy::Socks5Proxy : QNetworkProxy::HttpProxy, proxy.host(),
                         static_cast<quint16>(proxy.port(1080)), proxy.userName(), proxy.password());
}

// Asked again for every address a request reaches, redirects included.
class EnvironmentProxies : public QNetworkProxyFactory {
public:
    QList<QNetworkProxy> queryProxy(const QNetworkProxyQuery& query) override {
        return {proxyFor(query.url())};
    }
};

// Errors that stand for an HTTP status: the answer arrived whole and is the caller's to judge.
bool isStatusError(QNetworkReply::NetworkError e) {
    return (e >= QNetworkReply::ContentAccessDenied && e <= QNetworkReply::UnknownContentError) ||
           e == QNetworkReply::ProtocolInvalidOperationError ||
           (e >= QNetworkReply::InternalServerError && e <= QNetworkReply::UnknownServerError);
}

// One GET with every limit applied, run in an event loop of this thread's own, so the calling
// thread must be one where nothing else waits to run. Raises NetworkFailure when no complete
// answer arrives.
HttpReply fetch(const HttpRequest& call, const HttpLimits& limits, bool keepBody,
                const std::atomic<bool>* cancel) {
    const std::string& url = call.url;
    const QUrl address = QUrl::fromEncoded(QByteArray::fromStdString(url), QUrl::TolerantMode);
    if (!isWebAddress(address))
        fail("Not an http or https address", url);

    HttpReply response;
    std::string failure;
    {
        QNetworkAccessManager manager;
        manager.setProxyFactory(new EnvironmentProxies); // the manager owns it
        manager.setRedirectPolicy(QNetworkRequest::UserVerifiedRedirectPolicy);
        QNetworkRequest request(address);
        // One more than the limit, so that the count below, not Qt, ends a chain of redirects.
        request.setMaximumRedirectsAllowed(limits.maxRedirects + 1);
        // The body arrives as sent, so the cap counts what is kept and nothing is inflated.
        request.setRawHeader("Accept-Encoding", "identity");
        request.setAttribute(QNetworkRequest::CookieLoadControlAttribute, QNetworkRequest::Manual);
        request.setAttribute(QNetworkRequest::CookieSaveControlAttribute, QNetworkRequest::Manual);
        for (const auto& [name, value] : call.headers)
            request.setRawHeader(QByteArray::fromStdString(name), QByteArray::fromStdString(value));
        std::unique_ptr<QNetworkReply> reply(manager.get(request));
        reply->setReadBufferSize(ReadBufferBytes);

        QEventLoop loop;
        std::size_t received = 0;
        const auto giveUp = [&](std::string why) {
            if (failure.empty())
                failure = std::move(why);
            reply->abort();
        };
        const auto take = [&] {
            if (!reply->isOpen())
                return; // ended by an error: nothing more to read
            const QByteArray chunk = reply->readAll();
            const auto n = static_cast<std::size_t>(chunk.size());
            if (n > limits.maxBodyBytes - received)
                return giveUp("Answer larger than " + std::to_string(limits.maxBodyBytes) + " bytes");
            received += n;
            if (keepBody)
                response.body.append(chunk.constData(), n);
        };
        QObject::connect(reply.get(), &QNetworkReply::readyRead, &loop, take);
        // A transfer through which nothing moves for the stall limit is given up.
        QTimer quiet;
        quiet.setSingleShot(true);
        QObject::connect(&quiet, &QTimer::timeout, &loop, [&] {
            giveUp("Nothing received for " + std::to_string(limits.stallTimeoutMs) + " ms");
        });
        const auto moved = [&] { quiet.start(static_cast<int>(limits.stallTimeoutMs)); };
        QObject::connect(reply.get(), &QNetworkReply::requestSent, &quiet, moved);
        QObject::connect(reply.get(), &QNetworkReply::metaDataChanged, &quiet, moved);
        QObject::connect(reply.get(), &QNetworkReply::downloadProgress, &quiet, moved);
        moved();
        // Counted here: at its own limit Qt can end a chain of verified redirects without an error.
        int redirects = 0;
        QObject::connect(reply.get(), &QNetworkReply::redirected, &loop, [&](const QUrl& to) {
            if (++redirects > limits.maxRedirects)
                giveUp("More than " + std::to_string(limits.maxRedirects) + " redirects");
            else if (isWebAddress(to))
                Q_EMIT reply->redirectAllowed();
            else
                giveUp("Redirect to an address that is not http or https");
        });
        QTimer connecting;
        connecting.setSingleShot(true);
        QObject::connect(&connecting, &QTimer::timeout, &loop, [&] { giveUp("Connection timed out"); });
        QObject::connect(reply.get(), &QNetworkReply::requestSent, &connecting, &QTimer::stop);
        connecting.start(static_cast<int>(limits.connectTimeoutMs));
        QTimer whole;
        whole.setSingleShot(true);
        QObject::connect(&whole, &QTimer::timeout, &loop,
                         [&] { giveUp("Timed out after " + std::to_string(limits.totalTimeoutMs) + " ms"); });
        whole.start(static_cast<int>(limits.totalTimeoutMs));
        QTimer abandoned;
        if (cancel) {
            QObject::connect(&abandoned, &QTimer::timeout, &loop, [&] {
                if (cancel->load())
                    giveUp("Abandoned");
            });
            abandoned.start(CancelPollMs);
        }
        QObject::connect(reply.get(), &QNetworkReply::finished, &loop, &QEventLoop::quit);
        if (!reply->isFinished())
            loop.exec();
        if (failure.empty())
            take();
        const QNetworkReply::NetworkError error = reply->error();
        response.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        for (const auto& [name, value] : reply->rawHeaderPairs())
            response.headers.emplace_back(name.toStdString(), value.toStdString());
        response.finalAddress = reply->url().toString(QUrl::FullyEncoded).toStdString();
        if (failure.empty() && error != QNetworkReply::NoError &&
            !(response.status > 0 && isStatusError(error)))
            failure = reply->errorString().toStdString();
        // Qt can end a chain of redirects early without an error, on an interim status.
        const bool redirectStatus =
            response.status < 200 ||
            (response.status >= 300 && response.status < 400 && response.status != 304);
        if (failure.empty() && redirects > 0 && redirectStatus)
            failure = "Redirects ended after " + std::to_string(redirects) + " without an answer";
        // A connection closed early can end the reply without an error: the length tells. A 204
        // or 304 has no body, whatever length it announces for the representation.
        const QVariant announced = reply->header(QNetworkRequest::ContentLengthHeader);
        const bool bodiless = response.status == 204 || response.status == 304;
        if (failure.empty() && !bodiless && announced.isValid() && announced.toULongLong() != received)
            failure = "Answer of " + std::to_string(received) + " bytes where " +
                      announced.toString().toStdString() + " were announced";
    }
    // What the manager left to be deleted later belongs to this thread: delete it before it ends.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    if (!failure.empty())
        fail(failure, url);
    return response;
}

} // namespace

// The one background thread that sends the reports, in the order they were queued.
class HttpClient::Sender {
public:
    explicit Sender(const HttpLimits& limits) : limits_(limits), thread_([this] { run(); }) {}

    ~Sender() {
        {
            std::unique_lock lock(mutex_);
            stopping_ = true;
            queued_.notify_all();
            const auto until = stopBy_.value_or(std::chrono::steady_clock::now() + StopGrace);
            if (!idle_.wait_until(lock, until, [this] { return drained(); }))
                abandon_ = true; // also cancels the transfer in progress
        }
        thread_.join();
    }

    // What is still queued when the client closes must be sent by `until`.
    void stopBy(std::chrono::steady_clock::time_point until) {
        std::lock_guard lock(mutex_);
        stopBy_ = until;
    }

    void enqueue(const std::string& url) {
        std::lock_guard lock(mutex_);
        if (queue_.size() >= limits_.maxQueuedReports)
            return; // full: the report is dropped
        queue_.push_back(url);
        queued_.notify_one();
    }

    bool flush(int timeoutMs) {
        std::unique_lock lock(mutex_);
        return idle_.wait_for(lock, std::chrono::milliseconds(timeoutMs), [this] { return drained(); });
    }

private:
    bool drained() const { return queue_.empty() && !sending_; }

    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            queued_.wait(lock, [this] { return stopping_ || !queue_.empty(); });
            if (queue_.empty() || abandon_)
                return;
            const std::string url = std::move(queue_.front());
            queue_.pop_front();
            sending_ = true;
            lock.unlock();
            try {
                fetch({url, {}}, limits_, false, &abandon_);
            } catch (const std::exception& e) {
                logDropped("a report that fails after it was queued goes unnoticed", e.what());
            }
            lock.lock();
            sending_ = false;
            idle_.notify_all();
        }
    }

    const HttpLimits limits_;
    std::mutex mutex_;
    std::condition_variable queued_;
    std::condition_variable idle_;
    std::deque<std::string> queue_;
    bool sending_ = false;
    bool stopping_ = false;
    std::optional<std::chrono::steady_clock::time_point> stopBy_;
    std::atomic<bool> abandon_{false};
    std::thread thread_; // last: it starts once everything above exists
};

HttpClient::HttpClient(EventGate* gate, HttpLimits limits)
    : gate_(gate), limits_(limits), sender_(std::make_unique<Sender>(limits)) {}

HttpClient::~HttpClient() = default;

HttpResponse HttpClient::getResponse(const std::string& url) {
    if (cancelled_)
        throw ApplicationEnded{};
    // The transfer runs on a worker with an event loop of its own. The application's thread
    // waits in the gate's restricted loop; any other simply blocks.
    struct Outcome {
        std::mutex mutex;
        bool done = false;
        HttpResponse response;
        std::exception_ptr error;
        std::function<void()> wake;
    } outcome;
    std::jthread worker([this, &outcome, url] {
        HttpResponse response;
        std::exception_ptr error;
        try {
            response = fetch({url, {}}, limits_, true, &cancelled_);
        } catch (...) {
            error = std::current_exception();
        }
        std::lock_guard lock(outcome.mutex);
        outcome.response = std::move(response);
        outcome.error = error;
        outcome.done = true;
        if (outcome.wake)
            outcome.wake();
    });
    const QCoreApplication* app = QCoreApplication::instance();
    if (gate_ && app && QThread::currentThread() == app->thread()) {
        std::function<void()> wake;
        gate_->waitUntil(
            [&] {
                std::lock_guard lock(outcome.mutex);
                // The gate has set `wake` before it first asks; the worker may only use it from here on.
                if (!outcome.wake)
                    outcome.wake = wake;
                return outcome.done;
            },
            wake);
    }
    worker.join();
    if (cancelled_)
        throw ApplicationEnded{};
    if (outcome.error)
        std::rethrow_exception(outcome.error);
    return std::move(outcome.response);
}

HttpReply HttpClient::request(const HttpRequest& request, const HttpLimits& limits) {
    return fetch(request, limits, true, nullptr);
}

std::string HttpReply::header(std::string_view name) const {
    const auto sameLetter = [](char a, char b) {
        return std::tolower(static_cast<unsigned char>(a)) == std::tolower(static_cast<unsigned char>(b));
    };
    for (const auto& [key, value] : headers)
        if (std::ranges::equal(key, name, sameLetter))
            return value;
    return {};
}

void HttpClient::getAsync(const std::string& url) {
    sender_->enqueue(url);
}

bool HttpClient::flush(int timeoutMs) {
    return sender_->flush(timeoutMs);
}

void HttpClient::cancel() {
    cancelled_ = true;
    sender_->stopBy(std::chrono::steady_clock::now() + TerminationGrace);
}

} // namespace brisma
