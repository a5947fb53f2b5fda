// Any bytes read as an H-MML file compile to OMP data or to a status: never
// a crash, a hang or a sanitizer report.
#include "hmml/compiler.h"
#include "hmml/formatter.h"
#include "platform/text_file.h"

#include <cstdint>
#include <cstdlib>

static void check(bool condition)
{
    if (!condition)
        std::abort();
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    // Bytes that are neither CP932 nor UTF-8 still reach the compiler, as Latin-1.
    const TextFile::DecodeResult decoded = TextFile::decodeText(bytes);
    const QString text = TextFile::withCrLfLineEnds(decoded.ok() ? decoded.text : QString::fromLatin1(bytes));

    ConversionStatus status;
    HmmlSongFields song;
    const QString raw = HMML_Convert(text, QStringLiteral("\r\n"), true, status, song);
    if (status.code != 0) {
        check(raw.isEmpty());
        check(!status.message.isEmpty());
        check(status.code == -1 ? status.line == 0 : status.line >= 1);
        return 0;
    }
    // The compiler writes printable ASCII only, and its output always formats.
    for (const QChar c : raw)
        check(c >= u' ' && c <= u'~');
    ConversionStatus formatStatus;
    const QString formatted = OMP_Format(raw, QStringLiteral("/"), 4, formatStatus);
    check(formatStatus.code == 0);
    for (const QChar c : formatted)
        check(c >= u' ' && c <= u'~');

    const QString compact = HMML_Convert(text, QString(), false, status, song);
    check(status.code == 0);
    check(compact == OMP_Format(raw, QString(), 0, formatStatus));
    HMML_ResetProgramNumber();
    return 0;
}
