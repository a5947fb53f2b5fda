#pragma once
// A pacing clock the test steps by hand: it records every pause asked for
// and fires only when told.

#include "platform/serial/serial_link.h"

#include <functional>
#include <utility>
#include <vector>

class FakePacingClock final : public PacingClock {
public:
    void start(int ms, std::function<void()> fire) override { requested.push_back(ms); m_fire = std::move(fire); }
    void stop() override { m_fire = nullptr; }
    bool pending() const { return bool(m_fire); }
    void fire() { std::exchange(m_fire, nullptr)(); } // ends the pause now

    std::vector<int> requested;

private:
    std::function<void()> m_fire;
};
