#pragma once

#include <QElapsedTimer>
#include <QObject>
#include <deque>
#include <functional>

namespace brisma {

// Keeps every procedure of the system from being re-entered. Handlers that may not interrupt
// another procedure (refresh tick, panel commands, clicks, menu commands) go through run();
// while one runs, or while the system yields or waits for a download, such handlers are queued
// and run after the interrupted procedure has returned. The scroll tick, painting and the
// placement watch do not go through the gate and keep running.
class EventGate {
public:
    // Runs `handler` now, or queues it when a procedure is in progress.
    void run(std::function<void()> handler);

    // Lets pending events run once (the news-list shift, the read mark, the log writers). Yields
    // closer together than a millisecond let nothing new run and are skipped: a 100-entry shift
    // would otherwise cost a hundred passes of the event loop per inserted headline.
    void yieldOnce();

    // Runs the event loop until `done` answers true; `wake` is set to a function that another
    // thread calls to wake the loop after `done` has become true.
    void waitUntil(const std::function<bool()>& done, std::function<void()>& wake);

    // Runs `step` with 1 to `count`, the first at once and each next one `intervalMs` after the
    // previous, and returns `intervalMs` after the last; in between it waits as a download does.
    // An exception of a step ends the run and passes to the caller.
    void pace(int count, int intervalMs, const std::function<void(int)>& step);

private:
    class DepthGuard;
    void scheduleFlush();
    void flush();

    int depth_ = 0;
    QElapsedTimer sinceYield_;
    // The scheduled flush belongs to this gate and dies with it.
    QObject flushContext_;
    bool flushScheduled_ = false;
    std::deque<std::function<void()>> deferred_;
};

} // namespace brisma
