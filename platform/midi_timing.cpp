#include "platform/midi_timing.h"

#include "platform/read_file.h"


#include <algorithm>

namespace {

const QString NotMidi = QStringLiteral("MIDI ファイルではありません。");
const QString Broken = QStringLiteral("MIDI ファイルが壊れています (%1)。");

// Reads big-endian fields and variable-length numbers from one chunk;
// running past its end sets `overrun` instead of reading further.
class Cursor {
public:
    Cursor(const unsigned char *data, std::size_t size) : m_data(data), m_size(size) {}

    bool atEnd() const { return m_pos >= m_size; }
    bool overrun() const { return m_overrun; }

    unsigned byte()
    {
        if (m_pos >= m_size) {
            m_overrun = true;
            return 0;
        }
        return m_data[m_pos++];
    }
    unsigned peek() const { return m_pos < m_size ? m_data[m_pos] : 0; }

    // Standard MIDI files allow four bytes at most (28 bits).
    bool varLen(std::uint32_t &value)
    {
        value = 0;
        for (int i = 0; i < 4; ++i) {
            const unsigned b = byte();
            if (m_overrun)
                return false;
            value = (value << 7) | (b & 0x7F);
            if (!(b & 0x80))
                return true;
        }
        return false;
    }

    void skip(std::uint64_t count)
    {
        if (count > m_size - m_pos) {
            m_overrun = true;
            m_pos = m_size;
        } else {
            m_pos += std::size_t(count);
        }
    }

private:
    const unsigned char *m_data;
    std::size_t m_size;
    std::size_t m_pos = 0;
    bool m_overrun = false;
};

std::uint32_t be32(const unsigned char *p)
{
    return (std::uint32_t(p[0]) << 24) | (std::uint32_t(p[1]) << 16) | (std::uint32_t(p[2]) << 8) | p[3];
}

unsigned be16(const unsigned char *p)
{
    return (unsigned(p[0]) << 8) | p[1];
}

// Walks one track; adds its tempo changes to `tempos` and returns its length
// in ticks, or an error text.
QString readTrack(Cursor c, std::vector<MidiTempoChange> &tempos, std::int64_t &ticks)
{
    ticks = 0;
    unsigned status = 0;
    while (!c.atEnd()) {
        std::uint32_t delta = 0;
        if (!c.varLen(delta))
            return Broken.arg(QStringLiteral("時間の値"));
        ticks += delta;
        unsigned b = c.peek();
        if (b & 0x80) {
            c.byte();
            status = b;
        } else if (status == 0 || status >= 0xF0) {
            return Broken.arg(QStringLiteral("ステータスのないイベント"));
        }
        if (c.overrun())
            return Broken.arg(QStringLiteral("途中で終わっています"));

        if (status == 0xFF) {
            const unsigned type = c.byte();
            std::uint32_t length = 0;
            if (!c.varLen(length))
                return Broken.arg(QStringLiteral("メタイベントの長さ"));
            if (type == 0x51 && length == 3) {
                std::int64_t tempo = 0;
                for (int i = 0; i < 3; ++i)
                    tempo = (tempo << 8) | c.byte();
                if (tempo > 0)
                    tempos.push_back({ticks, tempo, 0});
            } else {
                c.skip(length);
            }
            if (c.overrun())
                return Broken.arg(QStringLiteral("途中で終わっています"));
            status = 0; // meta events cancel running status
            if (type == 0x2F)
                return {}; // end of track: anything after it is not played
        } else if (status == 0xF0 || status == 0xF7) {
            std::uint32_t length = 0;
            if (!c.varLen(length))
                return Broken.arg(QStringLiteral("システムエクスクルーシブの長さ"));
            c.skip(length);
            status = 0;
        } else if (status >= 0xF0) {
            return Broken.arg(QStringLiteral("ファイルに置けないイベント"));
        } else {
            const unsigned kind = status & 0xF0;
            c.byte();
            if (kind != 0xC0 && kind != 0xD0)
                c.byte();
        }
        if (c.overrun())
            return Broken.arg(QStringLiteral("途中で終わっています"));
    }
    return {};
}

} // namespace

double MidiTiming::secondsAt(std::int64_t tick) const
{
    if (division <= 0)
        return 0;
    // The last change at or before `tick` sets the pace from its own time on.
    MidiTempoChange at;
    for (const MidiTempoChange &t : tempos) {
        if (t.tick > tick)
            break;
        at = t;
    }
    return at.seconds + double(tick - at.tick) * double(at.microsecondsPerQuarter) / 1e6 / division;
}

MidiTiming readMidiTiming(const QByteArray &bytes)
{
    MidiTiming timing;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    if (size < 14 || !bytes.startsWith("MThd")) {
        timing.error = NotMidi;
        return timing;
    }
    const std::uint32_t headerLength = be32(data + 4);
    if (headerLength < 6 || headerLength > size - 8) {
        timing.error = Broken.arg(QStringLiteral("ヘッダー"));
        return timing;
    }
    timing.format = int(be16(data + 8));
    const unsigned division = be16(data + 12);
    if (division & 0x8000) {
        timing.error = QStringLiteral("SMPTE 形式の時間単位の MIDI ファイルは再生できません。");
        return timing;
    }
    if (division == 0) {
        timing.error = Broken.arg(QStringLiteral("四分音符の分解能が 0"));
        return timing;
    }
    timing.division = int(division);

    std::vector<MidiTempoChange> tempos;
    std::size_t pos = 8 + std::size_t(headerLength);
    while (pos < size) {
        if (size - pos < 8) {
            timing.error = Broken.arg(QStringLiteral("途中で終わっています"));
            return timing;
        }
        const std::uint32_t length = be32(data + pos + 4);
        if (length > size - pos - 8) {
            timing.error = Broken.arg(QStringLiteral("途中で終わっています"));
            return timing;
        }
        if (std::equal(data + pos, data + pos + 4, "MTrk")) {
            std::int64_t ticks = 0;
            const QString error = readTrack(Cursor(data + pos + 8, length), tempos, ticks);
            if (!error.isEmpty()) {
                timing.error = error;
                return timing;
            }
            ++timing.trackCount;
            timing.totalTicks = std::max(timing.totalTicks, ticks);
        }
        pos += 8 + std::size_t(length);
    }
    if (timing.trackCount == 0) {
        timing.error = Broken.arg(QStringLiteral("トラックがありません"));
        return timing;
    }

    // One tempo map for all tracks, as format 1 keeps it in the first track;
    // a change at the same tick as another replaces it.
    std::stable_sort(tempos.begin(), tempos.end(),
                     [](const MidiTempoChange &a, const MidiTempoChange &b) { return a.tick < b.tick; });
    timing.tempos.push_back({0, 500000, 0});
    for (const MidiTempoChange &t : tempos) {
        MidiTempoChange &last = timing.tempos.back();
        if (t.tick == last.tick) {
            last.microsecondsPerQuarter = t.microsecondsPerQuarter;
            continue;
        }
        MidiTempoChange next = t;
        next.seconds = last.seconds
                       + double(t.tick - last.tick) * double(last.microsecondsPerQuarter) / 1e6 / timing.division;
        timing.tempos.push_back(next);
    }
    return timing;
}

MidiFileRead readMidiFile(const QString &path)
{
    MidiFileRead read;
    const ReadFile::Result file = ReadFile::readAll(path);
    if (!file.ok()) {
        read.error = file.error;
        return read;
    }
    read.bytes = file.bytes;
    read.timing = readMidiTiming(read.bytes);
    if (!read.timing.ok())
        read.error = QStringLiteral("「%1」を再生できません: %2").arg(path, read.timing.error);
    return read;
}
