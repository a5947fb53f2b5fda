#include "core/hmml/pitch_name.h"

#include "core/omp/omp_scan.h"

namespace hmml {

QString pitchName(int code)
{
    if (code < omp::CodePitchFirst)
        return {};
    static const char *const names[12] = {"C", "C#", "D", "D#", "E", "F", "F#", "G", "G#", "A", "A#", "B"};
    const int n = code - omp::CodePitchFirst;
    if (n == 48)
        return QStringLiteral("B# 4");
    return QLatin1String(names[n % 12]) + u' ' + QString::number(1 + n / 12);
}

} // namespace hmml
