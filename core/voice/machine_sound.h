#pragma once
// How a pocket computer sounds a song. Its BEEP statement drives the piezo
// buzzer with a square wave for a whole number of the wave's periods, at a
// frequency its tone number gives (not equal temperament); a rest is an
// empty FOR loop. The song reaches the machine as one of two programs:
//
// - the BEEP program of export/basic_generator (one BEEP or FOR line per
//   note); its sound is read from exactly the lines the generator writes,
//   so that the voice plays what the machine would be given;
// - the OMP player of export/omp_list, which works out each BEEP from the
//   OMP data with its own formulas; its numbers come from beside the
//   player's lines.
//
// Every sound carries the OMP note it came from, numbered as
// omp::NoteTimeline numbers notes (pitches and rests alike).

#include "core/formats/basic_generator.h"
#include "core/machines/machines.h"

#include <QString>
#include <QStringView>

#include <vector>

namespace voice {

inline constexpr int SampleRate = 44100;

enum class Program {
    Beep, // the one-BEEP-per-note BASIC program
    Omp,  // the OMP player with the song's data
};

// One BEEP statement or one empty loop, in the order the machine runs them.
struct SoundEvent {
    qsizetype note = -1; // the OMP note it sounds
    int code = 0;        // that note's character code (omp::charCode); 42 for a rest
    int tone = -1;       // BEEP's tone number, 0 to 255; -1 for a rest
    double hz = 0;       // the square wave's frequency; 0 for a rest
    qint64 periods = 0;  // whole periods of the wave BEEP sounds
    qint64 passes = 0;   // passes of the rest's empty loop
    double seconds = 0;  // how long it lasts: periods / hz, or passes x the pass time

    bool isRest() const { return tone < 0; }
};

struct SoundEvents {
    std::vector<SoundEvent> events;
    QString error;   // Japanese; empty on success
    QString warning; // Japanese; something the user should know though the sound was made
    bool ok() const { return error.isEmpty(); }
};

// The sound of `omp` as `program` plays it on `machine`.
//
// The BEEP program cannot hold more than basic::MaxSoundingLines notes and
// rests; a longer song is still sounded (as the program would sound it with
// room for every line), with a warning. The OMP player divides by the tempo:
// a note or rest before any tempo, or under a tempo of 0, stops the machine
// with an error, and so it is an error here.
SoundEvents soundEvents(QStringView omp, Machine machine, Program program);

// The sounds of a program's text, lines ended by "\r\n" as the BASIC
// generator writes them: each BEEP statement and each empty FOR loop, in
// order, with `note` and `code` left for the caller to fill in. CLS and GOTO
// make no sound; any other statement is an error naming its line, since
// this reader then no longer knows what the program does.
SoundEvents programSounds(QStringView program, Machine machine);

} // namespace voice
