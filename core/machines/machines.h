#pragma once
// The pocket computers the program writes for, and what it knows of each:
// its name on the command line and in the windows, the BEEP tone number of
// every OMP pitch, and how long a rest loop of its BASIC waits. The BASIC
// programs, the send window and the command line all read them from here.

#include <QString>
#include <QStringView>

#include <array>
#include <optional>

enum class Machine { E500, G800 };

namespace machines {

inline constexpr std::array<Machine, 2> All = {Machine::E500, Machine::G800};

// "e500", "g800": the machine as `vltn --machine` names it.
QString key(Machine machine);
// The machine a `--machine` value names, in any case; nothing for another.
std::optional<Machine> fromKey(QStringView key);
// "PC-E500", "PC-G800".
QString modelName(Machine machine);
// "PC-E500シリーズ", "PC-G800シリーズ".
QString seriesName(Machine machine);

// The pitches the machines' BEEP covers: "A" (C of octave 1, middle C) to
// "p" (B of octave 4).
inline constexpr int FirstPitchCode = 65;
inline constexpr int LastPitchCode = 112;

// The BEEP tone number of OMP pitch `code` on `machine`; -1 outside
// FirstPitchCode to LastPitchCode.
int beepTone(Machine machine, int code);
// The frequency the one-BEEP-per-note program reckons a pitch's duration
// with, in hertz: equal-tempered and rounded (G of octave 4 is 3130, as the
// players have always had it); 0 outside the covered pitches.
int durationHz(int code);
// The loop count of one length unit's rest in the one-BEEP-per-note program.
int restLoopConstant(Machine machine);

// BEEP takes tone numbers 0 to 255.
inline constexpr int LowestTone = 0;
inline constexpr int HighestTone = 255;
// The frequency of BEEP's square wave for `tone` (clamped to 0 to 255):
// 256000 / (90 + 4 tone) Hz on the PC-E500, 1300000 / (166 + 22 tone) Hz on
// the PC-G800 (and PC-E200).
double beepHz(Machine machine, int tone);
// How long one pass of an empty FOR loop takes: 1/730 s on the PC-E500 and
// 1/535 s on the PC-G800, the rates the OMP players' rests are made for.
double emptyLoopSeconds(Machine machine);

} // namespace machines
