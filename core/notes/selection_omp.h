#pragma once
// Playing a selection of the H-MML text: the OMP data of exactly the notes
// read from a range of lines, for the editor's "選択範囲をループ再生".

#include "core/notes/song_notes.h"

#include <QString>

namespace notes {

// OMP data that plays the notes of H-MML lines `firstLine` to `lastLine`
// (both included) and no other: every repetition of a loop within the range,
// in the order they play, each at the tempo and length in force where it
// stands in the song. A tempo field is written where the tempo changes, a
// length character where the length does. Empty when those lines hold no
// note, or the song has no H-MML source.
QString selectionOmp(const SongNotes &song, qint32 firstLine, qint32 lastLine);

} // namespace notes
