#include "core/transfer/pacing.h"

#include <algorithm>

namespace transfer {

Pacing effectivePacing(SerialFlow flow, int charDelayMs, int lineDelayMs)
{
    Pacing pacing;
    if (charDelayMs == AutomaticDelay)
        pacing.charDelayMs = flow == SerialFlow::None ? CharDelayWithoutFlow : 0;
    else
        pacing.charDelayMs = std::clamp(charDelayMs, 0, MaxCharDelay);
    pacing.lineDelayMs = lineDelayMs == AutomaticDelay ? 0 : std::clamp(lineDelayMs, 0, MaxLineDelay);
    return pacing;
}

PacedSchedule pacedSchedule(const QByteArray &bytes, const Pacing &pacing)
{
    PacedSchedule schedule;
    int lines = 0;
    const auto add = [&](qsizetype end, int pause) { schedule.push_back({end, pause, lines}); };
    for (qsizetype i = 0; i < bytes.size(); ++i) {
        const bool lineEnd = bytes[i] == '\n';
        if (lineEnd)
            ++lines;
        const bool last = i + 1 == bytes.size();
        const bool beforeLast = i + 2 == bytes.size();
        if (pacing.charDelayMs > 0)
            add(i + 1, pacing.charDelayMs + (lineEnd ? pacing.lineDelayMs : 0));
        else if (lineEnd || last || beforeLast)
            add(i + 1, lineEnd ? pacing.lineDelayMs : 0);
    }
    if (!schedule.empty())
        schedule.back().pauseMs = 0;
    return schedule;
}

namespace {

double chunkSeconds(const PacedSchedule &schedule, size_t i, const SerialLine &settings)
{
    const qsizetype begin = i == 0 ? 0 : schedule[i - 1].end;
    const double lineTime = double(schedule[i].end - begin) * settings.bitsPerCharacter() / std::max(settings.baud, 1);
    return lineTime + schedule[i].pauseMs / 1000.0;
}

} // namespace

double remainingSeconds(const PacedSchedule &schedule, size_t done, const SerialLine &settings)
{
    double seconds = 0;
    for (size_t i = done; i < schedule.size(); ++i)
        seconds += chunkSeconds(schedule, i, settings);
    return seconds;
}

} // namespace transfer
