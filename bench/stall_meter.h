#pragma once
// How long the window's thread is kept from its event loop: a timer fires
// every 2 ms on that thread and the longest gap between two firings is the
// longest stall (the 2 ms included). What the benchmarks start is posted to
// the event loop and run from there, so that its own time counts too.
// Beside it, a paint counter and the verdict of a figure against its target.

#include <QCoreApplication>
#include <QEvent>
#include <QElapsedTimer>
#include <QTimer>

#include <algorithm>
#include <functional>

class StallMeter {
public:
    StallMeter()
    {
        m_timer.setTimerType(Qt::PreciseTimer);
        m_timer.setInterval(2);
        QObject::connect(&m_timer, &QTimer::timeout, [this] { tick(); });
    }

    // Measuring from now on, the longest gap forgotten.
    void start()
    {
        m_longest = 0;
        m_clock.start();
        m_last = 0;
        m_timer.start();
    }
    void stop() { m_timer.stop(); }
    // The longest gap so far, in milliseconds.
    double longestMs() const { return std::max(m_longest, (m_clock.nsecsElapsed() - m_last) / 1e6); }

private:
    void tick()
    {
        const qint64 now = m_clock.nsecsElapsed();
        m_longest = std::max(m_longest, (now - m_last) / 1e6);
        m_last = now;
    }

    QTimer m_timer;
    QElapsedTimer m_clock;
    qint64 m_last = 0;
    double m_longest = 0;
};

// Runs the event loop until `done` holds (checked every millisecond or
// after each event) or `limitMs` have passed; false on the limit.
inline bool runUntil(const std::function<bool()> &done, int limitMs = 120000)
{
    QElapsedTimer t;
    t.start();
    while (!done()) {
        if (t.elapsed() > limitMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
    }
    return true;
}

// Runs the event loop for `ms` milliseconds (work left to do in the
// background gets done, and its stalls measured).
inline void runFor(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 1);
}

// Posts `work` to the event loop: it runs from there as a user's command does.
inline void post(std::function<void()> work)
{
    QTimer::singleShot(0, qApp, std::move(work));
}

// Counts the paints of a widget.
struct PaintCounter : QObject {
    int paints = 0;
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// How a figure stands against its target.
inline const char *verdict(double value, double target)
{
    return value <= target ? "within" : "OVER";
}
