#pragma once
// The song's notes as one list: every note and rest of the OMP data in the
// order it stands there (the numbering of omp::NoteTimeline and
// hmml::NoteLineMap), when it starts and how long it lasts as `vltn midi`
// writes it (ticks of 1/960 s), its pitch, and the H-MML line it was read
// from (a loop's every repetition carries the line of its note). The note
// view and the SVG picture draw from it; "the notes of line L" and "the note
// at time t" are a binary search each.
//
// Built in one pass over the text, which it shares (a QString is never
// copied): 24 bytes a note and 4 more for the index of the lines.

#include "core/formats/midi_writer.h"
#include "core/omp/omp_scan.h"

#include <QString>

#include <memory>
#include <span>
#include <vector>

namespace hmml {
class NoteLineMap;
}
struct HmmlConversion;

namespace notes {

inline constexpr int TicksPerSecond = omp::MidiTicksPerSecond;

struct Note {
    qint64 tick = 0;  // where it starts
    qint32 ticks = 0; // how long it lasts
    qint32 line = 0;  // its 1-based H-MML line; 0 when the song has no source
    qint32 pos = 0;   // its pitch or rest character in the OMP text
    qint16 code = 0;  // that character's code (omp::charCode): omp::CodeRest or a pitch
    // False when `vltn midi` refuses the song at this note: tempo 0, or a
    // length a MIDI file cannot hold. Such a note takes no time here.
    bool timed = true;

    bool rest() const { return code == omp::CodeRest; }
    // Heard: a pitch whose MIDI note number (code - 17) is at most 127. The
    // MIDI writer writes any other pitch as a rest of its length.
    bool sounds() const { return code >= omp::CodePitchFirst && code - 17 <= 127; }
    qint64 endTick() const { return tick + ticks; }
    double startMs() const { return tick * 1000.0 / TicksPerSecond; }
    double lengthMs() const { return ticks * 1000.0 / TicksPerSecond; }
};

// From note `firstNote` on (until the next span) the tempo is `tempo` length
// units a second.
struct TempoSpan {
    qint64 tick;
    qsizetype firstNote;
    float tempo;
};

class SongNotes {
public:
    SongNotes() = default;
    // `lines` (null for OMP data without a source) numbers the notes of
    // `omp` as the compiler emitted them.
    SongNotes(const QString &omp, std::shared_ptr<const hmml::NoteLineMap> lines);
    // A good compile's result; an empty list for a failed one.
    explicit SongNotes(const HmmlConversion &conversion);

    const QString &text() const { return m_text; }
    bool hasLines() const { return m_hasLines; }

    qsizetype size() const { return qsizetype(m_notes.size()); }
    bool empty() const { return m_notes.empty(); }
    const Note &operator[](qsizetype index) const { return m_notes[size_t(index)]; }
    const std::vector<Note> &all() const { return m_notes; }
    const std::vector<TempoSpan> &tempos() const { return m_tempos; }

    qint64 totalTicks() const { return m_totalTicks; }
    // The lowest and highest pitch codes heard; 0 for both when none is.
    int lowestCode() const { return m_lowest; }
    int highestCode() const { return m_highest; }
    // The first note `vltn midi` refuses (see Note::timed), or -1.
    qsizetype firstUntimed() const { return m_firstUntimed; }

    // The notes read from H-MML line `line`, in the order they play (each
    // repetition of a loop); empty for a line without notes.
    std::span<const qint32> notesOfLine(qint32 line) const;
    // The note sounding at `tick`: the last one begun by then (the last note
    // past the end); -1 before the first note.
    qsizetype noteAt(qint64 tick) const;
    // The tempo in force at `tick` (0 before any tempo field).
    float tempoAt(qint64 tick) const;

private:
    QString m_text;
    std::vector<Note> m_notes;
    std::vector<TempoSpan> m_tempos;
    // The notes that have a line, by line and within a line as they play.
    std::vector<qint32> m_byLine;
    qint64 m_totalTicks = 0;
    int m_lowest = 0;
    int m_highest = 0;
    qsizetype m_firstUntimed = -1;
    bool m_hasLines = false;
};

} // namespace notes
