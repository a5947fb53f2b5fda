#include "core/notes/provisional_cents.h"

#include <QStringList>

#include <cmath>

namespace notes {

PitchCents provisionalMachineCents(BasicMachine machine)
{
    // The tone numbers are the generator's own: read from the program it
    // writes for one note of each pitch, line by line ("20 BEEP 1,t,...").
    QString omp = QStringLiteral("$1:1");
    for (QChar c = u'A'; c <= u'p'; c = QChar(c.unicode() + 1))
        omp += c;
    const QStringList lines = generateBasicProgram(omp, machine).text.split(QStringLiteral("\r\n"));
    PitchCents cents;
    int code = omp::CodePitchFirst;
    for (const QString &line : lines) {
        const qsizetype beep = line.indexOf(QLatin1String(" BEEP 1,"));
        if (beep < 0)
            continue;
        const double t = line.sliced(beep + 8).section(u',', 0, 0).toDouble();
        const double hz = machine == BasicMachine::E500 ? 256000.0 / (90.0 + 4.0 * t) : 1300000.0 / (166.0 + 22.0 * t);
        const double equal = 440.0 * std::exp2((code - 74) / 12.0); // "J" is A of octave 1
        cents.set(code++, 1200.0 * std::log2(hz / equal));
    }
    return cents;
}

} // namespace notes
