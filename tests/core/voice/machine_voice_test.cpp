// The pocket computer's voice, heard back from its samples: every note's
// periods and frequency from its zero crossings, and where each note and
// rest begins and ends, against the machines' formulas; the wave's
// spectrum; rendering in blocks; and the tuning table.

#include "core/voice/machine_voice.h"
#include "core/voice/tuning_table.h"

#include "core/formats/basic_generator.h"
#include "core/omp/note_timeline.h"
#include "core/omp/omp_scan.h"

#include "support/square_wave.h"
#include "support/test_files.h"

#include <QRegularExpression>

#include <complex>
#include <numbers>
#include <random>

namespace {

using voice::Program;
using squarewave::HeardTone;

struct Expected {
    double hz = 0; // 0: a rest
    qint64 periods = 0;
    double seconds = 0;
    int tone = -1;
};

Expected beep(Machine m, int tone, qint64 periods)
{
    const double hz = squarewave::beepHz(m == Machine::E500, tone);
    return {hz, periods, double(periods) / hz, tone};
}

Expected loop(Machine m, double passes)
{
    return {0, 0, passes * squarewave::passSeconds(m == Machine::E500), -1};
}

// What the BEEP program's lines say, read with a pattern of our own.
std::vector<Expected> fromProgram(const QString &omp, Machine m)
{
    std::vector<Expected> out;
    static const QRegularExpression line(QStringLiteral("BEEP 1,(\\d+),(\\d+)|FOR W=0 TO (\\d+) : NEXT W"));
    for (const QRegularExpressionMatch &match : line.globalMatch(generateBasicProgram(omp, m).text))
        out.push_back(match.captured(3).isEmpty() ? beep(m, match.captured(1).toInt(), match.captured(2).toLongLong())
                                                  : loop(m, match.captured(3).toDouble() + 1));
    return out;
}

// What the OMP player's formulas give: X = 6.13 x 10^(0.02508 Z), then
// BEEP 1,64000/X-22,X*Y/T (PC-E500) or 59091/X-7 (PC-G800), cut toward
// zero, the tone held to 0-255 and the duration to at least 1; a rest
// loops from 1 to 730*Y/T+20 (535 on the PC-G800).
std::vector<Expected> fromPlayer(const QString &omp, Machine m)
{
    const bool e500 = m == Machine::E500;
    std::vector<Expected> out;
    double t = 0;
    omp::ReaderState state;
    omp::scan(omp, state, [&](const omp::Event &ev, const omp::ReaderState &s) {
        const double y = s.length, x = 6.13 * std::pow(10.0, 0.02508 * ev.code);
        if (ev.kind == omp::EventKind::Tempo)
            t = omp::readTempoNumber(QStringView(omp).sliced(ev.pos + 1));
        else if (ev.kind == omp::EventKind::Rest)
            out.push_back(loop(m, std::floor((e500 ? 730 : 535) * y / t + 20)));
        else if (ev.kind == omp::EventKind::Pitch)
            out.push_back(beep(m, int(std::clamp(std::trunc(e500 ? 64000 / x - 22 : 59091 / x - 7), 0.0, 255.0)),
                               std::max<qint64>(1, qint64(std::trunc(x * y / t)))));
        return true;
    });
    return out;
}

std::vector<float> renderAll(const voice::Voice &voice)
{
    std::vector<float> samples(size_t(voice.frameCount()));
    voice.render(0, samples.data(), qsizetype(samples.size()));
    return samples;
}

// Notes of both ends of the range ("A" is C of octave 1, "p" B of octave
// 4; "j" to "p" are tone 0 on the PC-E500), rests of several lengths, a
// note of length 0, a tempo with a fraction; with a gap, notes straight
// after each other are heard apart.
TEST(MachineVoice, EveryNoteAndRestSoundsAsTheMachinesFormulasSay)
{
    const std::pair<QString, double> songs[] = {
        {QStringLiteral("$4:2A1*J2*j1*p4*"), 0},
        {QStringLiteral("$2.5:0A1*8p0*3V1*k"), 0},
        {QStringLiteral("$8:1AJjp1*"), 5},
    };
    int toneZero = 0;
    for (const auto &[omp, gapMs] : songs) {
        for (const Machine m : {Machine::E500, Machine::G800}) {
            for (const Program program : {Program::Beep, Program::Omp}) {
                const std::string name = omp.toStdString() + (m == Machine::E500 ? " e500 " : " g800 ")
                                       + (program == Program::Beep ? "beep" : "omp");
                const voice::SoundEvents sounds = voice::soundEvents(omp, m, program);
                ASSERT_TRUE(sounds.ok()) << name << str(sounds.error);
                const voice::Voice voice(sounds.events, gapMs / 1000);
                const std::vector<HeardTone> heard = squarewave::tonesIn(renderAll(voice), voice::Amplitude);
                const std::vector<Expected> expected = program == Program::Beep ? fromProgram(omp, m) : fromPlayer(omp, m);

                double at = 0; // seconds
                size_t next = 0;
                for (const Expected &e : expected) {
                    if (e.hz > 0) {
                        ASSERT_LT(next, heard.size()) << name;
                        const HeardTone &t = heard[next++];
                        const double start = at * squarewave::SampleRate, end = (at + e.seconds) * squarewave::SampleRate;
                        EXPECT_EQ(t.periods, e.periods) << name << " note " << next;
                        if (e.periods == 1) { // one crossing, half way
                            EXPECT_NEAR(t.start, (start + end) / 2, 0.5) << name << " note " << next;
                        } else {
                            EXPECT_NEAR(t.hz / e.hz, 1.0, 1e-4) << name << " note " << next;
                            EXPECT_NEAR(t.start, start, 0.5) << name << " note " << next;
                            EXPECT_NEAR(t.end, end, 0.5) << name << " note " << next;
                        }
                        toneZero += m == Machine::E500 && e.tone == 0;
                    }
                    at += e.seconds + gapMs / 1000;
                }
                EXPECT_EQ(next, heard.size()) << name;
                EXPECT_NEAR(double(voice.frameCount()), std::max(at * squarewave::SampleRate, heard.back().end + 16), 1.0) << name;
            }
        }
    }
    EXPECT_GE(toneZero, 6) << "the PC-E500's tone 0 is heard in both programs";
}

// The highest notes: a square wave drawn sample by sample would fold its
// harmonics above 22 kHz back down as whistles 10 to 20 dB under the note;
// here everything up to 18 kHz that is not a harmonic stays 80 dB under
// it (a Blackman-Harris window over 4096 samples). A low note, whose
// harmonics nearly all stay, has the square wave's level.
TEST(MachineVoice, HighNotesCarryOnlyTheirHarmonics)
{
    constexpr int n = 4096;
    const double binHz = squarewave::SampleRate / n;
    for (const auto &[m, tone] : {std::pair{Machine::E500, 0}, {Machine::G800, 0}, {Machine::G800, 7},
                                  {Machine::E500, 222}}) {
        voice::SoundEvent e;
        e.tone = tone;
        e.hz = machines::beepHz(m, tone);
        e.periods = qint64(e.hz); // a second
        e.seconds = double(e.periods) / e.hz;
        std::vector<float> x(n);
        voice::Voice({e}).render(20000, x.data(), n);
        double fundamental = 0, worst = 0, power = 0;
        for (int k = 1; k * binHz < 18000; ++k) {
            std::complex<double> sum;
            for (int i = 0; i < n; ++i) {
                const double a = 2 * std::numbers::pi * i / (n - 1);
                const double w = 0.35875 - 0.48829 * std::cos(a) + 0.14128 * std::cos(2 * a) - 0.01168 * std::cos(3 * a);
                sum += double(x[size_t(i)]) * w * std::polar(1.0, -2 * std::numbers::pi * k * i / n);
            }
            const double harmonic = std::round(k * binHz / e.hz);
            if (harmonic == 1 && std::fabs(k * binHz - e.hz) < 6 * binHz)
                fundamental = std::max(fundamental, std::abs(sum));
            else if (harmonic == 0 || std::fabs(k * binHz - harmonic * e.hz) >= 6 * binHz)
                worst = std::max(worst, std::abs(sum));
        }
        EXPECT_LT(20 * std::log10(worst / fundamental), -80.0) << e.hz << " Hz";
        for (float v : x)
            power += double(v) * v;
        EXPECT_TRUE(tone != 222 || std::fabs(std::sqrt(power / n) / voice::Amplitude - 1) < 0.01) << std::sqrt(power / n);
    }
}

// A real-time output asks for blocks of any size from anywhere: they are
// the same samples as one long render, and the notes are found again where
// the player stands (numbered as the note timeline numbers them: "q" has no
// BEEP line, yet the notes after it keep their numbers).
TEST(MachineVoice, BlocksFromAnyPositionAreTheSongAndFindTheirNotes)
{
    const QString omp = QStringLiteral("$6:2AqJ*1p$3:4jc*");
    std::mt19937 random(20240607);
    for (const Program program : {Program::Beep, Program::Omp}) {
        const voice::SoundEvents sounds = voice::soundEvents(omp, Machine::G800, program);
        ASSERT_TRUE(sounds.ok());
        const voice::Voice voice(sounds.events, 0.002);
        const std::vector<float> whole = renderAll(voice);
        for (int trial = 0; trial < 200; ++trial) {
            const qint64 first = std::uniform_int_distribution<qint64>(-100, voice.frameCount())(random);
            const int count = std::uniform_int_distribution<int>(1, 5000)(random);
            std::vector<float> block(size_t(count), 0.0f);
            voice.render(first, block.data(), count);
            for (int i = 0; i < count; ++i) {
                const qint64 at = first + i;
                const float want = at < 0 || at >= qint64(whole.size()) ? 0.0f : whole[size_t(at)];
                ASSERT_EQ(block[size_t(i)], want) << "frame " << at << " of a block from " << first;
            }
        }
        const omp::NoteTimeline timeline(omp);
        for (qsizetype i = 0; i < qsizetype(voice.events().size()); ++i) {
            const voice::SoundEvent &e = voice.events()[size_t(i)];
            EXPECT_EQ(omp::charCode(omp[timeline.note(e.note).pos]), e.code) << i;
            EXPECT_EQ(voice.noteAt(voice.noteStartFrame(e.note)), e.note) << i;
            EXPECT_EQ(voice.noteAt(qint64(voice.eventStart(i + 1)) - 1), e.note) << i;
        }
        EXPECT_EQ(voice.noteAt(-1), -1);
        EXPECT_EQ(qsizetype(voice.events().size()), program == Program::Beep ? 7 : 8);
    }
}

TEST(MachineVoice, TuningTable)
{
    using Rows = std::vector<std::tuple<std::string, qsizetype, int>>; // pitch, notes, tone
    const std::tuple<const char *, Machine, Program, Rows, qsizetype> cases[] = {
        // The BEEP program's table: C of octave 1 is tone 222 (PC-E500) or
        // 218 (PC-G800); from F of octave 4 up the PC-E500 has only tone 0.
        // It has no line for B# of octave 4, which stays silent.
        {"$2:4AAJ*jpq", Machine::E500, Program::Beep, {{"C 1", 2, 222}, {"A 1", 1, 123}, {"F 4", 1, 0}, {"B 4", 1, 0}}, 1},
        {"$2:4AAJ*jpq", Machine::G800, Program::Beep, {{"C 1", 2, 218}, {"A 1", 1, 127}, {"F 4", 1, 14}, {"B 4", 1, 7}}, 1},
        // The OMP player cuts its own formula's tones, B# of octave 4's too.
        {"$2:4AAJ*jpq", Machine::E500, Program::Omp, {{"C 1", 2, 222}, {"A 1", 1, 123}, {"F 4", 1, 0}, {"B 4", 1, 0}, {"B# 4", 1, 0}}, 0},
        {"$2:4AAJ*jpq", Machine::G800, Program::Omp, {{"C 1", 2, 218}, {"A 1", 1, 127}, {"F 4", 1, 14}, {"B 4", 1, 7}, {"B# 4", 1, 7}}, 0},
        {"$2:4GIH*", Machine::E500, Program::Beep, {{"F# 1", 1, 150}, {"G 1", 1, 141}, {"G# 1", 1, 132}}, 0},
        {"$2:4*", Machine::E500, Program::Omp, {}, 0},
    };
    for (const auto &[omp, m, program, rows, silent] : cases) {
        const voice::TuningTable table = voice::tuningTable(QString::fromLatin1(omp), m, program);
        Rows got;
        for (const voice::TuningRow &row : table.rows) {
            got.emplace_back(str(row.pitch), row.count, row.tone);
            EXPECT_DOUBLE_EQ(row.hz, squarewave::beepHz(m == Machine::E500, row.tone));
            EXPECT_NEAR(row.cents, 1200 * std::log2(row.hz / row.targetHz), 1e-9);
        }
        EXPECT_EQ(got, rows) << omp;
        EXPECT_EQ(std::tuple(table.silentNotes, table.widest() == nullptr), std::tuple(silent, rows.empty())) << omp;
    }
    // Equal temperament from A of octave 1 at 440 Hz: C of octave 1 is middle C.
    EXPECT_NEAR(voice::equalTemperedHz('A'), 261.626, 0.001);
    EXPECT_DOUBLE_EQ(voice::equalTemperedHz('V'), 880.0);
}

// What the machine would refuse is told, not crashed on.
TEST(MachineVoice, NotesTheOmpPlayerCannotTimeAreErrors)
{
    for (const char *omp : {"4A", "$0:4A", "$2:4A$0:*"}) {
        const voice::SoundEvents sounds = voice::soundEvents(QString::fromLatin1(omp), Machine::E500, Program::Omp);
        EXPECT_TRUE(sounds.error.contains(u"0 で割る")) << omp << str(sounds.error);
        // The BEEP program divides by T + 1 and plays them.
        EXPECT_TRUE(voice::soundEvents(QString::fromLatin1(omp), Machine::E500, Program::Beep).ok()) << omp;
    }
    EXPECT_TRUE(voice::programSounds(u"10 CLS\r\n20 PRINT 1\r\n", Machine::E500).error.contains(u"20 PRINT 1"));
}

} // namespace
