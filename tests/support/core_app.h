#pragma once
// One QCoreApplication for a test program that needs an event loop (timers,
// serial ports) but no windows.

#include <QCoreApplication>

namespace testsupport {

inline void coreApplication()
{
    static int argc = 1;
    static char name[] = "vltn-test";
    static char *argv[] = {name, nullptr};
    if (!QCoreApplication::instance())
        new QCoreApplication(argc, argv);
}

} // namespace testsupport
