#pragma once
// Watching an import from another thread: how far it is, and stopping it.

#include <atomic>
#include <functional>
#include <utility>

namespace importer {

struct ImportWatch {
    // Told now and then, on the importing thread, how much of the work is
    // done: 0 to 1000, never going back.
    std::function<void(int permille)> progress;
    // Set (from any thread) to stop the import: it ends soon after, its
    // result `cancelled`.
    const std::atomic<bool> *cancel = nullptr;
};

// The import's reckoning of the above. The work goes in stages, each up to
// a share of the whole: a stage past the one before finishes it, one within
// it cuts its work into parts. Within a stage the work tells how far into
// it it is. Once the cancel is set, the next stage or step throws Cancelled.
class Progress {
public:
    struct Cancelled {};

    explicit Progress(const ImportWatch &watch) : m_watch(watch) {}

    // The next stage: up to `until` permille.
    void stage(int until);
    // The stage's range.
    std::pair<int, int> range() const { return {m_from, m_until}; }
    // `done` of the stage's `total` is done.
    void step(double done, double total);
    // Throws Cancelled once the cancel is set.
    void check() const;

private:
    const ImportWatch &m_watch;
    int m_from = 0;
    int m_until = 0;
    int m_at = 0;
    int m_told = 0;
};

} // namespace importer
