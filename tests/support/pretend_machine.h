#pragma once
// A pretend pocket computer at the far end of a pseudo-terminal: the code under test opens device() as its
// serial port; the test reads what arrives on the master side and answers as the machine would (Xon, Xoff,
// or a pulled cable).

#include "support/core_app.h"

#include <QByteArray>
#include <QString>

#include <utility>

#include <fcntl.h>
#include <pty.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace testsupport {

class PretendMachine {
public:
    PretendMachine()
    {
        termios raw = {};
        ::cfmakeraw(&raw);
        if (::openpty(&m_master, &m_slave, nullptr, &raw, nullptr) == 0) {
            ::fcntl(m_master, F_SETFL, ::fcntl(m_master, F_GETFL) | O_NONBLOCK);
            m_device = QString::fromLocal8Bit(::ptsname(m_master));
        }
    }
    ~PretendMachine() { hangUp(); }
    PretendMachine(const PretendMachine &) = delete;
    PretendMachine &operator=(const PretendMachine &) = delete;

    QString device() const { return m_device; } // empty when no pseudo-terminal could be had
    // Everything received so far.
    const QByteArray &received()
    {
        char buffer[4096];
        for (ssize_t n; m_master >= 0 && (n = ::read(m_master, buffer, sizeof buffer)) > 0;)
            m_received.append(buffer, n);
        return m_received;
    }
    void send(char byte) { [[maybe_unused]] const ssize_t n = ::write(m_master, &byte, 1); }
    // The cable is pulled: both ends go. (The slave end is held until then,
    // so the master reads on after the PC closes its end.)
    void hangUp()
    {
        for (int *fd : {&m_master, &m_slave})
            if (*fd >= 0)
                ::close(std::exchange(*fd, -1));
    }
    // The line is hung up as a USB adapter's is when it is pulled out: the
    // PC's end reads nothing more and cannot write. False when this process
    // may not do that (it takes CAP_SYS_ADMIN).
    bool hangUpLine() { return m_slave >= 0 && ::ioctl(m_slave, TIOCVHANGUP) == 0; }
    // Runs the event loop, collecting what arrives, until `done` holds; idle() for what must not happen meanwhile.
    bool runUntil(const std::function<bool()> &done, int maxMs = 20000)
    {
        return waitFor([&] { return received(), done(); }, maxMs);
    }
    void idle(int ms) { runUntil([] { return false; }, ms); }

private:
    int m_master = -1, m_slave = -1;
    QString m_device;
    QByteArray m_received;
};

} // namespace testsupport
