#pragma once
// Seeded random H-MML songs that compile, for the property tests of what is
// built from a compile: notes, rests, comments and blank lines, tempo changes
// and loops (with tempo changes inside, some left open).

#include "support/random_omp.h"

namespace testrandom {

inline QString hmmlSong(std::mt19937 &rng, int lines)
{
    static const char *const names[] = {"C", "C#", "D", "D+", "E", "F", "F#", "G", "G+", "A", "A#", "B"};
    QString s = QStringLiteral("C-TEMPO:%1\r\n").arg(pick(rng, 30, 600));
    bool loop = false;
    for (int i = 0; i < lines; ++i) {
        const int kind = pick(rng, 0, 19);
        if (kind < 11)
            s += QStringLiteral("%1 %2 %3").arg(pick(rng, 1, 16)).arg(QLatin1String(names[pick(rng, 0, 11)])).arg(pick(rng, 1, 4));
        else if (kind == 11)
            s += QStringLiteral("%1 B# 4 ' the one pitch above B 4").arg(pick(rng, 1, 16));
        else if (kind < 14)
            s += QStringLiteral("%1 *").arg(pick(rng, 1, 16));
        else if (kind == 14)
            s += pick(rng, 0, 1) ? QStringLiteral("' comment") : QString();
        else if (kind < 17)
            s += QStringLiteral("C-TEMPO:%1").arg(pick(rng, 30, 600));
        else
            s += (loop = !loop) ? QStringLiteral("C-LOOP:%1").arg(pick(rng, 1, 4)) : QStringLiteral("C-LEND");
        s += QStringLiteral("\r\n");
    }
    return s;
}

} // namespace testrandom
