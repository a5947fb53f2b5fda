#pragma once
// Ctrl-C (and a polite kill) while a verb works: the handler only records the
// signal and wakes the event loop through a pipe; the stopping itself
// happens outside the handler, where it is safe. One at a time.

#include <atomic>
#include <csignal>

namespace cli {

class StopSignals {
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals &) = delete;
    StopSignals &operator=(const StopSignals &) = delete;

    // Readable once a signal came (-1 when no pipe could be made).
    int wakeFd() const;
    const std::atomic<bool> *flag() const;
    int caught() const;
    // The shell's convention for a program ended by a signal.
    int exitCode() const { return 128 + caught(); }

private:
    struct sigaction m_oldInt = {};
    struct sigaction m_oldTerm = {};
};

} // namespace cli
