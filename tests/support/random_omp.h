#pragma once
// Seeded random OMP data for the property tests: deterministic, so that a
// failure repeats and can be shown.

#include <QString>

#include <random>

namespace testrandom {

inline int pick(std::mt19937 &rng, int from, int to)
{
    return std::uniform_int_distribution<int>(from, to)(rng);
}

// Printable ASCII as hand-written OMP data has it: tempo fields (closed or
// not, empty, zero, with leading zeros or a point), length characters,
// pitches, rests, and the blanks, slashes and points readers pass over.
inline QString ompText(std::mt19937 &rng, int tokens)
{
    static const char *const tempos[] = {"2", "1.5", "0", ".83", "02", "", "2.50", "3", "1.", "0.5", "120", "2"};
    static const char filler[] = " /.-+,";
    QString s;
    if (pick(rng, 0, 3) != 0)
        s += QStringLiteral("$2:");
    for (int i = 0; i < tokens; ++i) {
        const int kind = pick(rng, 0, 19);
        if (kind < 2) {
            s += u'$';
            s += QLatin1String(tempos[pick(rng, 0, int(std::size(tempos)) - 1)]);
            if (pick(rng, 0, 9) != 0 || i + 1 < tokens)
                s += u':';
        } else if (kind < 7) {
            s += QChar(u'0' + pick(rng, 0, 16));
        } else if (kind < 15) {
            s += QChar(u'A' + pick(rng, 0, 61)); // "A" to "~"
        } else if (kind < 17) {
            s += u'*';
        } else {
            s += QChar::fromLatin1(filler[pick(rng, 0, int(sizeof filler) - 2)]);
        }
    }
    return s;
}

} // namespace testrandom
