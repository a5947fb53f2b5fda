#pragma once
// How far a machine's tone for each pitch lies from equal temperament (A of
// octave 1, OMP "J", at 440 Hz), in cents: a small table, pitch code to
// cents (tuningTable's, see pitchCents), that the note view and the SVG
// picture mark. A pitch the machine does not play has no entry.

#include <array>
#include <cmath>
#include <limits>
#include <optional>

namespace voice {

class PitchCents {
public:
    // Notes further off than this are marked.
    static constexpr double MarkedAbove = 20.0;

    void set(int code, double cents)
    {
        if (code >= 0 && code < int(m_cents.size()))
            m_cents[size_t(code)] = cents;
    }
    std::optional<double> of(int code) const
    {
        if (code < 0 || code >= int(m_cents.size()) || std::isnan(m_cents[size_t(code)]))
            return std::nullopt;
        return m_cents[size_t(code)];
    }
    bool marked(int code) const
    {
        const std::optional<double> c = of(code);
        return c && std::fabs(*c) > MarkedAbove;
    }
    bool empty() const
    {
        for (const double c : m_cents) {
            if (!std::isnan(c))
                return false;
        }
        return true;
    }

private:
    // Every character code a reader sees is below 256 (omp::charCode).
    std::array<double, 256> m_cents = filled();
    static constexpr std::array<double, 256> filled()
    {
        std::array<double, 256> a{};
        a.fill(std::numeric_limits<double>::quiet_NaN());
        return a;
    }
};

} // namespace voice
