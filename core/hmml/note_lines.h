#pragma once
// Where the music is: the H-MML line each note (or rest) of compiled OMP data
// was read from, in the order the notes stand in the data. The compiler fills
// it as it goes; a loop's repetitions point back to the lines of the loop.
//
// Formatting keeps every note and its order, so the n-th note of the
// formatted data is the n-th note here (see core/omp/note_timeline.h for finding
// it in the text). The map is small: notes of consecutive lines are stored
// as runs, and a loop's repetitions as one entry, whatever their count.

#include <QtGlobal>

#include <vector>

namespace hmml {

class NoteLineMap {
public:
    // The compiler's side, in the order the notes are emitted. Lines of notes
    // read (not repeated) only ever increase.
    void addNote(qint32 line);
    // The `count` notes from `firstNote` on are played `times` more, now.
    void addRepeat(qsizetype firstNote, qsizetype count, qint32 times);
    void clear() { *this = NoteLineMap(); }
    // Gives back the room kept for growing, once the song is complete.
    void squeeze();

    qsizetype noteCount() const { return m_noteCount; }
    // The 1-based line of note `index` (0-based); 0 when there is no such note.
    qint32 lineOf(qsizetype index) const;
    // The line of every note in order, as lineOf gives them, in one pass.
    std::vector<qint32> allLines() const;
    // The first note read from `line`, or when that line holds none the first
    // read after it; -1 when there is none.
    qsizetype firstNoteFrom(qint32 line) const;
    // The bytes the map takes.
    qsizetype memoryBytes() const;

private:
    // Notes [first, first + count) of the output: read notes `source`,
    // `source` + 1, ... (period 0), or a loop's repetitions of the `period`
    // notes from output note `source` on.
    struct Segment {
        qsizetype first;
        qsizetype count;
        qsizetype source;
        qsizetype period;
    };
    // Every CheckpointRuns runs: where decoding may start.
    struct Checkpoint {
        qsizetype readIndex; // the first read note of the run
        qint32 line;         // its line
        qsizetype offset;    // the run's place in m_runs (bytes)
    };

    void closeRun();
    qint32 lineOfRead(qsizetype readIndex) const;
    qsizetype readIndexFrom(qint32 line) const;

    // Closed runs of read notes on consecutive lines, as variable-length
    // numbers: the gap to the run's first line from the previous run's last,
    // and the run's length.
    std::vector<unsigned char> m_runs;
    std::vector<Checkpoint> m_checkpoints;
    std::vector<Segment> m_segments;
    qsizetype m_closedRuns = 0;
    qsizetype m_closedNotes = 0; // read notes in closed runs
    qint32 m_closedLastLine = 0;
    qint32 m_runFirstLine = 0;   // the open run
    qsizetype m_runLength = 0;
    qsizetype m_readCount = 0;
    qsizetype m_noteCount = 0;
};

} // namespace hmml
