#pragma once
// Loading the song a verb works on: an H-MML file, compiled and formatted, a
// file of OMP data, or a VTD song file. Every verb that takes a song as INPUT goes through here.

#include "core/hmml/note_lines.h"
#include "core/song/song.h"

#include <QString>

#include <memory>

namespace cli {

// The song, its OMP data formatted without separators for H-MML; a song file
// whose "Program" the tone list refuses has tone -1.
struct SongInput : Song {
    QString error; // Japanese message (for H-MML errors with the file and line); empty on success
    std::shared_ptr<const hmml::NoteLineMap> lines; // the H-MML line of every note; null for other inputs
    bool ok() const { return error.isEmpty(); }

    // The program-change number to write: the song's tone when it has a
    // usable one, else 0. `warning` receives a message when the song's tone
    // was out of range.
    int midiProgram(QString *warning = nullptr) const;
};

// True when `path` names a file of OMP data rather than H-MML (".omp",
// compared without regard to case).
bool isOmpDataPath(const QString &path);
// True when `path` names a song file: it ends in ".vtd", in any case.
bool isVtdPath(const QString &path);

// Reads `path` ("-" for standard input, read as H-MML). Files are decoded
// as CP932, or UTF-8 when they are recognisably UTF-8. OMP data files drop
// their trailing line breaks; H-MML is compiled as the window does on
// loading, then formatted without separators.
SongInput loadSongInput(const QString &path);

} // namespace cli
