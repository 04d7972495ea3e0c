#include "platform/events/EventGate.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>
#include <exception>

namespace brisma {

// Counts a procedure, a yield or a wait in progress; when the last one ends, the handlers that
// arrived meanwhile are scheduled.
class EventGate::DepthGuard {
public:
    explicit DepthGuard(EventGate& gate) : gate_(gate) { ++gate_.depth_; }
    ~DepthGuard() {
        if (--gate_.depth_ == 0 && !gate_.deferred_.empty())
            gate_.scheduleFlush();
    }

private:
    EventGate& gate_;
};

void EventGate::run(std::function<void()> handler) {
    if (depth_ > 0) {
        deferred_.push_back(std::move(handler));
        return;
    }
    DepthGuard guard(*this);
    handler();
}

void EventGate::yieldOnce() {
    if (!QCoreApplication::instance())
        return;
    if (sinceYield_.isValid() && sinceYield_.nsecsElapsed() < 1'000'000)
        return;
    DepthGuard guard(*this);
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    sinceYield_.start();
}

void EventGate::waitUntil(const std::function<bool()>& done, std::function<void()>& wake) {
    if (!QCoreApplication::instance()) {
        wake = [] {};
        return;
    }
    DepthGuard guard(*this);
    wake = [] {
        // Called from another thread: a queued call wakes this thread's wait for events.
        QMetaObject::invokeMethod(
            QCoreApplication::instance(), [] {}, Qt::QueuedConnection);
    };
    // Each pass sleeps until an event comes; unlike a nested event loop's, this wait still
    // blocks once the application has been asked to quit.
    while (!done())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

void EventGate::pace(int count, int intervalMs, const std::function<void(int)>& step) {
    DepthGuard guard(*this);
    if (count < 1)
        return;
    step(1);
    if (!QCoreApplication::instance()) {
        for (int i = 2; i <= count; ++i)
            step(i);
        return;
    }
    QEventLoop loop;
    QTimer timer;
    timer.setTimerType(Qt::PreciseTimer);
    int done = 1;
    std::exception_ptr failure;
    QObject::connect(&timer, &QTimer::timeout, &loop, [&] {
        if (done == count) {
            loop.quit();
            return;
        }
        // An exception may not leave through the event loop.
        try {
            step(++done);
        } catch (...) {
            failure = std::current_exception();
            loop.quit();
        }
    });
    timer.start(intervalMs);
    loop.exec();
    if (failure)
        std::rethrow_exception(failure);
}

void EventGate::scheduleFlush() {
    if (flushScheduled_ || !QCoreApplication::instance())
        return;
    flushScheduled_ = true;
    QTimer::singleShot(0, &flushContext_, [this] { flush(); });
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
