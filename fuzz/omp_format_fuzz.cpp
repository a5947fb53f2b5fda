// Any OMP text, with any separator and interval, formats to printable text
// or fails with a status: never a crash or a sanitizer report.
#include "core/omp/formatter.h"

#include <cstdint>
#include <algorithm>
#include <cstdlib>

static void check(bool condition)
{
    if (!condition)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 2)
        return 0;
    const QString separator = QString(QChar(data[0]));
    const qint32 interval = qint32(int8_t(data[1]));
    const QString omp = QString::fromUtf8(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));

    ConversionStatus status;
    const QString out = OMP_Format(omp, separator, interval, status);
    // The form for bytes lays out their Latin-1 text alike.
    const QByteArrayView bytes(reinterpret_cast<const char *>(data + 2), qsizetype(size - 2));
    ConversionStatus byteStatus, latin1Status, pieceStatus;
    const QByteArray laidOut = omp::formatAscii(bytes, separator, interval, byteStatus);
    check(laidOut == OMP_Format(QString::fromLatin1(bytes), separator, interval, latin1Status).toLatin1());
    check(byteStatus.code == latin1Status.code);
    // Handed over a piece at a time, as the compiler hands its output, alike.
    omp::Formatter pieces(separator, interval);
    for (qsizetype at = 0, n; at < bytes.size(); at += n)
        pieces.add(bytes.sliced(at, n = std::min<qsizetype>(1 + (at + data[1]) % 7, bytes.size() - at)));
    check(pieces.finish(pieceStatus) == laidOut && pieceStatus.code == byteStatus.code);
    if (status.code != 0) {
        check(status.code == 100 || status.code == -1);
        check(out.isEmpty());
        return 0;
    }
    for (const QChar c : out)
        check(c >= u' ' && c <= u'~');
    // Nothing that cannot sound is left at the end.
    check(out.isEmpty() || out.back() > u'@' || out.back() == u'*');
    return 0;
}
