#include "core/notes/song_notes.h"

#include "core/hmml/note_lines.h"
#include "core/song/song_conversion.h"

#include <algorithm>

namespace notes {

namespace {

// The notes and rests of `text`, counted first so the list is sized once.
qsizetype countNotes(QStringView text)
{
    qsizetype count = 0;
    for (const QChar c : text) {
        const int code = omp::charCode(c);
        count += code == omp::CodeRest || code >= omp::CodePitchFirst;
    }
    return count;
}

} // namespace

SongNotes::SongNotes(const QString &omp, std::shared_ptr<const hmml::NoteLineMap> lines)
    : m_text(omp), m_hasLines(lines != nullptr)
{
    const std::vector<qint32> noteLines = lines ? lines->allLines() : std::vector<qint32>();
    m_notes.reserve(size_t(countNotes(m_text)));
    omp::ReaderState state;
    qint64 tick = 0;
    omp::scan(QStringView(m_text), state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        if (ev.kind != omp::EventKind::Pitch && ev.kind != omp::EventKind::Rest)
            return true;
        Note note;
        note.tick = tick;
        note.pos = qint32(ev.pos);
        note.code = qint16(ev.code);
        // As the MIDI writer times it; a note it refuses takes no time.
        const double ticks = s.tempo == 0.0f ? -1.0 : omp::noteTicks(s);
        note.timed = ticks >= 0 && ticks <= double(omp::MaxMidiDelta);
        note.ticks = note.timed ? qint32(ticks) : 0;
        const qsizetype index = qsizetype(m_notes.size());
        if (size_t(index) < noteLines.size())
            note.line = noteLines[size_t(index)];
        if (!note.timed && m_firstUntimed < 0)
            m_firstUntimed = index;
        if (m_tempos.empty() || m_tempos.back().tempo != s.tempo)
            m_tempos.push_back({tick, index, s.tempo});
        if (note.sounds()) {
            m_lowest = m_lowest == 0 ? note.code : std::min<int>(m_lowest, note.code);
            m_highest = std::max<int>(m_highest, note.code);
        }
        m_notes.push_back(note);
        tick += note.ticks;
        return true;
    });
    m_totalTicks = tick;
    if (!m_hasLines)
        return;
    // The lines' index: the notes ordered by line, and within a line as they play.
    std::vector<quint64> keys;
    keys.reserve(m_notes.size());
    for (size_t i = 0; i < m_notes.size(); ++i) {
        if (m_notes[i].line > 0)
            keys.push_back(quint64(m_notes[i].line) << 32 | quint64(i));
    }
    std::sort(keys.begin(), keys.end());
    m_byLine.reserve(keys.size());
    for (const quint64 key : keys)
        m_byLine.push_back(qint32(key & 0xFFFFFFFFu));
}

SongNotes::SongNotes(const HmmlConversion &conversion)
    : SongNotes(conversion.ok() ? SongNotes(conversion.song.omp, conversion.lines) : SongNotes())
{
}

std::span<const qint32> SongNotes::notesOfLine(qint32 line) const
{
    const auto lineOf = [this](qint32 index) { return m_notes[size_t(index)].line; };
    const auto first = std::lower_bound(m_byLine.begin(), m_byLine.end(), line,
                                        [&](qint32 index, qint32 l) { return lineOf(index) < l; });
    const auto last = std::upper_bound(first, m_byLine.end(), line,
                                       [&](qint32 l, qint32 index) { return l < lineOf(index); });
    return {m_byLine.data() + (first - m_byLine.begin()), size_t(last - first)};
}

qsizetype SongNotes::noteAt(qint64 tick) const
{
    const auto it = std::upper_bound(m_notes.begin(), m_notes.end(), tick,
                                     [](qint64 t, const Note &n) { return t < n.tick; });
    return qsizetype(it - m_notes.begin()) - 1;
}

float SongNotes::tempoAt(qint64 tick) const
{
    const auto it = std::upper_bound(m_tempos.begin(), m_tempos.end(), tick,
                                     [](qint64 t, const TempoSpan &s) { return t < s.tick; });
    return it == m_tempos.begin() ? 0.0f : (it - 1)->tempo;
}


} // namespace notes
