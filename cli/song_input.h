#pragma once
// Loading the song a verb works on: an H-MML file, compiled and formatted, a
// file of OMP data, or a VTD song file. Every verb that takes a song as INPUT goes through here.

#include <QString>

namespace cli {

struct SongInput {
    QString omp; // OMP data, formatted without separators for H-MML
    QString title;
    QString author;
    QString copyright;
    // The song's own tone as a tone-list position (General MIDI program - 1):
    // -1 when the song names none. An H-MML PROGRAM outside 0 to 128 gives a
    // value outside -1 to 127, which no MIDI file can carry; see toneWarning.
    int tone = -1;
    QString error; // Japanese message (for H-MML errors with the file and line); empty on success
    bool ok() const { return error.isEmpty(); }

    // The program-change number to write: the song's tone when it has a
    // usable one, else 0. `warning` receives a message when the song's tone
    // was out of range.
    int midiProgram(QString *warning = nullptr) const;
};

// True when `path` names a file of OMP data rather than H-MML (".omp",
// compared without regard to case).
bool isOmpDataPath(const QString &path);

// Reads `path` ("-" for standard input, read as H-MML). Files are decoded
// as CP932, or UTF-8 when they are recognisably UTF-8. OMP data files drop
// their trailing line breaks; H-MML is compiled as the window does on
// loading, then formatted without separators.
SongInput loadSongInput(const QString &path);

} // namespace cli
