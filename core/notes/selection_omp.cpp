#include "core/notes/selection_omp.h"

namespace notes {

QString selectionOmp(const SongNotes &song, qint32 firstLine, qint32 lastLine)
{
    QString out;
    if (!song.hasLines() || firstLine > lastLine)
        return out;
    const QStringView text(song.text());
    QStringView field; // the digits of the tempo field in force
    // What a reader of `out` holds so far: it starts at tempo 0 and length 0.
    omp::ReaderState written;
    omp::ReaderState state;
    qsizetype index = 0;
    omp::scan(text, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        if (ev.kind == omp::EventKind::Tempo) {
            qsizetype digits = 0;
            omp::readTempoNumber(text.sliced(ev.pos + 1), &digits);
            field = text.sliced(ev.pos + 1, digits);
            return true;
        }
        if (ev.kind == omp::EventKind::Length)
            return true;
        const qint32 line = song[index++].line;
        if (line < firstLine || line > lastLine)
            return true;
        if (s.tempo != written.tempo) {
            out += u'$';
            out += field;
            out += u':';
            written.tempo = s.tempo;
            written.length = 10; // the ":" is read as a length too
        }
        if (s.length != written.length) {
            out += QChar(u'0' + s.length);
            written.length = s.length;
        }
        out += text[ev.pos];
        return true;
    });
    return out;
}

} // namespace notes
