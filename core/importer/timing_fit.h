#pragma once
// From times to H-MML lengths: every note and silence becomes whole units
// of 1 to 16 at a tempo that H-MML can write, so that the song starts its
// notes where the file did.
//
// A TEMPO t gives t rounded down, then floor((10t + 3) / 6) hundredths of a
// unit per second (V): only V in whole hundredths exist, and not all of
// them. The pocket computer plays L units in exactly L * 100 / V seconds;
// that is the time fitted to. MIDI_Exp writes L units as
// floor(960 / float(V / 100) * L) ticks of 1/960 second, a little less: a
// file it wrote is fitted in that reckoning too, so that it comes back with
// its own lengths and tempos. Times here are in those ticks.

#include <QtGlobal>

#include <cstdint>
#include <optional>
#include <vector>

namespace importer {

class Progress;

// H-MML's tempo arithmetic, as the compiler and the MIDI writer do it.
namespace tempo {
// Units per second, in hundredths, for TEMPO t (t >= 1).
constexpr qint64 hundredths(qint64 t)
{
    return (10 * t + 3) / 6;
}
// The smallest TEMPO giving `k` hundredths, or 0 when none gives exactly k.
qint64 forHundredths(qint64 k);
// Ticks one unit lasts at `k` hundredths: as played, and as MIDI_Exp writes them.
constexpr double exactTicks(qint64 k)
{
    return 96000.0 / double(k);
}
double unitTicks(qint64 k);
// The writable `k` nearest to `unitsPerSecond` (within what the fit uses).
qint64 nearest(double unitsPerSecond);
} // namespace tempo

// A note (key >= 0) with the silence up to the next note, or a silence
// alone (key -1).
struct Slot {
    double start = 0;
    double noteEnd = 0; // start for a silence
    double end = 0;     // where the next slot starts
    int key = -1;
};

// A stretch at one tempo of the file, from `firstSlot` on.
struct Section {
    std::size_t firstSlot = 0;
    double ticksPerSourceTick = 1; // ticks of 1/960 s per tick of the file
};

struct Line {
    enum class Kind : std::uint8_t { Tempo, Note, Rest };
    Kind kind;
    int key;      // notes only
    qint64 value; // TEMPO for a tempo line, else the length 1 to 16
};

// Why a unit asked for was not used.
enum class UnitRefusal : std::uint8_t {
    None,
    TooLong,  // slower than TEMPO 1
    TooShort, // shorter than a tick of 1/960 s
    Unused,   // most of the first stretch would be written in another unit, or most notes split or left out
};

struct Fit {
    std::vector<Line> lines;
    UnitRefusal refusal = UnitRefusal::None; // no lines then
    std::vector<int> workingUnits;           // with a refusal: units (ticks of the file) that would do, best first
    double unit = 0;          // in ticks of the file: the base unit chosen
    double firstUnitTicks = 0; // ticks of 1/960 s of the unit most of the first stretch is written in
    qint64 firstHundredths = 0; // the same unit's tempo, in hundredths of a unit a second
    qint64 sectionTempos = 0; // tempo lines at the file's tempo changes (the first included)
    qint64 addedTempos = 0;   // tempo lines the lengths asked for within a section
    qint64 splitNotes = 0;    // notes longer than 16 units, written as repeated notes
    qint64 retimedNotes = 0;  // notes longer than 16 units, written whole at a tempo of their own
    qint64 droppedNotes = 0;  // notes shorter than half a unit
    qint64 notes = 0;         // notes written (a split note once)
    // Ticks between each written note's start, as the song plays, and the file's.
    double errorSum = 0;
    double errorMax = 0;
    double errorCost = 0;     // what units are compared on, in the reckoning fitted
    double fittedErrorMax = 0; // the largest start error in the reckoning fitted
    // Fitted to MIDI_Exp's ticks (a file this program wrote), which the song
    // as played misses by more than a tick or two.
    bool asWritten = false;
    qint64 lineCount = 0; // note, rest and tempo lines
    bool tooLong = false; // more than MaxLines: no lines then
};

// The most note, rest and tempo lines a song gets. No pocket computer holds
// more than some 6,500 notes; a note or silence of hours at a short unit
// would otherwise take millions of lines.
inline constexpr qint64 MaxLines = 100000;

// `unit`: the base unit in ticks of the file, or chosen (the one with the
// least timing error, counting a tempo line, a split note and a dropped note
// as errors too). A unit asked for is refused when its tempo cannot be
// written, or when the song would not be written mostly in it (`refusal`).
// `division`: the file's ticks per quarter note. `progress`: told how far
// the fit is, within its stage (throws once cancelled).
Fit fitTiming(const std::vector<Slot> &spans, const std::vector<Section> &sections, int division,
              std::optional<double> unit, Progress *progress = nullptr);

} // namespace importer
