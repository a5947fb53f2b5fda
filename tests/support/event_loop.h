#pragma once
// Runs the event loop until something a test waits for has happened.

#include <QCoreApplication>
#include <QDeadlineTimer>

#include <functional>

namespace testsupport {

// Until `done` holds or `maxMs` have passed; returns `done()`. The bound only
// keeps a failing test from hanging: no test measures time with it.
inline bool runUntil(const std::function<bool()> &done, int maxMs = 20000)
{
    const QDeadlineTimer deadline(maxMs);
    while (!done() && !deadline.hasExpired())
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 5);
    return done();
}

} // namespace testsupport
