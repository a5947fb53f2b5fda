#include "core/io/clock_text.h"

#include <cmath>

QString clockText(double seconds)
{
    const qint64 s = std::isfinite(seconds) && seconds > 0 ? qint64(seconds) : 0;
    if (s >= 3600)
        return QStringLiteral("%1:%2:%3").arg(s / 3600).arg(s / 60 % 60, 2, 10, QLatin1Char('0')).arg(s % 60, 2, 10, QLatin1Char('0'));
    return QStringLiteral("%1:%2").arg(s / 60).arg(s % 60, 2, 10, QLatin1Char('0'));
}
