#include "platform/ui/EventGate.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QPointer>
#include <QTimer>

namespace brisma {
namespace {

struct DepthGuard {
    explicit DepthGuard(int& d) : depth(d) { ++depth; }
    ~DepthGuard() { --depth; }
    int& depth;
};

} // namespace

void EventGate::run(std::function<void()> handler) {
    if (depth_ > 0) {
        deferred_.push_back(std::move(handler));
        return;
    }
    {
        DepthGuard guard(depth_);
        handler();
    }
    if (!deferred_.empty())
        scheduleFlush();
}

void EventGate::yieldOnce() {
    if (!QCoreApplication::instance())
        return;
    DepthGuard guard(depth_);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
}

void EventGate::waitUntil(const std::function<bool()>& done, std::function<void()>& wake) {
    if (!QCoreApplication::instance()) {
        wake = [] {};
        return;
    }
    DepthGuard guard(depth_);
    QEventLoop loop;
    QPointer<QEventLoop> target(&loop);
    wake = [target] {
        // Called from another thread: a queued call reaches the loop on its own thread.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(),
            [target] {
                if (target)
                    target->quit();
            },
            Qt::QueuedConnection);
    };
    while (!done())
        loop.exec();
}

void EventGate::scheduleFlush() {
    if (flushScheduled_ || !QCoreApplication::instance())
        return;
    flushScheduled_ = true;
    QTimer::singleShot(0, QCoreApplication::instance(), [this] { flush(); });
}

void EventGate::flush() {
    flushScheduled_ = false;
    while (!deferred_.empty() && depth_ == 0) {
        auto handler = std::move(deferred_.front());
        deferred_.pop_front();
        run(std::move(handler));
    }
}

} // namespace brisma
