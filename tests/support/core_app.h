#pragma once
// One QCoreApplication for the whole run of a test program that needs an
// event loop (sockets, timers, serial ports) but no windows.

#include <QCoreApplication>

namespace testsupport {

inline QCoreApplication &coreApplication()
{
    static int argc = 1;
    static char name[] = "vltn-test";
    static char *argv[] = {name, nullptr};
    static QCoreApplication *app =
        QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    return app ? *app : *QCoreApplication::instance();
}

} // namespace testsupport
