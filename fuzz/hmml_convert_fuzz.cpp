// Any bytes read as an H-MML file compile to OMP data or to a status: never
// a crash, a hang or a sanitizer report.
#include "core/hmml/compiler.h"
#include "core/omp/formatter.h"
#include "core/hmml/note_lines.h"
#include "core/omp/note_timeline.h"
#include "core/io/text_file.h"

#include <algorithm>

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

    // Line by line from Latin-1 bytes, as a file is compiled while it is read.
    if (std::all_of(text.begin(), text.end(), [](QChar c) { return c.unicode() < 0x100; })) {
        ConversionStatus lineStatus;
        HmmlSongFields lineSong;
        hmml::ConvertDetails none;
        hmml::LineCompiler compiler(lineStatus, lineSong, none);
        const QByteArray latin1 = text.toLatin1();
        for (qsizetype start = 0, end; (end = latin1.indexOf("\r\n", start)) >= 0; start = end + 2)
            compiler.addLine(QLatin1StringView(latin1.constData() + start, end - start));
        const std::string lineRaw = compiler.takeOutput();
        check(QString::fromLatin1(lineRaw.data(), qsizetype(lineRaw.size())) == raw);
        check(lineStatus.code == status.code && lineStatus.line == status.line && lineSong.title == song.title);
    }
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

    // The line map changes nothing, holds every note, and each points at a
    // line of the text; the formatted data's timeline counts the same notes.
    hmml::NoteLineMap map;
    hmml::ConvertDetails details;
    details.lines = &map;
    check(hmml::convert(text, QString(), true, status, song, details) == raw);
    const qsizetype notes = std::count_if(raw.begin(), raw.end(), [](QChar c) { return c == u'*' || c >= u'A'; });
    check(map.noteCount() == notes);
    check(omp::NoteTimeline(formatted).noteCount() == notes);
    const qsizetype lines = text.count(QStringLiteral("\r\n")) + 1;
    for (qsizetype i = 0; i < notes; i += 1 + notes / 64) {
        const qint32 line = map.lineOf(i);
        check(line >= 1 && line <= lines);
        const qsizetype first = map.firstNoteFrom(line);
        check(first >= 0 && first <= i && map.lineOf(first) == line);
    }
    return 0;
}
