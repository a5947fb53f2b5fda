#pragma once
// Test songs as Standard MIDI File bytes (format 0, 480 ticks per quarter
// note), written byte by byte so that the player's tests do not depend on the
// program's own MIDI writer. At the default tempo 960 ticks last a second.

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace testmidi {

struct Note {
    int key; // -1: a rest (silence that only takes time)
    std::uint32_t ticks;
};

inline void appendVarLen(QByteArray &out, std::uint32_t value)
{
    QByteArray bytes(1, char(value & 0x7F));
    while (value >>= 7)
        bytes.prepend(char((value & 0x7F) | 0x80));
    out += bytes;
}

inline void appendBe(QByteArray &out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.append(char((value >> (8 * i)) & 0xFF));
}

// Bytes written as spaced hexadecimal ("00 90 3C 7F").
inline QByteArray bytes(const char *spacedHex)
{
    return QByteArray::fromHex(QByteArray(spacedHex).replace(' ', ""));
}

// A file of any format, track count and division around the given track
// bodies (each without its "MTrk" and length).
inline QByteArray file(int format, int division, const std::vector<QByteArray> &tracks)
{
    QByteArray f = "MThd";
    appendBe(f, 6, 4);
    appendBe(f, std::uint32_t(format), 2);
    appendBe(f, std::uint32_t(tracks.size()), 2);
    appendBe(f, std::uint32_t(division), 2);
    for (const QByteArray &t : tracks) {
        f += "MTrk";
        appendBe(f, std::uint32_t(t.size()), 4);
        f += t;
    }
    return f;
}

// Program change, then a note-on / note-off pair per note (a rest is a pair
// of note-offs), then end of track. A tempo, when given, is set at tick 0.
inline QByteArray song(const std::vector<Note> &notes, int program = 0,
                       std::optional<std::uint32_t> microsecondsPerQuarter = std::nullopt)
{
    QByteArray track;
    if (microsecondsPerQuarter) {
        track += QByteArray::fromHex("00FF5103");
        appendBe(track, *microsecondsPerQuarter, 3);
    }
    track += QByteArray::fromHex("00C0");
    track.append(char(program));
    for (const Note &n : notes) {
        const char key = char(n.key < 0 ? 0x2A : n.key);
        track.append('\0');
        track.append(char(n.key < 0 ? 0x80 : 0x90));
        track.append(key);
        track.append(char(n.key < 0 ? 0 : 0x7F));
        appendVarLen(track, n.ticks);
        track.append(char(0x80));
        track.append(key);
        track.append('\0');
    }
    track += QByteArray::fromHex("00FF2F00");

    return file(0, 480, {track});
}

inline bool write(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

} // namespace testmidi
