#pragma once
// The BASIC program generator: OMP data becomes a BASIC program for a pocket
// computer that plays the song with one BEEP per note and a counting loop per
// rest, and starts again from the top.

#include "core/machines/machines.h"
#include "core/omp/omp_scan.h"

#include <QString>
#include <QStringView>

struct BasicProgramResult {
    // Lines separated by "\r\n", from "10 CLS" to the closing GOTO, which has
    // no line break after it. Empty on failure.
    QString text;
    QString error; // "エラーが発生しました。入力されたデータに誤りがあります" on failure
    bool ok() const { return error.isEmpty(); }
};

namespace basic {

// The caption of the window that shows the result for `machine`.
QString resultCaption(Machine machine);

// The largest line number the BASIC of these machines accepts (a line number
// is two bytes, and FF in the high byte marks the end of the program), and
// so the most notes and rests a program can hold: they take the lines from 20
// on in steps of 10, and the closing GOTO after them stays at or below 65279.
inline constexpr int LastLineNumber = 65279;
inline constexpr qsizetype MaxSoundingLines = (LastLineNumber - 20) / 10;

// The notes and rests of `omp` that become lines of the program.
qsizetype programLineCount(QStringView omp);

} // namespace basic

// Generates the program for `OMP_Data`. The reading starts at `start`, which
// is tempo 0 and length 0 unless a caller continues from another state. Data
// with more than MaxSoundingLines notes and rests is refused.
BasicProgramResult generateBasicProgram(QStringView OMP_Data, Machine machine, omp::ReaderState start = {});
