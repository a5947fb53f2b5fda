#pragma once
// The OMP to MIDI writer: OMP data becomes a Standard MIDI File of format 0
// with one track, 480 ticks per quarter note and no tempo event, so that the
// MIDI default of 120 quarter notes per minute makes 960 ticks a second.

#include "core/omp/omp_scan.h"

#include <QByteArray>
#include <QString>
#include <QStringView>

struct MidiResult {
    QByteArray bytes; // the whole file; empty on failure
    // Empty on success; otherwise a Japanese message naming what failed and,
    // for a fault in the data, the 1-based position of its character.
    QString error;
    qsizetype errorPos = -1; // 0-based index of that character, or -1
    bool ok() const { return error.isEmpty(); }
};

namespace omp {

// Writes `d` (at most MaxMidiDelta) as a MIDI variable-length quantity in its
// shortest form into `out`, most significant group first; returns the number
// of bytes, 1 to 4.
inline int encodeDelta(quint32 d, unsigned char out[4]) noexcept
{
    int n = 1;
    for (quint32 rest = d >> 7; rest != 0; rest >>= 7)
        ++n;
    for (int i = n - 1; i >= 0; --i) {
        out[i] = static_cast<unsigned char>((d & 0x7F) | (i == n - 1 ? 0x00 : 0x80));
        d >>= 7;
    }
    return n;
}

} // namespace omp

// The variable-length bytes of a delta, one to four, in file order. A delta
// above MaxMidiDelta cannot be written and gives an empty array.
QByteArray MIDI_DeltaBytes(quint32 d);

// The bytes of the MIDI file for `OMP_Data`. `tone` is the program-change
// number 0 to 127 (General MIDI program 1 is 0); -1, the tone list without a
// selection, and anything else outside 0 to 127 write program 0.
//
// Every call reads the data afresh from tempo 0 and length 0, so the result
// never depends on what was converted before. A pitch whose note number
// (code - 17) would pass 127 is written as a rest of the same length, so the
// file stays valid MIDI. Fails when the tempo is 0 at a note or rest, or when
// a note or rest lasts 2^28 ticks or more.
MidiResult MIDI_Build(QStringView OMP_Data, int tone);

// MIDI_Build, then writes the bytes to `ExportFileName` with QSaveFile: the
// file is replaced whole, and on any failure an existing file is left
// untouched and no partial file stays behind. The result carries the bytes
// written.
MidiResult MIDI_Exp(const QString &OMP_Data, const QString &ExportFileName, int tone);
