#pragma once
// When each note of OMP data sounds in the MIDI writer's file (in ticks, 960
// a second), and where its characters stand in the text. Notes are numbered
// as they stand in the data, pitches and rests alike; formatting keeps that
// numbering, so it is the numbering of hmml::NoteLineMap too.
//
// Only a few positions are kept (one every 256 notes); a note is found by
// reading on from the nearest, so a timeline costs next to nothing beside
// its text, which it shares.

#include "core/omp/omp_scan.h"

#include <QString>

#include <vector>

namespace omp {

struct TimedNote {
    qsizetype index = -1; // among the notes; -1: no such note
    qsizetype pos = 0;    // its pitch or rest character
    qsizetype start = 0;  // its first character: the length character written right before it, if any
    qint64 tick = 0;      // where it starts
    bool valid() const { return index >= 0; }
};

class NoteTimeline {
public:
    NoteTimeline() = default;
    explicit NoteTimeline(const QString &omp);

    const QString &text() const { return m_text; }
    qsizetype noteCount() const { return m_count; }
    qint64 totalTicks() const { return m_total; }

    // The note sounding at `tick`: the last one begun by then (the last note
    // past the end). Invalid before the first note.
    TimedNote noteAt(qint64 tick) const;
    // Note `index`; invalid when there is none.
    TimedNote note(qsizetype index) const;
    // OMP data that sounds as this one from note `index` on: the tempo and
    // length in force there, then the text from the note on. Empty when there
    // is no such note.
    QString from(qsizetype index) const;

private:
    struct Checkpoint {
        qsizetype index;    // the next note
        qsizetype scanFrom; // where reading resumes
        qint64 tick;
        ReaderState state;
        qsizetype tempoPos; // the "$" of the tempo in force, or -1
        qsizetype tempoEnd; // the first character after that tempo field
    };
    // Reads notes on from `c`, calling `f(note, at)` for each (`at` resumes
    // reading at the note) until it returns false.
    template <class F>
    void walk(Checkpoint c, F &&f) const;
    const Checkpoint &nearest(qsizetype index) const;

    QString m_text;
    std::vector<Checkpoint> m_checkpoints;
    qsizetype m_count = 0;
    qint64 m_total = 0;
};

} // namespace omp
