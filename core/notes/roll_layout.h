#pragma once
// What the note view and the SVG picture lay out alike: the rows of pitches
// they show, which rows are black keys, and the steps of their time rulers.

#include "core/notes/song_notes.h"

#include <array>

namespace notes {

// The pitch codes shown, bottom to top: whole octaves from the C at or below
// the lowest note heard to the B at or above the highest (octave 2 when no
// note is heard).
struct PitchRows {
    int low = 0;
    int high = 0;
    int count() const { return high - low + 1; }
};

inline PitchRows pitchRows(const SongNotes &song)
{
    if (song.highestCode() == 0)
        return {omp::CodePitchFirst + 12, omp::CodePitchFirst + 23};
    const int low = song.lowestCode() - omp::CodePitchFirst, high = song.highestCode() - omp::CodePitchFirst;
    return {omp::CodePitchFirst + low / 12 * 12, omp::CodePitchFirst + high / 12 * 12 + 11};
}

// C#, D#, F#, G# and A#.
inline bool blackKey(int code)
{
    const int n = (code - omp::CodePitchFirst) % 12;
    return n == 1 || n == 3 || n == 6 || n == 8 || n == 10;
}

// The step of a seconds ruler: the shortest of 0.1, 0.2, 0.5, 1, 2, 5, 10,
// 15, 30 seconds, 1, 2, 5, 10, 30 minutes and an hour that puts its marks
// at least `minPixels` apart at `pixelsPerSecond`.
inline double secondsStep(double pixelsPerSecond, double minPixels)
{
    static constexpr std::array<double, 15> steps = {0.1, 0.2, 0.5, 1, 2, 5, 10, 15, 30, 60, 120, 300, 600, 1800, 3600};
    for (const double s : steps) {
        if (s * pixelsPerSecond >= minPixels)
            return s;
    }
    return steps.back();
}

} // namespace notes
