#include "core/formats/midi_reader.h"

#include <algorithm>
#include <new>

namespace {

const QString NotMidi = QStringLiteral("MIDI ファイルではありません。");

// Reads big-endian fields and variable-length numbers from one chunk;
// running past its end sets `overrun` instead of reading further.
class Cursor {
public:
    Cursor(const unsigned char *data, std::size_t size, qint64 fileOffset)
        : m_data(data), m_size(size), m_fileOffset(fileOffset)
    {
    }

    bool atEnd() const { return m_pos >= m_size; }
    bool overrun() const { return m_overrun; }
    // Where in the file the next byte is (or would be).
    qint64 offset() const { return m_fileOffset + qint64(m_pos); }

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

    const unsigned char *take(std::uint64_t count)
    {
        const unsigned char *at = m_data + m_pos;
        if (count > m_size - m_pos) {
            m_overrun = true;
            m_pos = m_size;
        } else {
            m_pos += std::size_t(count);
        }
        return at;
    }

private:
    const unsigned char *m_data;
    std::size_t m_size;
    qint64 m_fileOffset;
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

struct Failure {
    QString reason;
    qint64 offset = -1;
};

class TrackReader {
public:
    TrackReader(Cursor c, MidiRead what, std::vector<MidiTempoChange> &tempos)
        : m_c(c), m_notes(what == MidiRead::Notes), m_tempos(tempos)
    {
    }

    // Walks the track into `track`; false with `failure` set on a fault.
    bool read(MidiTrack &track, Failure &failure)
    {
        std::int64_t ticks = 0;
        unsigned status = 0;
        while (!m_c.atEnd()) {
            m_eventStart = m_c.offset();
            std::uint32_t delta = 0;
            if (!m_c.varLen(delta))
                return fail(failure, m_c.overrun() ? QStringLiteral("途中で終わっています") : QStringLiteral("時間の値"));
            ticks += delta;
            track.endTick = ticks;
            const unsigned b = m_c.peek();
            if (b & 0x80) {
                m_c.byte();
                status = b;
            } else if (status == 0) {
                return fail(failure, QStringLiteral("ステータスのないイベント"));
            }

            if (status == 0xFF) {
                const unsigned type = m_c.byte();
                std::uint32_t length = 0;
                if (!m_c.varLen(length))
                    return fail(failure, m_c.overrun() ? QStringLiteral("途中で終わっています")
                                                       : QStringLiteral("メタイベントの長さ"));
                const unsigned char *data = m_c.take(length);
                if (m_c.overrun())
                    return fail(failure, QStringLiteral("途中で終わっています"));
                if (type == 0x51 && length == 3) {
                    const std::int64_t tempo = (std::int64_t(data[0]) << 16) | (data[1] << 8) | data[2];
                    if (tempo > 0)
                        m_tempos.push_back({ticks, tempo, 0});
                } else if (type == 0x03 && track.name.isNull()) {
                    track.name = QByteArray(reinterpret_cast<const char *>(data), qsizetype(length));
                }
                status = 0; // meta events cancel running status
                if (type == 0x2F)
                    return true; // end of track: anything after it is not played
            } else if (status == 0xF0 || status == 0xF7) {
                std::uint32_t length = 0;
                if (!m_c.varLen(length))
                    return fail(failure, m_c.overrun() ? QStringLiteral("途中で終わっています")
                                                       : QStringLiteral("システムエクスクルーシブの長さ"));
                m_c.take(length);
                status = 0;
            } else if (status >= 0xF0) {
                return fail(failure, QStringLiteral("ファイルに置けないイベント"));
            } else {
                const unsigned kind = status & 0xF0;
                const unsigned first = m_c.byte();
                const unsigned second = (kind != 0xC0 && kind != 0xD0) ? m_c.byte() : 0;
                if (m_c.overrun())
                    return fail(failure, QStringLiteral("途中で終わっています"));
                if ((first | second) & 0x80)
                    return fail(failure, QStringLiteral("イベントのデータが 127 を超えています"));
                if (m_notes && (kind == 0x90 || kind == 0x80))
                    track.notes.push_back({ticks, std::uint8_t(status & 0x0F), std::uint8_t(first),
                                           kind == 0x90 && second > 0});
            }
            if (m_c.overrun())
                return fail(failure, QStringLiteral("途中で終わっています"));
        }
        return true;
    }

private:
    bool fail(Failure &failure, const QString &reason) const
    {
        failure.reason = reason;
        // A cut-short event is named where it ends; any other by where it starts.
        failure.offset = m_c.overrun() ? m_c.offset() : m_eventStart;
        return false;
    }

    Cursor m_c;
    bool m_notes;
    std::vector<MidiTempoChange> &m_tempos;
    qint64 m_eventStart = 0;
};

MidiFile broken(const QString &reason, qint64 offset)
{
    MidiFile file;
    file.error = QStringLiteral("MIDI ファイルが壊れています (オフセット %1: %2)。").arg(offset).arg(reason);
    file.errorOffset = offset;
    return file;
}

MidiFile read(const QByteArray &bytes, MidiRead what)
{
    MidiFile file;
    const auto *data = reinterpret_cast<const unsigned char *>(bytes.constData());
    const std::size_t size = std::size_t(bytes.size());
    if (size < 14 || !bytes.startsWith("MThd")) {
        file.error = NotMidi;
        file.errorOffset = 0;
        return file;
    }
    const std::uint32_t headerLength = be32(data + 4);
    if (headerLength < 6 || headerLength > size - 8)
        return broken(QStringLiteral("ヘッダーの長さ"), 4);
    file.format = int(be16(data + 8));
    if (file.format > 2) {
        file.error = QStringLiteral("フォーマット %1 の MIDI ファイルは扱えません (扱えるのはフォーマット 0、1、2 です)。")
                         .arg(file.format);
        file.errorOffset = 8;
        return file;
    }
    const unsigned division = be16(data + 12);
    if (division & 0x8000) {
        file.error = QStringLiteral("SMPTE 形式の時間単位の MIDI ファイルは扱えません。");
        file.errorOffset = 12;
        return file;
    }
    if (division == 0)
        return broken(QStringLiteral("四分音符の分解能が 0"), 12);
    file.division = int(division);

    std::size_t pos = 8 + std::size_t(headerLength);
    while (pos < size) {
        if (size - pos < 8)
            return broken(QStringLiteral("途中で終わっています"), qint64(size));
        const std::uint32_t length = be32(data + pos + 4);
        if (length > size - pos - 8)
            return broken(QStringLiteral("チャンクが途中で終わっています"), qint64(pos + 4));
        if (std::equal(data + pos, data + pos + 4, "MTrk")) {
            MidiTrack track;
            // A note event takes three bytes at least; what is not used of
            // this is never touched.
            if (what == MidiRead::Notes)
                track.notes.reserve(length / 3);
            Failure failure;
            TrackReader reader(Cursor(data + pos + 8, length, qint64(pos + 8)), what, file.tempos);
            if (!reader.read(track, failure))
                return broken(failure.reason, failure.offset);
            file.tracks.push_back(std::move(track));
        }
        pos += 8 + std::size_t(length);
    }
    if (file.tracks.empty())
        return broken(QStringLiteral("トラックがありません"), qint64(size));
    return file;
}

} // namespace

MidiFile readMidi(const QByteArray &bytes, MidiRead what)
{
    try {
        return read(bytes, what);
    } catch (const std::bad_alloc &) {
        MidiFile file;
        file.error = QStringLiteral("MIDI ファイルを読むためのメモリが足りません。");
        return file;
    }
}
