#pragma once
// One QCoreApplication for a test program that needs an event loop (timers,
// serial ports, the player) but no windows, and waiting on that loop.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>
#include <thread>

namespace testsupport {

inline void coreApplication()
{
    static int argc = 1;
    static char name[] = "vltn-test";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

// Runs the event loop until `done` holds or `maxMs` have passed; returns
// `done()`. The bound only keeps a failing test from hanging: no test
// measures time with it.
inline bool waitFor(const std::function<bool()> &done, int maxMs = 60000)
{
    const QDeadlineTimer deadline(maxMs);
    while (!done() && !deadline.hasExpired()) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    return done();
}

} // namespace testsupport
