#pragma once
// A pacing clock the test steps by hand: it records every pause asked for
// and fires only when told.

#include "platform/serial_link.h"

#include <functional>
#include <vector>

class FakePacingClock final : public PacingClock {
public:
    void start(int ms, std::function<void()> fire) override
    {
        requested.push_back(ms);
        m_fire = std::move(fire);
    }
    void stop() override { m_fire = nullptr; }

    bool pending() const { return bool(m_fire); }
    // Ends the pause now.
    void fire()
    {
        std::function<void()> f = std::move(m_fire);
        m_fire = nullptr;
        if (f)
            f();
    }

    std::vector<int> requested;

private:
    std::function<void()> m_fire;
};
