#pragma once
// A program as the pocket computer takes it over the line: numbered ASCII
// lines, each ended by CR LF, and one end-of-file byte (0x1A) after the last.
// Everything is checked before a byte goes out, so that a refused program
// leaves the machine as it was.

#include "core/formats/basic_generator.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

namespace transfer {

// What is sent: the BEEP program of the BASIC generator, or the OMP player
// of the OMP list with the song's data.
enum class ProgramKind { Beep, OmpPlayer };

constexpr char EndOfFile = 0x1A;
constexpr int LowestLineNumber = 1;
constexpr int HighestLineNumber = 65279;

// The most bytes one program line may take, its number and CR LF included.
int maxLineBytes(Machine machine);

struct FramedProgram {
    QByteArray bytes; // empty on failure
    int lines = 0;    // program lines in `bytes`
    QString error;    // Japanese, naming the line; empty on success
    bool ok() const { return error.isEmpty(); }
};

// Frames `text` (lines ended by CR LF, LF or CR; the last may have no line
// end). 0x1A inside the text is dropped and blank lines are passed over.
// A character outside printable ASCII, a line that does not start with a
// line number from 1 to 65279, or a line longer than the machine takes is
// an error naming the line, and nothing is framed.
FramedProgram frameProgram(QStringView text, Machine machine);

struct ProgramText {
    QString text; // lines separated by "\r\n"
    QString error;
    bool ok() const { return error.isEmpty(); }
};

// The program of `kind` for a song's OMP data. Empty data is refused; the
// OMP player is refused for data it cannot hold (too long for its one
// assignment line, a double quote, a character outside printable ASCII).
ProgramText programForSong(ProgramKind kind, Machine machine, const QString &omp);

} // namespace transfer
