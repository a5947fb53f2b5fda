#pragma once
// How far the pocket computer's pitches stand from equal temperament: for
// each pitch a song uses, the machine's tone number and frequency beside the
// equal-tempered one (A of octave 1, OMP "J", at 440 Hz).

#include "core/voice/machine_sound.h"
#include "core/voice/pitch_cents.h"

#include <QString>
#include <QStringList>
#include <QStringView>

#include <vector>

namespace voice {

// The equal-tempered frequency of `code`: "J" (74) is 440 Hz.
double equalTemperedHz(int code);

// How far `hz` is above `target`, in cents (hundredths of a semitone).
double cents(double hz, double target);

struct TuningRow {
    int code = 0;
    QString pitch;       // hmml::pitchName(code)
    qsizetype count = 0; // the notes of that pitch the machine sounds
    int tone = 0;        // BEEP's tone number
    double hz = 0;       // the machine's frequency
    double targetHz = 0; // equal-tempered
    double cents = 0;    // hz against targetHz
};

struct TuningTable {
    std::vector<TuningRow> rows; // lowest pitch first
    // Pitches the program leaves out (the BEEP program has no line for
    // B# of octave 4 and above): how many notes, and which pitches.
    qsizetype silentNotes = 0;
    QStringList silentPitches;
    QString error;
    QString warning; // as SoundEvents::warning
    bool ok() const { return error.isEmpty(); }
    // The row furthest from its target, or nullptr without rows.
    const TuningRow *widest() const;
};

TuningTable tuningTable(QStringView omp, Machine machine, Program program);

// The cents of every pitch `program` sounds on `machine` ("A" and up), from
// the same events: what the note view and the picture mark.
PitchCents pitchCents(Machine machine, Program program);

} // namespace voice
