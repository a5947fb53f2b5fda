#pragma once
// Taking one melody out of a MIDI file: which track or channel, and one note
// at a time where the part plays several.

#include "core/formats/midi_reader.h"

#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace importer {

inline constexpr int DrumChannel = 9; // MIDI channel 10

struct MelodyNote {
    std::int64_t on = 0;  // ticks of the file
    std::int64_t off = 0; // after `on`, and at or before the next note's `on`
    int key = 0;
};

struct Melody {
    std::vector<MelodyNote> notes;
    int track = -1;   // 0-based track taken, or -1 for every track
    int channel = -1; // 0-based channel taken, or -1 for every channel but the drums
    qint64 sourceNotes = 0; // note-ons in the part taken
    qint64 chordNotes = 0;  // dropped: a higher note started at the same tick
    qint64 cutNotes = 0;    // ended early by a later note
    qint64 emptyNotes = 0;  // dropped: no length at all
    bool onlyDrums = false; // no melody outside the drums of channel 10
    QString error;          // Japanese; empty on success
    bool ok() const { return error.isEmpty(); }
};

// The part with the most notes, leaving out the drums, or the track or the
// channel asked for (0-based). Overlapping notes are made one line: of notes
// starting together the highest wins, and a note that starts later cuts the
// one sounding. A note left on ends with its track.
Melody extractMelody(const MidiFile &file, std::optional<int> track, std::optional<int> channel);

// Octave shift and folding into the keys the song can hold.
struct PitchFit {
    int shift = 0;      // semitones added to every key
    qint64 inRange = 0; // notes in range after the shift, before folding
    qint64 folded = 0;  // notes moved by octaves into range
};

inline constexpr int LowestKey = 48;  // C of octave 1
inline constexpr int HighestKey = 95; // B of octave 4

// `transpose` when given, else the octave shift that brings the most notes
// into range (the smallest such shift; upward on a tie). Keys are changed in
// place; the ones still outside are folded by octaves.
PitchFit fitPitches(std::vector<MelodyNote> &notes, std::optional<int> transpose);

} // namespace importer
