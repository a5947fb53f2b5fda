#include "core/voice/machine_sound.h"

#include "core/formats/omp_list.h"
#include "core/omp/decimal.h"
#include "core/omp/omp_scan.h"

#include <algorithm>
#include <cmath>

namespace voice {

namespace {

// A BEEP's duration in periods is kept below this, so that a tempo near 0
// (a wave of centuries) stays a finite number of samples.
constexpr double MaxPeriods = double(qint64(1) << 40);

// BEEP's tone number as the statement gets it. A number outside 0 to 255
// would most plausibly be taken at its nearest end (the highest and lowest
// pitches the machine has) rather than stop the song, so it is clamped
// there: on the PC-E500 the OMP player's formula gives tones below 0 from
// E of octave 4 up.
int clampTone(double tone)
{
    return int(std::clamp(tone, double(machines::LowestTone), double(machines::HighestTone)));
}

// BEEP's duration in periods. A duration below 1 is taken as 1 (the shortest
// click the machine can make) rather than as silence or an error.
qint64 clampPeriods(double periods)
{
    return qint64(std::clamp(periods, 1.0, MaxPeriods));
}

SoundEvent beep(Machine machine, qint64 count, double tone, double duration)
{
    SoundEvent e;
    e.tone = clampTone(tone);
    e.hz = machines::beepHz(machine, e.tone);
    // BEEP n sounds its wave n times; with no pause between the repetitions
    // known, they are one tone n times as long. BEEP 0 is silent.
    e.periods = count <= 0 ? 0 : qint64(std::min(MaxPeriods, double(count) * double(clampPeriods(duration))));
    e.seconds = double(e.periods) / e.hz;
    return e;
}

SoundEvent rest(Machine machine, qint64 passes)
{
    SoundEvent e;
    // A FOR loop runs its body at least once.
    e.passes = std::max<qint64>(1, passes);
    e.seconds = double(e.passes) * machines::emptyLoopSeconds(machine);
    return e;
}

// A whole number written in a program line; false when it is not one.
bool programNumber(QStringView text, qint64 &value)
{
    bool ok = false;
    value = text.trimmed().toLongLong(&ok);
    return ok;
}

QString unreadableLine(QStringView line)
{
    return QStringLiteral("BEEP プログラムの行「%1」を読めません。ポケコンの音にはできません。"
                          "General MIDI の音で鳴らしてください。")
        .arg(line);
}

// The notes of `omp` that become lines of the BEEP program, where they stand
// and in what state the reading is there.
struct LineNote {
    qsizetype note;
    qsizetype pos;
    omp::ReaderState state;
    int code;
};

SoundEvents beepProgramEvents(QStringView omp, Machine machine)
{
    std::vector<LineNote> notes;
    qsizetype index = 0;
    omp::ReaderState state;
    omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        if (ev.kind != omp::EventKind::Pitch && ev.kind != omp::EventKind::Rest)
            return true;
        // The generator's own count says whether the note has a line: a
        // pitch above its table (B# of octave 4 and up) has none.
        if (basic::programLineCount(omp.sliced(ev.pos, 1)) == 1)
            notes.push_back({index, ev.pos, s, ev.code});
        ++index;
        return true;
    });

    SoundEvents result;
    const auto total = qsizetype(notes.size());
    if (total > basic::MaxSoundingLines)
        result.warning = QStringLiteral("この曲は音符と休符が %1 個あり、BEEP の BASIC プログラム (%2 個まで) には入りきりません。"
                                        "入りきるものとして鳴らします。ポケコンで鳴らすには、曲を %2 個ずつに分けてください。")
                             .arg(total)
                             .arg(basic::MaxSoundingLines);
    result.events.reserve(notes.size());
    // A program holds at most MaxSoundingLines notes, so a longer song is
    // generated in pieces, each read on from the state its first note is
    // read in (a pitch or rest changes nothing in the state).
    for (qsizetype first = 0; first < total; first += basic::MaxSoundingLines) {
        const qsizetype next = first + basic::MaxSoundingLines;
        const qsizetype from = first == 0 ? 0 : notes[size_t(first)].pos;
        const qsizetype to = next < total ? notes[size_t(next)].pos : omp.size();
        const omp::ReaderState start = first == 0 ? omp::ReaderState() : notes[size_t(first)].state;
        const BasicProgramResult program = generateBasicProgram(omp.sliced(from, to - from), machine, start);
        if (!program.ok()) {
            result.error = program.error;
            return result;
        }
        SoundEvents piece = programSounds(program.text, machine);
        if (!piece.ok()) {
            result.error = piece.error;
            return result;
        }
        const qsizetype count = std::min(next, total) - first;
        if (qsizetype(piece.events.size()) != count) {
            result.error = QStringLiteral("BEEP プログラムの音の数 (%1) が曲の音符と休符の数 (%2) と合いません。"
                                          "ポケコンの音にはできません。General MIDI の音で鳴らしてください。")
                               .arg(piece.events.size())
                               .arg(count);
            return result;
        }
        for (qsizetype i = 0; i < count; ++i) {
            SoundEvent &e = piece.events[size_t(i)];
            e.note = notes[size_t(first + i)].note;
            e.code = notes[size_t(first + i)].code;
            result.events.push_back(e);
        }
    }
    return result;
}

SoundEvents ompPlayerEvents(QStringView omp, Machine machine)
{
    const omplist::PlayerFormula formula =
        omplist::playerFormula(machine == Machine::E500 ? omplist::Player::E500 : omplist::Player::G800);
    const double scale = omp::parseDecimalAscii(omplist::PitchScale);
    const double step = omp::parseDecimalAscii(omplist::PitchStep);
    const double toneNumerator = omp::parseDecimalAscii(formula.toneNumerator);
    const double toneOffset = omp::parseDecimalAscii(formula.toneOffset);
    const double restPasses = omp::parseDecimalAscii(formula.restPasses);
    const double restExtra = omp::parseDecimalAscii(omplist::RestExtra);

    SoundEvents result;
    // T is VAL of the text after "$": the tempo number read afresh in full
    // precision, as the machine's decimal arithmetic holds it. Y is the
    // reader's length. Both start at 0, as BASIC's variables do.
    double tempo = 0;
    qsizetype note = 0;
    omp::ReaderState state;
    omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        if (ev.kind == omp::EventKind::Tempo) {
            tempo = omp::readTempoNumber(omp.sliced(ev.pos + 1));
            return true;
        }
        if (ev.kind == omp::EventKind::Length)
            return true;
        const bool isRest = ev.kind == omp::EventKind::Rest;
        if (tempo == 0) {
            result.error = QStringLiteral("OMPデータの %1 文字目「%2」の%3: テンポがないか 0 なので、OMP プレーヤーは"
                                          "ここで 0 で割るエラーになって止まります。音符や休符の前に 0 より大きいテンポ ($) を書いてください。")
                               .arg(ev.pos + 1)
                               .arg(omp[ev.pos])
                               .arg(isRest ? QStringLiteral("休符") : QStringLiteral("音符"));
            return false;
        }
        const double y = s.length;
        SoundEvent e;
        if (isRest) {
            // FOR J=1 TO RestPasses*Y/T+RestExtra: one pass for each whole
            // number from 1 to the bound.
            e = rest(machine, qint64(std::min(std::floor(restPasses * y / tempo + restExtra), MaxPeriods)));
        } else {
            // BEEP 1,ToneNumerator/X-ToneOffset,X*Y/T; BASIC cuts both
            // arguments to whole numbers toward zero. Over every character
            // code the tone's value stays more than 0.002 from a whole
            // number, so double arithmetic cuts it where the machine's
            // decimal arithmetic does.
            const double x = scale * std::pow(10.0, step * ev.code);
            e = beep(machine, 1, std::trunc(toneNumerator / x - toneOffset), std::trunc(x * y / tempo));
        }
        e.note = note++;
        e.code = ev.code;
        result.events.push_back(e);
        return true;
    });
    return result;
}

} // namespace

SoundEvents programSounds(QStringView program, Machine machine)
{
    SoundEvents result;
    for (QStringView line : program.split(u"\r\n", Qt::SkipEmptyParts)) {
        // The line number, then statements separated by ":".
        const qsizetype blank = line.indexOf(u' ');
        const QList<QStringView> statements = line.sliced(blank < 0 ? line.size() : blank).split(u':');
        for (qsizetype i = 0; i < statements.size(); ++i) {
            const QStringView statement = statements[i].trimmed();
            if (statement.isEmpty() || statement == u"CLS" || statement.startsWith(u"GOTO "))
                continue;
            if (statement.startsWith(u"BEEP ")) {
                const QList<QStringView> args = statement.sliced(5).split(u',');
                qint64 count = 0, tone = 0, duration = 0;
                if (args.size() != 3 || !programNumber(args[0], count) || !programNumber(args[1], tone)
                    || !programNumber(args[2], duration)) {
                    result.error = unreadableLine(line);
                    return result;
                }
                result.events.push_back(beep(machine, count, double(tone), double(duration)));
                continue;
            }
            // FOR V=A TO B followed at once by NEXT: an empty loop of
            // B - A + 1 passes.
            const qsizetype equals = statement.indexOf(u'=');
            const qsizetype to = statement.indexOf(u" TO ");
            qint64 from = 0, until = 0;
            if (statement.startsWith(u"FOR ") && equals > 0 && to > equals
                && programNumber(statement.sliced(equals + 1, to - equals - 1), from)
                && programNumber(statement.sliced(to + 4), until) && i + 1 < statements.size()
                && statements[i + 1].trimmed().startsWith(u"NEXT")) {
                result.events.push_back(rest(machine, until - from + 1));
                ++i;
                continue;
            }
            result.error = unreadableLine(line);
            return result;
        }
    }
    return result;
}

SoundEvents soundEvents(QStringView omp, Machine machine, Program program)
{
    return program == Program::Beep ? beepProgramEvents(omp, machine) : ompPlayerEvents(omp, machine);
}

} // namespace voice
