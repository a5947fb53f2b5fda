#include "cli/stop_signals.h"

#include <fcntl.h>
#include <unistd.h>

namespace cli {

namespace {

std::atomic<int> caughtSignal{0};
std::atomic<bool> stopRequested{false};
int wakePipe[2] = {-1, -1};
static_assert(std::atomic<int>::is_always_lock_free && std::atomic<bool>::is_always_lock_free,
              "a signal handler may only touch lock-free atomics");

extern "C" void onStopSignal(int sig)
{
    caughtSignal = sig;
    stopRequested = true;
    if (wakePipe[1] >= 0) {
        const char c = 0;
        [[maybe_unused]] const ssize_t n = ::write(wakePipe[1], &c, 1);
    }
}

} // namespace

StopSignals::StopSignals()
{
    caughtSignal = 0;
    stopRequested = false;
    if (::pipe2(wakePipe, O_CLOEXEC | O_NONBLOCK) != 0)
        wakePipe[0] = wakePipe[1] = -1;
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, &m_oldInt);
    sigaction(SIGTERM, &action, &m_oldTerm);
}

StopSignals::~StopSignals()
{
    sigaction(SIGINT, &m_oldInt, nullptr);
    sigaction(SIGTERM, &m_oldTerm, nullptr);
    for (int &fd : wakePipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

int StopSignals::wakeFd() const
{
    return wakePipe[0];
}

const std::atomic<bool> *StopSignals::flag() const
{
    return &stopRequested;
}

int StopSignals::caught() const
{
    return caughtSignal.load();
}

} // namespace cli
