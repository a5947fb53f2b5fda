#include "core/importer/import_progress.h"

#include <algorithm>
#include <cmath>

namespace importer {

namespace {

// A watcher is told again once this many permille more are done.
constexpr int Told = 5;

} // namespace

void Progress::stage(int until)
{
    // A stage that goes past the one before finishes it; one within it
    // (a part of its work) starts where the work is.
    if (until >= m_until)
        step(1, 1);
    else
        check();
    m_from = m_at;
    m_until = std::max(until, m_at);
}

void Progress::step(double done, double total)
{
    check();
    if (total <= 0)
        return;
    m_at = std::max(m_at, m_from + int(std::floor((m_until - m_from) * std::clamp(done / total, 0.0, 1.0))));
    if (m_watch.progress && (m_at >= m_told + Told || (m_at == 1000 && m_told < 1000))) {
        m_told = m_at;
        m_watch.progress(m_at);
    }
}

void Progress::check() const
{
    if (m_watch.cancel && m_watch.cancel->load(std::memory_order_relaxed))
        throw Cancelled{};
}

} // namespace importer
