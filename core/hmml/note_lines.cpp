#include "core/hmml/note_lines.h"

#include <algorithm>

namespace hmml {

namespace {

constexpr qsizetype CheckpointRuns = 128;

void putNumber(std::vector<unsigned char> &out, quint64 value)
{
    while (value >= 0x80) {
        out.push_back(static_cast<unsigned char>(value | 0x80));
        value >>= 7;
    }
    out.push_back(static_cast<unsigned char>(value));
}

quint64 takeNumber(const unsigned char *&p)
{
    quint64 value = 0;
    for (int shift = 0;; shift += 7) {
        const unsigned char b = *p++;
        value |= quint64(b & 0x7F) << shift;
        if (!(b & 0x80))
            return value;
    }
}

// A run as one number: its gap in the upper bits and, below 16, its length
// in the lowest four (0: the length follows as a number of its own). A note
// between comments takes one byte.
struct Run {
    qint32 gap;
    qsizetype length;
};

void putRun(std::vector<unsigned char> &out, qint32 gap, qsizetype length)
{
    putNumber(out, (quint64(gap) << 4) | quint64(length < 16 ? length : 0));
    if (length >= 16)
        putNumber(out, quint64(length));
}

Run takeRun(const unsigned char *&p)
{
    const quint64 v = takeNumber(p);
    Run r{qint32(v >> 4), qsizetype(v & 15)};
    if (r.length == 0)
        r.length = qsizetype(takeNumber(p));
    return r;
}

} // namespace

void NoteLineMap::addNote(qint32 line)
{
    if (m_runLength > 0 && line != m_runFirstLine + m_runLength)
        closeRun();
    if (m_runLength == 0)
        m_runFirstLine = line;
    ++m_runLength;
    // Read notes follow each other: the last segment grows when it is theirs.
    if (!m_segments.empty() && m_segments.back().period == 0)
        ++m_segments.back().count;
    else
        m_segments.push_back({m_noteCount, 1, m_readCount, 0});
    ++m_readCount;
    ++m_noteCount;
}

void NoteLineMap::addRepeat(qsizetype firstNote, qsizetype count, qint32 times)
{
    if (count <= 0 || times <= 0)
        return;
    m_segments.push_back({m_noteCount, count * times, firstNote, count});
    m_noteCount += count * times;
}

void NoteLineMap::closeRun()
{
    if (m_closedRuns % CheckpointRuns == 0)
        m_checkpoints.push_back({m_closedNotes, m_runFirstLine, qsizetype(m_runs.size())});
    putRun(m_runs, m_runFirstLine - m_closedLastLine, m_runLength);
    ++m_closedRuns;
    m_closedNotes += m_runLength;
    m_closedLastLine = m_runFirstLine + qint32(m_runLength) - 1;
    m_runLength = 0;
}

qint32 NoteLineMap::lineOfRead(qsizetype readIndex) const
{
    if (readIndex >= m_closedNotes)
        return m_runFirstLine + qint32(readIndex - m_closedNotes);
    auto cp = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), readIndex,
                               [](qsizetype i, const Checkpoint &c) { return i < c.readIndex; });
    --cp; // the first checkpoint is at read note 0
    const unsigned char *p = m_runs.data() + cp->offset;
    qsizetype first = cp->readIndex;
    qint32 line = cp->line;
    for (;;) {
        const Run r = takeRun(p);
        if (first != cp->readIndex)
            line += r.gap;
        if (readIndex < first + r.length)
            return line + qint32(readIndex - first);
        first += r.length;
        line += qint32(r.length) - 1;
    }
}

qsizetype NoteLineMap::readIndexFrom(qint32 line) const
{
    auto cp = std::upper_bound(m_checkpoints.begin(), m_checkpoints.end(), line,
                               [](qint32 l, const Checkpoint &c) { return l < c.line; });
    if (cp != m_checkpoints.begin()) {
        --cp;
        const unsigned char *p = m_runs.data() + cp->offset;
        const unsigned char *const end = m_runs.data() + m_runs.size();
        qsizetype first = cp->readIndex;
        qint32 runLine = cp->line;
        while (p != end) {
            const Run r = takeRun(p);
            if (first != cp->readIndex)
                runLine += r.gap;
            if (line < runLine + r.length)
                return first + std::max<qsizetype>(0, line - runLine);
            first += r.length;
            runLine += qint32(r.length) - 1;
        }
    } else if (!m_checkpoints.empty()) {
        return 0; // before the first run
    }
    if (m_runLength > 0 && line < m_runFirstLine + m_runLength)
        return m_closedNotes + std::max<qsizetype>(0, line - m_runFirstLine);
    return -1;
}

qint32 NoteLineMap::lineOf(qsizetype index) const
{
    if (index < 0 || index >= m_noteCount)
        return 0;
    auto seg = std::upper_bound(m_segments.begin(), m_segments.end(), index,
                                [](qsizetype i, const Segment &s) { return i < s.first; });
    --seg;
    if (seg->period != 0)
        return lineOf(seg->source + (index - seg->first) % seg->period);
    return lineOfRead(seg->source + (index - seg->first));
}

std::vector<qint32> NoteLineMap::allLines() const
{
    std::vector<qint32> read; // the lines of the read notes, run by run
    read.reserve(size_t(m_readCount));
    const unsigned char *p = m_runs.data();
    qint32 line = 0; // the last line of the run before
    for (qsizetype run = 0; run < m_closedRuns; ++run) {
        const Run r = takeRun(p);
        line += r.gap;
        for (qsizetype k = 0; k < r.length; ++k)
            read.push_back(line + qint32(k));
        line += qint32(r.length) - 1;
    }
    for (qsizetype k = 0; k < m_runLength; ++k)
        read.push_back(m_runFirstLine + qint32(k));
    // A loop's repetitions take the lines of the notes they repeat, which
    // stand before them.
    std::vector<qint32> all(static_cast<size_t>(m_noteCount));
    for (const Segment &s : m_segments) {
        for (qsizetype k = 0; k < s.count; ++k)
            all[size_t(s.first + k)] = s.period == 0 ? read[size_t(s.source + k)] : all[size_t(s.source + k % s.period)];
    }
    return all;
}

qsizetype NoteLineMap::firstNoteFrom(qint32 line) const
{
    const qsizetype read = readIndexFrom(line);
    if (read < 0)
        return -1;
    for (const Segment &s : m_segments) {
        if (s.period == 0 && read >= s.source && read < s.source + s.count)
            return s.first + (read - s.source);
    }
    return -1;
}

void NoteLineMap::squeeze()
{
    m_runs.shrink_to_fit();
    m_checkpoints.shrink_to_fit();
    m_segments.shrink_to_fit();
}

qsizetype NoteLineMap::memoryBytes() const
{
    return qsizetype(sizeof(*this) + m_runs.capacity() + m_checkpoints.capacity() * sizeof(Checkpoint)
                     + m_segments.capacity() * sizeof(Segment));
}

} // namespace hmml
