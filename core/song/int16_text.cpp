#include "core/song/int16_text.h"

std::optional<qint16> parseInt16(const QString &text)
{
    QStringView s(text);
    while (!s.isEmpty() && (s.front() == u' ' || s.front() == u'\t'))
        s = s.sliced(1);
    while (!s.isEmpty() && (s.back() == u' ' || s.back() == u'\t'))
        s.chop(1);
    bool negative = false;
    if (!s.isEmpty() && (s.front() == u'-' || s.front() == u'+')) {
        negative = s.front() == u'-';
        s = s.sliced(1);
    }
    if (s.isEmpty())
        return std::nullopt;
    qint32 magnitude = 0;
    for (const QChar c : s) {
        if (c < u'0' || c > u'9')
            return std::nullopt;
        magnitude = magnitude * 10 + (c.unicode() - u'0');
        if (magnitude > 32768)
            return std::nullopt; // leading zeros never get here, long numbers stop early
    }
    const qint32 value = negative ? -magnitude : magnitude;
    if (value > 32767)
        return std::nullopt;
    return qint16(value);
}
