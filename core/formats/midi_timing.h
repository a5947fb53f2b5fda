#pragma once
// What a player needs to know about the time of a Standard MIDI File: how
// long it lasts and where a tick falls in seconds. The synthesizer reads the
// events itself; this only walks them (through the one MIDI reader) for their
// times and tempo changes, and turns away files that are not MIDI or are cut
// short, with a Japanese reason.

#include "core/formats/midi_reader.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <vector>

struct MidiTiming {
    QString error; // empty when the file was read
    int format = 0;
    int trackCount = 0;
    int division = 0; // ticks per quarter note
    std::int64_t totalTicks = 0; // the tick of the last event of the longest track
    std::vector<MidiTempoChange> tempos; // sorted by tick; the first is at tick 0, all with their seconds

    bool ok() const { return error.isEmpty(); }
    double secondsAt(std::int64_t tick) const;
    double durationSeconds() const { return secondsAt(totalTicks); }
};

// Reads the header and walks every track (readMidi). SMPTE time division is
// refused: the synthesizer does not play it.
MidiTiming readMidiTiming(const QByteArray &bytes);

// The timing of a file already read: one tempo map for all its tracks.
MidiTiming midiTiming(const MidiFile &file);

struct MidiFileRead {
    QByteArray bytes;
    MidiTiming timing;
    QString error; // Japanese, naming the file; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Reads a MIDI file and its timing; a file that cannot be opened, is far too
// large for a song, or is not a playable MIDI file gives an error.
MidiFileRead readMidiFile(const QString &path);
