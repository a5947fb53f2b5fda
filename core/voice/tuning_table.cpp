#include "core/voice/tuning_table.h"

#include "core/hmml/pitch_name.h"

#include "core/omp/omp_scan.h"

#include <QStringList>

#include <algorithm>
#include <cmath>
#include <map>

namespace voice {

namespace {

constexpr int CodeA1 = 74; // "J"

} // namespace


double equalTemperedHz(int code)
{
    return 440.0 * std::exp2((code - CodeA1) / 12.0);
}

double cents(double hz, double target)
{
    return 1200.0 * std::log2(hz / target);
}

const TuningRow *TuningTable::widest() const
{
    const auto it = std::max_element(rows.begin(), rows.end(), [](const TuningRow &a, const TuningRow &b) {
        return std::fabs(a.cents) < std::fabs(b.cents);
    });
    return it == rows.end() ? nullptr : &*it;
}

TuningTable tuningTable(QStringView omp, Machine machine, Program program)
{
    TuningTable table;
    const SoundEvents sounds = soundEvents(omp, machine, program);
    table.error = sounds.error;
    table.warning = sounds.warning;
    if (!sounds.ok())
        return table;
    // The pitches the machine sounds, from its own events.
    std::map<int, TuningRow> byCode;
    for (const SoundEvent &e : sounds.events) {
        if (e.isRest())
            continue;
        TuningRow &row = byCode[e.code];
        if (row.count++ == 0) {
            row.code = e.code;
            row.pitch = hmml::pitchName(e.code);
            row.tone = e.tone;
            row.hz = e.hz;
            row.targetHz = equalTemperedHz(e.code);
            row.cents = cents(row.hz, row.targetHz);
        }
    }
    for (auto &[code, row] : byCode)
        table.rows.push_back(std::move(row));

    // The notes of the song that made no sound.
    std::map<int, qsizetype> silent;
    auto event = sounds.events.begin();
    qsizetype note = 0;
    omp::ReaderState state;
    omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &) {
        if (ev.kind != omp::EventKind::Pitch && ev.kind != omp::EventKind::Rest)
            return true;
        while (event != sounds.events.end() && event->note < note)
            ++event;
        if (event == sounds.events.end() || event->note != note)
            ++silent[ev.code];
        ++note;
        return true;
    });
    for (const auto &[code, count] : silent) {
        table.silentNotes += count;
        table.silentPitches << hmml::pitchName(code);
    }
    return table;
}

PitchCents pitchCents(Machine machine, Program program)
{
    // One note of every pitch a program could be given, at a tempo.
    QString omp = QStringLiteral("$1:1");
    for (int code = omp::CodePitchFirst; code <= machines::LastPitchCode + 1; ++code)
        omp += QChar(code);
    PitchCents cents;
    for (const TuningRow &row : tuningTable(omp, machine, program).rows)
        cents.set(row.code, row.cents);
    return cents;
}

} // namespace voice
