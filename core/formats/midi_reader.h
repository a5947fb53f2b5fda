#pragma once
// The one reader of Standard MIDI Files: the header, every track's tempo
// changes and length and, when asked for, its notes and name. The player
// needs only the times; the importer needs the notes too. Running status is
// followed; SysEx and meta events other than tempo, track name and end of
// track are passed over; unknown chunks are skipped. A file that is not MIDI,
// is cut short or is malformed gives a Japanese reason with the byte offset.

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct MidiTempoChange {
    std::int64_t tick = 0;
    std::int64_t microsecondsPerQuarter = 500000;
    double seconds = 0; // time at which it takes effect
};

// One note-on or note-off (a note-on of velocity 0 is a note-off).
struct MidiNoteEvent {
    std::int64_t tick = 0;
    std::uint8_t channel = 0; // 0 to 15 (MIDI channel 1 to 16)
    std::uint8_t key = 0;
    bool on = false;
};

struct MidiTrack {
    QByteArray name;          // the first track-name meta event, as stored
    std::int64_t endTick = 0; // tick of its last event
    std::vector<MidiNoteEvent> notes; // in file order; filled with MidiRead::Notes only
};

struct MidiFile {
    QString error;          // empty when the file was read
    qint64 errorOffset = -1; // 0-based byte offset the error is about, or -1
    int format = 0;
    int division = 0; // ticks per quarter note
    std::vector<MidiTrack> tracks;
    std::vector<MidiTempoChange> tempos; // as met, track by track; seconds not set

    bool ok() const { return error.isEmpty(); }
};

enum class MidiRead { Timing, Notes };

// A format other than 0, 1 and 2, SMPTE time division and a file without a
// track are refused.
MidiFile readMidi(const QByteArray &bytes, MidiRead what = MidiRead::Timing);
