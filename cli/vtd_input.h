#pragma once
// A VTD song file as the INPUT of a verb: its OMP data and the fields that
// give the defaults of the output's tone, title, author and copyright.

#include <QString>

namespace cli {

struct VtdInput {
    QString omp;
    QString title;
    QString author;
    QString copyright;
    // Tone list position 0 to 127 (General MIDI program - 1), or -1 for none:
    // also when "Program" is missing, empty or outside -1 to 127, as the
    // window's tone list would refuse it.
    int tone = -1;
    QString error; // Japanese message naming the file; empty on success
    bool ok() const { return error.isEmpty(); }
};

// True when `path` names a song file: it ends in ".vtd", in any case.
bool isVtdPath(const QString &path);

// Reads a song file. A file without a section "Data" holding a key "Data" is
// an error (not a song file), as is one that cannot be read.
VtdInput loadVtdInput(const QString &path);

} // namespace cli
