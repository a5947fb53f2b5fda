#include "core/omp/note_timeline.h"


#include <algorithm>

namespace omp {

namespace {

constexpr qsizetype CheckpointNotes = 256;

qint64 ticksOf(const ReaderState &state)
{
    // A file with tempo 0 or a note too long for MIDI is never written, so
    // never played: such a note takes no time here.
    if (state.tempo == 0.0f)
        return 0;
    const double ticks = noteTicks(state);
    return ticks >= 0 && ticks <= double(MaxMidiDelta) ? qint64(ticks) : 0;
}

} // namespace

template <class F>
void NoteTimeline::walk(Checkpoint c, F &&f) const
{
    const QStringView text = QStringView(m_text).sliced(c.scanFrom);
    const qsizetype base = c.scanFrom;
    scan(text, c.state, [&](const Event &ev, const ReaderState &state) {
        const qsizetype pos = base + ev.pos;
        if (ev.kind == EventKind::Tempo) {
            qsizetype digits = 0;
            readTempoNumber(text.sliced(ev.pos + 1), &digits);
            c.tempoPos = pos;
            c.tempoEnd = pos + 1 + digits;
            if (c.tempoEnd < m_text.size() && m_text[c.tempoEnd] == u':')
                ++c.tempoEnd;
            return true;
        }
        if (ev.kind == EventKind::Length)
            return true;
        TimedNote note;
        note.index = c.index;
        note.pos = pos;
        // The digits and ":" of a tempo field are read as lengths too, but
        // belong to the field.
        const bool lengthBefore = pos > c.tempoEnd && m_text[pos - 1] >= u'0' && m_text[pos - 1] <= u'@';
        note.start = lengthBefore ? pos - 1 : pos;
        note.tick = c.tick;
        // A pitch or rest changes nothing in the state: reading may resume at it.
        c.scanFrom = pos;
        c.state = state;
        if (!f(note, static_cast<const Checkpoint &>(c)))
            return false;
        ++c.index;
        c.tick += ticksOf(state);
        return true;
    });
}

NoteTimeline::NoteTimeline(const QString &omp) : m_text(omp)
{
    const Checkpoint first{0, 0, 0, ReaderState(), -1, 0};
    m_checkpoints.push_back(first);
    walk(first, [&](const TimedNote &note, const Checkpoint &at) {
        if (note.index % CheckpointNotes == 0 && note.index > 0)
            m_checkpoints.push_back(at);
        m_count = note.index + 1;
        m_total = note.tick + ticksOf(at.state);
        return true;
    });
}

const NoteTimeline::Checkpoint &NoteTimeline::nearest(qsizetype index) const
{
    auto it = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), index,
                               [](qsizetype i, const Checkpoint &c) { return i < c.index; });
    return *(it - 1);
}

TimedNote NoteTimeline::note(qsizetype index) const
{
    TimedNote found;
    if (index < 0 || index >= m_count)
        return found;
    walk(nearest(index), [&](const TimedNote &note, const Checkpoint &) {
        found = note;
        return note.index < index;
    });
    return found;
}

TimedNote NoteTimeline::noteAt(qint64 tick) const
{
    TimedNote found;
    if (m_count == 0 || tick < 0)
        return found;
    auto it = std::upper_bound(m_checkpoints.begin() + 1, m_checkpoints.end(), tick,
                               [](qint64 t, const Checkpoint &c) { return t < c.tick; });
    walk(*(it - 1), [&](const TimedNote &note, const Checkpoint &) {
        if (note.tick > tick)
            return false;
        found = note;
        return true;
    });
    return found;
}

QString NoteTimeline::from(qsizetype index) const
{
    if (index < 0 || index >= m_count)
        return {};
    QString out;
    walk(nearest(index), [&](const TimedNote &note, const Checkpoint &at) {
        if (note.index < index)
            return true;
        if (at.tempoPos >= 0) {
            qsizetype digits = 0;
            readTempoNumber(QStringView(m_text).sliced(at.tempoPos + 1), &digits);
            out = u'$' + m_text.sliced(at.tempoPos + 1, digits) + u':';
        }
        out += QChar(u'0' + at.state.length);
        out += QStringView(m_text).sliced(note.pos);
        return false;
    });
    return out;
}

} // namespace omp
