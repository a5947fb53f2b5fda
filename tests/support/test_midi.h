#pragma once
// Test songs as Standard MIDI File bytes, written byte by byte so that the
// tests do not depend on the program's own MIDI writer: Track and file() for
// files of any shape, song() for a format-0 melody at 480 ticks per quarter
// note (960 ticks a second at the default tempo).

#include <QByteArray>
#include <QString>

#include <algorithm>
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

inline QByteArray bytes(const char *spacedHex)
{
    return QByteArray::fromHex(QByteArray(spacedHex).replace(' ', ""));
}

// A header of the given format, track count and division, then the tracks.
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

// A track's events at absolute ticks; events at one tick keep the order in
// which they were added. bytes() writes them with their deltas and an end of
// track, with or without running status.
class Track {
public:
    Track &name(const QByteArray &text, std::uint32_t tick = 0)
    {
        QByteArray e = testmidi::bytes("FF 03");
        appendVarLen(e, std::uint32_t(text.size()));
        return event(tick, e + text);
    }
    Track &tempo(std::uint32_t tick, std::uint32_t microsecondsPerQuarter)
    {
        QByteArray e = testmidi::bytes("FF 51 03");
        appendBe(e, microsecondsPerQuarter, 3);
        return event(tick, e);
    }
    // A note-on and, `length` ticks later, a note-off (as a note-on of
    // velocity 0 when `offAsOn`). Channel 0 to 15.
    Track &note(std::uint32_t tick, std::uint32_t length, int key, int channel = 0, bool offAsOn = false)
    {
        const auto bytes = [](int a, int b, int c) { return QByteArray(1, char(a)) + char(b) + char(c); };
        event(tick, bytes(0x90 | channel, key, 0x7F));
        return event(tick + length, bytes((offAsOn ? 0x90 : 0x80) | channel, key, 0));
    }
    Track &event(std::uint32_t tick, const QByteArray &bytes)
    {
        m_events.push_back({tick, bytes});
        return *this;
    }

    QByteArray bytes(bool runningStatus = false) const
    {
        std::vector<Event> events = m_events;
        std::stable_sort(events.begin(), events.end(), [](const Event &a, const Event &b) { return a.tick < b.tick; });
        QByteArray out;
        std::uint32_t at = 0;
        char status = 0;
        for (const Event &e : events) {
            appendVarLen(out, e.tick - at);
            at = e.tick;
            const bool channelMessage = (static_cast<unsigned char>(e.bytes[0]) & 0xF0) != 0xF0;
            out += (runningStatus && channelMessage && e.bytes[0] == status) ? e.bytes.mid(1) : e.bytes;
            status = channelMessage ? e.bytes[0] : char(0);
        }
        return out + testmidi::bytes("00 FF 2F 00");
    }

private:
    struct Event {
        std::uint32_t tick;
        QByteArray bytes;
    };
    std::vector<Event> m_events;
};

// Program change, then a note-on / note-off pair per note (a rest is a pair
// of note-offs), then end of track. A tempo, when given, is set at tick 0.
inline QByteArray song(const std::vector<Note> &notes, int program = 0,
                       std::optional<std::uint32_t> microsecondsPerQuarter = std::nullopt)
{
    Track t;
    if (microsecondsPerQuarter)
        t.tempo(0, *microsecondsPerQuarter);
    t.event(0, QByteArray(1, char(0xC0)) + char(program));
    std::uint32_t at = 0;
    for (const Note &n : notes) {
        if (n.key < 0)
            t.event(at, testmidi::bytes("80 2A 00")).event(at + n.ticks, testmidi::bytes("80 2A 00"));
        else
            t.note(at, n.ticks, n.key);
        at += n.ticks;
    }
    return file(0, 480, {t.bytes()});
}

} // namespace testmidi
